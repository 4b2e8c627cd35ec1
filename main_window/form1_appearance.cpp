// Colours, fonts, the reset and the full-screen layout. Nothing here is
// saved: every run starts with the window's design values.
#include <QAction>
#include <QFrame>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QResizeEvent>
#include <QStatusBar>
#include <QToolButton>
#include <QVariant>

#include "aux_windows/form2.h"
#include "aux_windows/form3.h"
#include "main_window/dialogue_view.h"
#include "main_window/form1.h"

namespace {

const QColor kSilver(192, 192, 192);
const QColor kBlack(0, 0, 0);

// Where the window keeps its fixed size while the full-screen layout is in force.
constexpr const char* kNormalMinSize = "tarselNormalMinimumSize";
constexpr const char* kNormalMaxSize = "tarselNormalMaximumSize";

void setRoleColor(QWidget* widget, QPalette::ColorRole role, const QColor& color)
{
    QPalette p = widget->palette();
    p.setColor(role, color);
    widget->setPalette(p);
}

// Puts back the size limits a widget had before the full-screen layout.
void restoreSizeLimits(QWidget* widget)
{
    const QVariant minSize = widget->property(kNormalMinSize);
    const QVariant maxSize = widget->property(kNormalMaxSize);
    if (!minSize.isValid() || !maxSize.isValid())
        return;
    widget->setMinimumSize(minSize.toSize());
    widget->setMaximumSize(maxSize.toSize());
    widget->setProperty(kNormalMinSize, QVariant());
    widget->setProperty(kNormalMaxSize, QVariant());
}

// Keeps a bar along the bottom edge of its parent, full width, whatever
// size the parent takes.
class BottomEdge : public QObject {
public:
    BottomEdge(QWidget* parent, QWidget* bar) : QObject(parent), bar_(bar)
    {
        setObjectName(QStringLiteral("tarselBottomEdge"));
        parent->installEventFilter(this);
        place(parent->size());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize && bar_)
            place(static_cast<QResizeEvent*>(event)->size());
        return QObject::eventFilter(watched, event);
    }

private:
    void place(const QSize& area)
    {
        bar_->setGeometry(0, area.height() - bar_->height(), area.width(), bar_->height());
    }

    QPointer<QWidget> bar_;
};

void keepOnBottomEdge(QWidget* area, QWidget* bar)
{
    if (bar && !area->findChild<QObject*>(QStringLiteral("tarselBottomEdge"), Qt::FindDirectChildrenOnly))
        new BottomEdge(area, bar);
}

// The style of a font: weight, slant, underline and strike-out.
void copyStyle(QFont& to, const QFont& from)
{
    to.setWeight(from.weight());
    to.setItalic(from.italic());
    to.setUnderline(from.underline());
    to.setStrikeOut(from.strikeOut());
}

// One layout of the main window: the numbers that differ between the two.
struct Layout {
    int tab1Width, tab1Height;
    int viewWidth, viewHeight;
    int tab2Width, tab2Top;
    int sayLeft, layoutLeft, undoLeft;
    int inputWidth;
};

constexpr Layout kFullScreen{799, 507, 793, 499, 799, 507, 710, 667, 640, 635};
constexpr Layout kNormal{588, 313, 581, 305, 585, 312, 496, 453, 426, 422};

} // namespace

// ---- colours ---------------------------------------------------------------

void TForm1::N6Click()
{
    setMark(N13, false);
    if (ColorDialog1.Execute(this))
        setRoleColor(this, QPalette::Window, ColorDialog1.Color);
}

void TForm1::N21Click()
{
    setMark(N13, false);
    if (ColorDialog1.Execute(this))
        setRoleColor(RichEdit1, QPalette::Base, ColorDialog1.Color);
}

void TForm1::N16Click()
{
    setMark(N13, false);
    if (ColorDialog1.Execute(this))
        setRoleColor(Edit1, QPalette::Base, ColorDialog1.Color);
}

void TForm1::N9Click()
{
    setMark(N13, false);
    // Three independent pickers: a cancel skips only its own button.
    for (QToolButton* button : {SpeedButton1, SpeedButton2, SpeedButton3}) {
        if (ColorDialog1.Execute(this))
            setRoleColor(button, QPalette::ButtonText, ColorDialog1.Color);
    }
}

void TForm1::User1Click()
{
    setMark(N13, false);
    if (ColorDialog2.Execute(this))
        RichEdit1->setCurrentColor(ColorDialog2.Color);
}

void TForm1::Cpu1Click()
{
    setMark(N13, false);
    if (ColorDialog3.Execute(this))
        RichEdit1->setCurrentColor(ColorDialog3.Color);
}

