// Construction of the main window, the start-up load, the state refresh, the
// Say turn on screen and the idle remarks.
#include "main_window/form1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "aux_windows/form2.h"
#include "aux_windows/form3.h"
#include "aux_windows/sound_cues.h"
#include "engine/cp1251.h"
#include "main_window/dialogue_view.h"
#include "main_window/error_box.h"

using tarsel::gui::guarded;

namespace {

const QColor kSilver(0xC0, 0xC0, 0xC0);

constexpr int kClientWidth = 587;
constexpr int kClientHeight = 361;

std::string qstring_to_cp1251(const QString& text)
{
    return tarsel::utf8_to_cp1251(text.toStdString());
}

QFrame* make_frame(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setGeometry(geometry);
    return frame;
}

QToolButton* make_speed_button(QWidget* parent, const char* name, const QString& caption,
                               const QString& hint, const QRect& geometry)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(tarsel::gui::default_font());
    button->setGeometry(geometry);
    button->setEnabled(false);
    return button;
}

QMenu* make_menu(QWidget* parent, const char* name, const QString& caption)
{
    auto* menu = new QMenu(caption, parent);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    return menu;
}

} // namespace

TForm1::TForm1(tarsel::gui::SoundCues& cues, tarsel::Random::Clock clock, QWidget* parent)
    : QMainWindow(parent), cues_(cues), random_(std::move(clock)), dialogue_(random_)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Разработчик: Тарсель. v1.901"));
    // A title bar with the close box only; the size is fixed below.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(tarsel::gui::default_font());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kSilver);
    setPalette(pal);
    setAutoFillBackground(true);
    setCursor(Qt::ForbiddenCursor);

    buildControls();
    buildMenus();
    buildTimers();

    // The client area below the menu bar is 587 x 361 and cannot be resized.
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());

    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    TabControl1 = make_frame(client, "TabControl1", QRect(0, 0, 588, 313));
    RichEdit1 = new DialogueView(TabControl1);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setGeometry(3, 5, 581, 305);
    RichEdit1->setToolTip(QStringLiteral("Поле для отображения диалога"));

    TabControl2 = make_frame(client, "TabControl2", QRect(0, 312, 585, 30));

    // Created first so that it is first in the tab order.
    Edit1 = new QLineEdit(TabControl2);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(3, 5, 422, 21);
    Edit1->setMaxLength(255);
    Edit1->setFont(tarsel::gui::default_font());
    QPalette editPal = Edit1->palette();
    editPal.setColor(QPalette::Base, kSilver);
    editPal.setColor(QPalette::Text, Qt::black);
    Edit1->setPalette(editPal);
    Edit1->setCursor(Qt::IBeamCursor);
    Edit1->setToolTip(QStringLiteral("Поле для ввода фразы пользователя"));
    Edit1->installEventFilter(this);
    lastEditText_ = Edit1->text();
    connect(Edit1, &QLineEdit::textChanged, this, [this] {
        Edit1Change();
        requestRefresh();
    });

    SpeedButton2 = make_speed_button(TabControl2, "SpeedButton2", QStringLiteral("<"),
                                     QStringLiteral("Отмена (Альтернатива клавиша: <Ctrl + Z>)"),
                                     QRect(426, 5, 27, 22));
    QPalette undoPal = SpeedButton2->palette();
    undoPal.setColor(QPalette::ButtonText, Qt::black);
    SpeedButton2->setPalette(undoPal);
    SpeedButton3 = make_speed_button(TabControl2, "SpeedButton3", QStringLiteral("E/R"),
                                     QStringLiteral("Раскладка (Альтернатива клавиша: <Ctrl + S>)"),
                                     QRect(453, 5, 43, 22));
    SpeedButton1 = make_speed_button(
        TabControl2, "SpeedButton1", QStringLiteral("Сказать"),
        QStringLiteral("Кнопка отправки текста (Альтернатива клавиша: <INSERT>)"),
        QRect(496, 5, 86, 22));
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TForm1::SpeedButton3Click);

    StatusBar1 = new QStatusBar(client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 342, 587, 19);
    StatusBar1->setCursor(Qt::WhatsThisCursor);
    StatusBar1->setToolTip(QStringLiteral("Индикатор"));
    StatusBar1->setContentsMargins(0, 0, 0, 0);
    constexpr std::array<int, 3> widths{150, 280, 50};
    for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
        auto* panel = new QLabel(StatusBar1);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setMinimumWidth(widths[i]);
        if (i + 1 < StatusPanels.size())
            panel->setFixedWidth(widths[i]);
        // The last panel takes what is left of the bar, as status bars do.
        StatusBar1->addWidget(panel, i + 1 < StatusPanels.size() ? 0 : 1);
        StatusPanels[i] = panel;
    }
    StatusPanels[2]->setText(QStringLiteral("Режим Cpu\\User"));

    // The input line's font picker offers size 8 only.
    FontDialog3.MinFontSize = 8;
    FontDialog3.MaxFontSize = 8;
}

