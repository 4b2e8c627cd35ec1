// The window program: opens the sound cues, builds the three windows and
// runs the message loop.
#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

#include "aux_windows/form2.h"
#include "aux_windows/form3.h"
#include "aux_windows/sound_cues.h"
#include "aux_windows/wav_cues.h"
#include "main_window/error_box.h"
#include "main_window/form1.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);

    // The toolkit's own texts (standard buttons, dialogs) in Russian.
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    std::unique_ptr<tarsel::gui::SoundCues> cues;
    try {
        cues = tarsel::gui::open_sound_cues();
    } catch (const tarsel::gui::SoundOpenError& e) {
        tarsel::gui::show_startup_error(QStringLiteral("SoundOpenError"), e.what());
        return 1;
    }

    TForm1 form1(*cues);
    // Created after the main window, both hidden; destroyed before it.
    auto form2 = std::make_unique<TForm2>(&form1, form1.random());
    auto form3 = std::make_unique<TForm3>(&form1);
    form1.setAuxWindows(form2.get(), form3.get());

    form1.show();  // centred on the desktop when first shown
    form1.startTimers();
    const int rc = QApplication::exec();
    form1.setAuxWindows(nullptr, nullptr);
    return rc;
}
