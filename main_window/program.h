#pragma once
// The program's start: the toolkit's Russian texts, the six sound cues and
// the three windows, in the order the program needs them.
#include <QTranslator>
#include <memory>

class TForm1;
class TForm2;
class TForm3;

namespace tarsel::gui {

class SoundCues;

class Program {
public:
    // Loads the toolkit's Russian translations, opens the sound cues, builds
    // the main window and then the two auxiliary windows (hidden), shows the
    // main window centred and starts its timers. When a sound file cannot be
    // opened it shows the start-up error box and returns nullptr: no window
    // is shown. Needs a QApplication.
    static std::unique_ptr<Program> start();

    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    TForm1& form1() { return *form1_; }

private:
    Program() = default;

    QTranslator translator_;
    std::unique_ptr<SoundCues> cues_;
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TForm2> form2_;
    std::unique_ptr<TForm3> form3_;
};

} // namespace tarsel::gui