void TForm1::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setCursor(Qt::ArrowCursor);

    auto item = [this](QWidget* menu, const char* name, const QString& caption,
                       void (TForm1::*slot)()) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        menu->addAction(action);
        if (slot) {
            // Check marks are set by the handlers themselves: undo the
            // toggle the menu makes before the handler runs.
            connect(action, &QAction::triggered, this, [this, action, slot](bool checked) {
                if (action->isCheckable()) {
                    const QSignalBlocker block(action);
                    action->setChecked(!checked);
                }
                (this->*slot)();
            });
        }
        return action;
    };
    auto separator = [this](QMenu* menu, const char* name) {
        auto* action = menu->addSeparator();
        action->setParent(this);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    // A separator line that carries a keyboard shortcut; it is also added to
    // the window so that the shortcut fires while the menu is closed.
    auto shortcutItem = [this, &separator](QMenu* menu, const char* name, const QKeySequence& key,
                                           void (TForm1::*slot)()) {
        QAction* action = separator(menu, name);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };

    N1 = make_menu(this, "N1", QStringLiteral("&Система"));
    bar->addMenu(N1);
    N2 = item(N1, "N2", QStringLiteral("&Новый диалог"), &TForm1::N2Click);
    N3 = shortcutItem(N1, "N3", QKeySequence(Qt::Key_Insert), &TForm1::N3Click);
    N4 = item(N1, "N4", QStringLiteral("&Выход"), &TForm1::N4Click);

    N5 = make_menu(this, "N5", QStringLiteral("&Настройки"));
    bar->addMenu(N5);
    N6 = item(N5, "N6", QStringLiteral("&Цвет основного фона "), &TForm1::N6Click);
    N21 = item(N5, "N21", QStringLiteral("Ц&вет фона поля вывода реплик"), &TForm1::N21Click);
    N16 = item(N5, "N16", QStringLiteral("Цв&ет фона поля ввода реплик"), &TForm1::N16Click);
    N9 = item(N5, "N9", QStringLiteral("Цве&т шрифтов кнопок на панели"), &TForm1::N9Click);
    N15 = shortcutItem(N5, "N15", QKeySequence(Qt::CTRL | Qt::Key_Z), &TForm1::N15Click);
    N7 = make_menu(N5, "N7", QStringLiteral("Цвет &реплик"));
    N5->addMenu(N7);
    User1 = item(N7, "User1", QStringLiteral("&User"), &TForm1::User1Click);
    Cpu1 = item(N7, "Cpu1", QStringLiteral("&Cpu"), &TForm1::Cpu1Click);
    Mystring2 = item(N7, "Mystring2", QStringLiteral("&My string"), &TForm1::Mystring2Click);
    N36 = shortcutItem(N5, "N36", QKeySequence(Qt::CTRL | Qt::Key_S), &TForm1::N36Click);
    N10 = make_menu(N5, "N10", QStringLiteral("&Параметры шрифта"));
    N5->addMenu(N10);
    User2 = item(N10, "User2", QStringLiteral("&User"), &TForm1::User2Click);
    Cpu2 = item(N10, "Cpu2", QStringLiteral("&Cpu"), &TForm1::Cpu2Click);
    Mystring1 = item(N10, "Mystring1", QStringLiteral("&My string"), &TForm1::Mystring1Click);
    N8 = separator(N5, "N8");
    N13 = item(N5, "N13", QStringLiteral("Вернуть первоначальные настройки"), &TForm1::N13Click);
    N13->setCheckable(true);
    N13->setChecked(true);
    N14 = separator(N5, "N14");
    N37 = make_menu(N5, "N37", QStringLiteral("&Режим"));
    N5->addMenu(N37);
    CpuUser1 = item(N37, "CpuUser1", QStringLiteral("&Cpu\\User"), &TForm1::CpuUser1Click);
    CpuUser1->setCheckable(true);
    CpuUser1->setChecked(true);
    Cpu31 = item(N37, "Cpu31", QStringLiteral("C&pu\\Cpu"), &TForm1::Cpu31Click);
    Cpu31->setCheckable(true);
    N38 = item(N5, "N38", QStringLiteral("Ре&дактор"), &TForm1::N38Click);
    N39 = separator(N5, "N39");
    N40 = item(N5, "N40", QStringLiteral("&Full Screen"), &TForm1::N40Click);

    N11 = make_menu(this, "N11", QStringLiteral("С&правка"));
    bar->addMenu(N11);
    N12 = item(N11, "N12", QStringLiteral("&О программе..."), &TForm1::N12Click);

    // The mode decides whether the exchange poll runs.
    connect(Cpu31, &QAction::toggled, this, &TForm1::requestRefresh);
    connect(CpuUser1, &QAction::toggled, this, &TForm1::requestRefresh);
    connect(RichEdit1, &DialogueView::linesChanged, this, &TForm1::requestRefresh);
    // The refresh gives the focus back to the input line whenever another
    // control of this window takes it (the menu bar's keyboard mode aside).
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now != Edit1 && now != menuBar() && now->window() == this)
            requestRefresh();
    });
}

