// About window "О программе": the version banner over a credits picture and,
// below the first 151 pixels, the history text of "ReadMe.Txt". The window's
// height (frame included) switches the history between hidden (179) and
// shown (327).
#include "aux_windows/form3.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "engine/cp1251.h"
#include "engine/line_list.h"
#include "main_window/error_box.h"
#include "main_window/form1.h"

static void initAuxWindowsResources()
{
    // The pictures live in the static GUI library: register them explicitly.
    Q_INIT_RESOURCE(aux_windows);
}

namespace {

constexpr int kClientWidth = 377;
constexpr int kHistoryHidden = 179;
constexpr int kHistoryShown = 327;
// Title bar and frame at design: 179 - 152.
constexpr int kDesignFrameHeight = 27;

void setColor(QWidget* w, QPalette::ColorRole role, const QColor& color)
{
    QPalette p = w->palette();
    p.setColor(role, color);
    w->setPalette(p);
}

} // namespace

TForm3::TForm3(TForm1* mainForm, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint), mainForm_(mainForm)
{
    initAuxWindowsResources();
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("О программе"));
    setColor(this, QPalette::Window, Qt::black);
    setAutoFillBackground(true);

    TabControl1 = new QFrame(this);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    TabControl1->setFrameShape(QFrame::Panel);
    TabControl1->setFrameShadow(QFrame::Raised);
    TabControl1->setGeometry(0, 0, 377, 153);

    Bevel1 = new QFrame(TabControl1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(3, 5, 371, 145);

    SpeedButton1 = new QToolButton(TabControl1);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setGeometry(4, 6, 369, 142);
    // The banner is drawn centred with its leading spaces, which push the
    // version to the right of the picture.
    SpeedButton1->setText(QStringLiteral("                          ВЕРСИЯ: 1.9.0.1"));
    QFont banner(QStringLiteral("Arial Black"));
    banner.setStyleHint(QFont::SansSerif);
    banner.setPixelSize(19);
    banner.setBold(true);
    SpeedButton1->setFont(banner);
    setColor(SpeedButton1, QPalette::ButtonText, Qt::yellow);
    setColor(SpeedButton1, QPalette::Button, Qt::black);
    setColor(SpeedButton1, QPalette::Window, Qt::black);

    // The picture and the history button lie on top of the banner.
    QRImage1 = new QLabel(TabControl1);
    QRImage1->setObjectName(QStringLiteral("QRImage1"));
    QRImage1->setGeometry(7, 8, 178, 137);
    QRImage1->setFrameShape(QFrame::NoFrame);
    QRImage1->setScaledContents(true);
    QRImage1->setPixmap(QPixmap(QStringLiteral(":/aux_windows/credits.png")));

    Button1 = new QPushButton(QStringLiteral("История"), TabControl1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(190, 120, 179, 25);

    TabControl2 = new QFrame(this);
    TabControl2->setObjectName(QStringLiteral("TabControl2"));
    TabControl2->setFrameShape(QFrame::Panel);
    TabControl2->setFrameShadow(QFrame::Raised);
    TabControl2->setGeometry(1, 151, 376, 148);

    Memo1 = new QPlainTextEdit(TabControl2);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(3, 4, 370, 140);
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont courier(QStringLiteral("Courier New"));
    courier.setStyleHint(QFont::Monospace);
    courier.setPointSize(8);
    Memo1->setFont(courier);
    setColor(Memo1, QPalette::Base, QColor(192, 192, 192));

    connect(SpeedButton1, &QToolButton::clicked, this, &TForm3::SpeedButton1Click);
    connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);

    setWindowHeight(kHistoryHidden);
    // Centred on the desktop; the window keeps its place afterwards.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

int TForm3::windowHeight() const
{
    return height_;
}

void TForm3::setWindowHeight(int height)
{
    height_ = height;
    // Title bar and frame as the window system draws them, once it has; the
    // design's when it has not (hidden, or a platform without decorations).
    int frame = isVisible() ? frameGeometry().height() - geometry().height() : 0;
    if (frame <= 0)
        frame = kDesignFrameHeight;
    setFixedSize(kClientWidth, std::max(0, height - frame));
}

void TForm3::SpeedButton1Click()
{
    if (mainForm_) {
        mainForm_->setRefreshActive(true);
        mainForm_->setEnabled(true);
    }
    hide();
}

void TForm3::Button1Click()
{
    tarsel::gui::guarded(this, [this] {
        tarsel::LineList history;
        history.load_plain("ReadMe.Txt");
        QStringList lines;
        lines.reserve(static_cast<qsizetype>(history.count()));
        for (const std::string& line : history.lines())
            lines.append(QString::fromStdString(tarsel::cp1251_to_utf8(line)));
        Memo1->setPlainText(lines.join(QLatin1Char('\n')));

        int height = height_ + 1;
        if (height == kHistoryHidden + 1)
            height = kHistoryShown;
        if (height == kHistoryShown + 1)
            height = kHistoryHidden;
        setWindowHeight(height);
    });
}

void TForm3::closeEvent(QCloseEvent* event)
{
    // The frame's close box closes like the banner: the main window must not
    // stay disabled behind a hidden window.
    if (isVisible())
        SpeedButton1Click();
    event->accept();
}

void TForm3::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The frame is known only once the window system has decorated the
    // window: fit the client area to the logical height again then.
    setWindowHeight(height_);
    QTimer::singleShot(0, this, [this] {
        if (isVisible())
            setWindowHeight(height_);
    });
}