void TForm1::Mystring2Click()
{
    setMark(N13, false);
    if (ColorDialog1.Execute(this))
        setRoleColor(Edit1, QPalette::Text, ColorDialog1.Color);
}

// ---- fonts -----------------------------------------------------------------

void TForm1::User2Click()
{
    setMark(N13, false);
    if (FontDialog1.Execute(this))
        RichEdit1->setCurrentFontName(FontDialog1.Font.family());
    // Confirmed or not, the size and style follow the stored font.
    RichEdit1->setCurrentFontSizeAndStyle(FontDialog1.Font);
}

void TForm1::Cpu2Click()
{
    setMark(N13, false);
    if (FontDialog2.Execute(this))
        RichEdit1->setCurrentFontName(FontDialog2.Font.family());
    RichEdit1->setCurrentFontSizeAndStyle(FontDialog2.Font);
}

void TForm1::Mystring1Click()
{
    setMark(N13, false);
    QFont font = Edit1->font();
    if (FontDialog3.Execute(this))
        font.setFamily(FontDialog3.Font.family());
    // Confirmed or not, the style follows the stored font; size and colour stay.
    copyStyle(font, FontDialog3.Font);
    Edit1->setFont(font);
}

// ---- reset -----------------------------------------------------------------

void TForm1::N13Click()
{
    setMark(N13, true);

    setRoleColor(this, QPalette::Window, kSilver);
    setRoleColor(RichEdit1, QPalette::Base, kSilver);
    setRoleColor(Edit1, QPalette::Base, kSilver);

    setRoleColor(Edit1, QPalette::Text, kBlack);

    // The style becomes bold and nothing else.
    QFont input = Edit1->font();
    input.setWeight(QFont::Bold);
    input.setItalic(false);
    input.setUnderline(false);
    input.setStrikeOut(false);
    Edit1->setFont(input);

    for (QToolButton* button : {SpeedButton1, SpeedButton2, SpeedButton3})
        setRoleColor(button, QPalette::ButtonText, kBlack);

    ColorDialog1.Color = kBlack;
    ColorDialog2.Color = kBlack;
    ColorDialog3.Color = kBlack;

    FontDialog1.Font = tarsel::gui::default_font();
    FontDialog2.Font = tarsel::gui::default_font();
    // The input line's picker gets the name and size back but keeps its style.
    QFont inputPicker = tarsel::gui::default_font();
    copyStyle(inputPicker, FontDialog3.Font);
    FontDialog3.Font = inputPicker;

    if (form2_)
        form2_->resetFields();
    if (form3_)
        form3_->setWindowHeight(179);
}

// ---- full screen -----------------------------------------------------------

bool TForm1::fullScreenLayout() const
{
    return N40 && N40->isChecked();
}

void TForm1::N40Click()
{
    applyLayout(!fullScreenLayout());
}

void TForm1::applyLayout(bool fullScreen)
{
    const Layout& l = fullScreen ? kFullScreen : kNormal;

    setMark(N40, fullScreen);
    if (fullScreen) {
        N40->setText(QStringLiteral("Normal"));
    } else {
        // The access key is gone from the first return on.
        N40->setText(QStringLiteral("Full Screen"));
    }

    QWidget* client = centralWidget();
    if (fullScreen) {
        // The window and its client area are fixed-size in the normal
        // layout; let them grow, and keep the status bar on the bottom edge.
        if (!property(kNormalMinSize).isValid()) {
            setProperty(kNormalMinSize, minimumSize());
            setProperty(kNormalMaxSize, maximumSize());
            if (client) {
                client->setProperty(kNormalMinSize, client->minimumSize());
                client->setProperty(kNormalMaxSize, client->maximumSize());
            }
        }
        if (client) {
            client->setMinimumSize(0, 0);
            client->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            keepOnBottomEdge(client, StatusBar1);
        }
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setWindowState((windowState() & ~(Qt::WindowMinimized | Qt::WindowFullScreen)) | Qt::WindowMaximized);
    } else {
        setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
        restoreSizeLimits(this);
        if (client)
            restoreSizeLimits(client);
    }

    TabControl1->resize(l.tab1Width, l.tab1Height);
    RichEdit1->resize(l.viewWidth, l.viewHeight);
    TabControl2->setGeometry(TabControl2->x(), l.tab2Top, l.tab2Width, TabControl2->height());
    SpeedButton1->move(l.sayLeft, SpeedButton1->y());
    SpeedButton3->move(l.layoutLeft, SpeedButton3->y());
    SpeedButton2->move(l.undoLeft, SpeedButton2->y());
    Edit1->resize(l.inputWidth, Edit1->height());
}