void TForm1::buildTimers()
{
    auto timer = [this](const char* name, int interval, bool singleShot, void (TForm1::*slot)()) {
        auto* t = new QTimer(this);
        t->setObjectName(QLatin1String(name));
        t->setInterval(interval);
        t->setSingleShot(singleShot);
        connect(t, &QTimer::timeout, this, slot);
        return t;
    };
    Timer2 = timer("Timer2", 1000, false, &TForm1::Timer2Timer);
    Timer3 = timer("Timer3", 1, true, &TForm1::Timer3Timer);
    Timer4 = timer("Timer4", 1, false, &TForm1::Timer4Timer);
    Timer6 = timer("Timer6", 3000, false, &TForm1::Timer6Timer);
    Timer6->setTimerType(Qt::PreciseTimer);  // polls keep their interval exactly
    Timer7 = timer("Timer7", 1, true, &TForm1::Timer7Timer);
}

void TForm1::startTimers()
{
    if (timersStarted_)
        return;
    timersStarted_ = true;
    Timer2->start();
    Timer3->start();
    Timer7->start();
    requestRefresh();
}

void TForm1::setAuxWindows(TForm2* form2, TForm3* form3)
{
    form2_ = form2;
    form3_ = form3;
}

void TForm1::setRefreshActive(bool on)
{
    if (refreshActive_ == on)
        return;
    refreshActive_ = on;
    if (on)
        requestRefresh();
}

void TForm1::requestRefresh()
{
    if (!refreshActive_ || refreshPending_)
        return;
    refreshPending_ = true;
    QMetaObject::invokeMethod(this, &TForm1::runPendingRefresh, Qt::QueuedConnection);
}

void TForm1::runPendingRefresh()
{
    refreshPending_ = false;
    if (refreshActive_)
        Timer1Timer();
}

QString TForm1::panelText(int panel) const
{
    if (panel < 0 || panel >= static_cast<int>(StatusPanels.size()))
        return {};
    return StatusPanels[panel]->text();
}

void TForm1::setPanelText(int panel, const QString& text)
{
    if (panel < 0 || panel >= static_cast<int>(StatusPanels.size()))
        return;
    if (StatusPanels[panel]->text() != text)
        StatusPanels[panel]->setText(text);
}

// ---- handlers -----------------------------------------------------------

void TForm1::FormCreate()
{
    guarded(this, [&] {
        RichEdit2.clear();
        RichEdit2.load_rich("Base\\Words.dat");
    });
}

void TForm1::Timer3Timer()
{
    // Off after the first tick whether the load succeeds or not, so that a
    // failing load is reported once.
    Timer3->stop();
    guarded(this, [&] {
        setPanelText(0, QStringLiteral("Идёт загрузка подождите..."));
        Edit1->setReadOnly(true);
        SpeedButton1->setEnabled(false);
        RichEdit2.load_rich(tarsel::files::kWords);
        // The knowledge base's lines without its header line.
        const int learned = std::max(0, static_cast<int>(RichEdit2.count()) - 1);
        setPanelText(1, QStringLiteral("Загружено фраз выученных программой: ") + QString::number(learned));
        Edit1->setReadOnly(false);
        SpeedButton1->setEnabled(true);
        setPanelText(0, QStringLiteral("Загрузка окончена"));
    });
    requestRefresh();
}

