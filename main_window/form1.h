#pragma once
// The main window "Разработчик: Тарсель. v1.901": the dialogue view, the
// input row, the menus, the status bar and the timers. Handlers keep the
// names of their controls and events; each reads its widgets, calls the
// engine and shows the result. The handlers live in several files:
//   form1.cpp            construction, start-up, refresh, Say turn, idle remarks
//   form1_commands.cpp   new dialogue, undo, exit and log, shake, farewell close, layout converter
//   form1_appearance.cpp colours, fonts, reset, full screen
//   form1_exchange.cpp   dialogue modes, exchange poll, settings and About windows
#include <QMainWindow>
#include <array>
#include <memory>
#include <string>

#include "aux_windows/pickers.h"
#include "engine/dialogue.h"
#include "engine/line_list.h"
#include "engine/random.h"
#include "engine/rich_file_cache.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QStatusBar;
class QTimer;
class QToolButton;
class DialogueView;
class TForm2;
class TForm3;

namespace tarsel::gui { class SoundCues; }

class TForm1 : public QMainWindow, private tarsel::DialogueHost {
    Q_OBJECT
public:
    // `cues` must outlive the window; the players were opened before.
    TForm1(tarsel::gui::SoundCues& cues, tarsel::Random::Clock clock = tarsel::system_ms_of_day,
           QWidget* parent = nullptr);
    ~TForm1() override;

    // Form2 and Form3 are created after the main window, both hidden.
    void setAuxWindows(TForm2* form2, TForm3* form3);
    TForm2* Form2() const { return form2_; }
    TForm3* Form3() const { return form3_; }

    // Starts the timers that run from the first shown moment.
    void startTimers();

    // ---- controls -------------------------------------------------------
    QFrame* TabControl1 = nullptr;
    DialogueView* RichEdit1 = nullptr;
    QFrame* TabControl2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;  // "<"
    QToolButton* SpeedButton3 = nullptr;  // "E/R"
    QToolButton* SpeedButton1 = nullptr;  // "Сказать"
    QStatusBar* StatusBar1 = nullptr;
    std::array<QLabel*, 3> StatusPanels{};

    // The hidden work list: it holds the knowledge base after start-up. It
    // shares the lines that the file cache keeps instead of copying them.
    struct WorkList {
        tarsel::SharedLines lines;
        // Replaces the content; a failing load leaves it as it was.
        void load_rich(std::string_view program_path) { lines = tarsel::load_rich_lines(program_path); }
        void clear() { lines.reset(); }
        std::size_t count() const { return lines ? lines->size() : 0; }
        bool empty() const { return count() == 0; }
    };
    WorkList RichEdit2;

    tarsel::gui::ColorDialog ColorDialog1, ColorDialog2, ColorDialog3;
    tarsel::gui::FontDialog FontDialog1, FontDialog2, FontDialog3;

    // ---- menus ----------------------------------------------------------
    QMenu* N1 = nullptr;   // "&Система"
    QMenu* N5 = nullptr;   // "&Настройки"
    QMenu* N7 = nullptr;   // "Цвет &реплик"
    QMenu* N10 = nullptr;  // "&Параметры шрифта"
    QMenu* N37 = nullptr;  // "&Режим"
    QMenu* N11 = nullptr;  // "С&правка"
    QAction *N2 = nullptr, *N3 = nullptr, *N4 = nullptr, *N6 = nullptr, *N8 = nullptr,
            *N9 = nullptr, *N12 = nullptr, *N13 = nullptr, *N14 = nullptr, *N15 = nullptr,
            *N16 = nullptr, *N21 = nullptr, *N36 = nullptr, *N38 = nullptr, *N39 = nullptr,
            *N40 = nullptr;
    QAction *User1 = nullptr, *Cpu1 = nullptr, *Mystring2 = nullptr;
    QAction *User2 = nullptr, *Cpu2 = nullptr, *Mystring1 = nullptr;
    QAction *CpuUser1 = nullptr, *Cpu31 = nullptr;

    // ---- timers ---------------------------------------------------------
    // Timer1, the state refresh, runs whenever something it reads changes
    // instead of polling; refreshActive() tells whether it is "on".
    QTimer* Timer2 = nullptr;  // idle remarks, 1000 ms
    QTimer* Timer3 = nullptr;  // start-up load, once
    QTimer* Timer4 = nullptr;  // farewell close, 1 ms
    QTimer* Timer6 = nullptr;  // exchange poll, 3000 ms at start
    QTimer* Timer7 = nullptr;  // window shake, 1 ms, once per request
    bool refreshActive() const { return refreshActive_; }
    void setRefreshActive(bool on);
    // Runs Timer1Timer once the current event has been handled (when the
    // refresh is on); repeated requests before then run it once.
    void requestRefresh();

    int Tag = 0;  // farewell close counter

    // ---- engine ---------------------------------------------------------
    tarsel::Dialogue& dialogue() { return dialogue_; }
    tarsel::Random& random() { return random_; }
    tarsel::gui::SoundCues& cues() { return cues_; }

    // Text of a status panel.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);

    // Full-screen layout in force (the check mark of N40).
    bool fullScreenLayout() const;

public slots:
    void FormCreate();
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();
    void Timer4Timer();
    void Timer6Timer();
    void Timer7Timer();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void Edit1Change();
    void N2Click();
    void N3Click();
    void N4Click();
    void N6Click();
    void N9Click();
    void N12Click();
    void N13Click();
    void N15Click();
    void N16Click();
    void N21Click();
    void N36Click();
    void N38Click();
    void N40Click();
    void User1Click();
    void Cpu1Click();
    void Mystring2Click();
    void User2Click();
    void Cpu2Click();
    void Mystring1Click();
    void CpuUser1Click();
    void Cpu31Click();

    // Ends the program through the window's own close (no log).
    void closeWindow();

signals:
    // Emitted when the exit command has written the log and the window closes.
    void exited();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // DialogueHost
    bool cpu_cpu_mode() const override;
    std::string input_text() const override;
    std::string previous_line() const override;
    std::string exchange_path() const override;
    void play(tarsel::Cue cue) override;
    void add_user_line(const std::string& shown_phrase) override;
    void add_reply_line(const std::string& reply) override;
    void add_idle_remark(const std::string& remark) override;
    void clear_input() override;
    void start_farewell() override;

    // Puts the window's frame in the middle of the desktop's free area.
    void centreOnDesktop();
    // Sets a menu item's check mark (making the item checkable first).
    static void setMark(QAction* item, bool on);
    void buildControls();
    void buildMenus();
    void buildTimers();
    void runPendingRefresh();
    void applyLayout(bool fullScreen);

    tarsel::gui::SoundCues& cues_;
    tarsel::Random random_;
    tarsel::Dialogue dialogue_;
    TForm2* form2_ = nullptr;
    TForm3* form3_ = nullptr;
    bool refreshActive_ = true;
    QString lastEditText_;  // for Edit1Change: real changes only
    // Set while the idle remark or the exchange poll runs: an error box of
    // the handler runs an event loop of its own, in which the timer goes on
    // ticking; those ticks are skipped instead of stacking boxes.
    bool idleTickRunning_ = false;
    bool pollRunning_ = false;
    bool refreshPending_ = false;
    bool inRefresh_ = false;
    bool timersStarted_ = false;
    bool centred_ = false;
};