void TForm1::Timer1Timer()
{
    if (inRefresh_)
        return;
    inRefresh_ = true;
    guarded(this, [&] {
        const bool hasText = !Edit1->text().isEmpty();
        SpeedButton1->setEnabled(hasText);
        SpeedButton3->setEnabled(hasText);
        N3->setEnabled(hasText);
        const bool hasLines = RichEdit1->lineCount() > 0;
        SpeedButton2->setEnabled(hasLines);
        N15->setEnabled(hasLines);
        // Switching a timer on that is already on would restart its countdown.
        if (Cpu31->isChecked()) {
            if (!Timer6->isActive())
                Timer6->start();
        } else if (Timer6->isActive()) {
            Timer6->stop();
        }
        if (!Edit1->hasFocus())
            Edit1->setFocus(Qt::OtherFocusReason);
    });
    inRefresh_ = false;
}

void TForm1::Timer2Timer()
{
    // Without Base\Pause.Dat every tick from the threshold on fails; its box
    // shows again at the first tick after it was closed, not inside it.
    if (idleTickRunning_)
        return;
    const QScopedValueRollback running(idleTickRunning_, true);
    guarded(this, [&] { dialogue_.idle_tick(*this); });
}

void TForm1::SpeedButton1Click()
{
    guarded(this, [&] { dialogue_.say(*this); });
}

void TForm1::Edit1Change()
{
    const QString text = Edit1->text();
    if (text == lastEditText_)
        return;
    lastEditText_ = text;
    guarded(this, [&] { cues_.play(tarsel::Cue::KeyClick); });
}

// A shortcut item fires only while it and its top-level menu are enabled;
// it presses its button whatever the button's own state.
void TForm1::N3Click()
{
    if (N3->isEnabled() && N1->isEnabled() && N1->menuAction()->isEnabled())
        SpeedButton1Click();
}

void TForm1::N15Click()
{
    if (N15->isEnabled() && N5->isEnabled() && N5->menuAction()->isEnabled())
        SpeedButton2Click();
}

void TForm1::N36Click()
{
    if (N36->isEnabled() && N5->isEnabled() && N5->menuAction()->isEnabled())
        SpeedButton3Click();
}

void TForm1::closeWindow()
{
    close();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // The close box ends the program: no conversation log is written.
    for (QTimer* t : {Timer2, Timer3, Timer4, Timer6, Timer7})
        t->stop();
    refreshActive_ = false;
    // Hidden or not, the auxiliary windows must not keep the program alive.
    if (form2_)
        form2_->hide();
    if (form3_)
        form3_->hide();
    event->accept();
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    centreOnDesktop();
}

void TForm1::centreOnDesktop()
{
    if (const QScreen* s = screen()) {
        const QRect desk = s->availableGeometry();
        const QSize frame = frameGeometry().size();
        move(desk.x() + (desk.width() - frame.width()) / 2, desk.y() + (desk.height() - frame.height()) / 2);
    }
}

void TForm1::setMark(QAction* item, bool on)
{
    if (!item)
        return;
    if (!item->isCheckable())
        item->setCheckable(true);
    item->setChecked(on);
}

void TForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        requestRefresh();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    // The input line would take Ctrl+Z (its own undo) before the window's
    // shortcut items see it; the shortcut items win.
    if (watched == Edit1 && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* a : {N3, N15, N36}) {
            if (a && a->shortcut() == pressed) {
                event->ignore();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- DialogueHost -------------------------------------------------------

bool TForm1::cpu_cpu_mode() const
{
    return Cpu31->isChecked();
}

std::string TForm1::input_text() const
{
    return qstring_to_cp1251(Edit1->text());
}

std::string TForm1::previous_line() const
{
    return RichEdit1->line(RichEdit1->lineCount() - 2);
}

std::string TForm1::exchange_path() const
{
    if (form2_ && form2_->Edit1)
        return qstring_to_cp1251(form2_->Edit1->text());
    return tarsel::files::kExchangeRead;
}

void TForm1::play(tarsel::Cue cue)
{
    cues_.play(cue);
}

void TForm1::add_user_line(const std::string& shown_phrase)
{
    RichEdit1->setCurrentColor(ColorDialog2.Color);
    RichEdit1->setCurrentFont(FontDialog1.Font);
    RichEdit1->addLine(shown_phrase);
}

void TForm1::add_reply_line(const std::string& reply)
{
    RichEdit1->setCurrentColor(ColorDialog3.Color);
    RichEdit1->setCurrentFont(FontDialog2.Font);
    RichEdit1->addLine(reply);
}

void TForm1::add_idle_remark(const std::string& remark)
{
    RichEdit1->setCurrentColor(ColorDialog1.Color);
    RichEdit1->addLine(remark);
}

void TForm1::clear_input()
{
    Edit1->clear();
}

void TForm1::start_farewell()
{
    if (!Timer4->isActive())
        Timer4->start();
}
