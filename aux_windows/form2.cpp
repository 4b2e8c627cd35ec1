// Exchange settings window "Редактор". The main window reads the two fields
// live: the path at each exchange write, the interval at each poll. Nothing
// here copies, saves or restores a value.
#include "aux_windows/form2.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>

#include "engine/random.h"
#include "main_window/form1.h"

namespace {

const QString kDefaultPath = QStringLiteral("D:\\Txt.Dat");
constexpr int kDefaultInterval = 1000;

// Background of both fields: the system's highlighted-text colour.
void useHighlightedTextBackground(QWidget* field)
{
    QPalette p = field->palette();
    p.setColor(QPalette::Base, p.color(QPalette::HighlightedText));
    field->setPalette(p);
}

bool holdsFocus(const QWidget* window, QWidget* field)
{
    const QWidget* current = window->focusWidget();
    return field->hasFocus() || current == field || (current && field->isAncestorOf(current));
}

} // namespace

TForm2::TForm2(TForm1* mainForm, tarsel::Random& random, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint), mainForm_(mainForm), random_(random)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Редактор"));
    setFixedSize(305, 105);
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(0, 1, 305, 104);

    GroupBox1 = new QGroupBox(QStringLiteral("Путь файла:"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 185, 57);
    Edit1 = new QLineEdit(kDefaultPath, GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(8, 24, 169, 21);
    useHighlightedTextBackground(Edit1);

    GroupBox2 = new QGroupBox(QStringLiteral("Интервал (сек.):"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(200, 8, 97, 57);
    SpinEdit1 = new QSpinBox(GroupBox2);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setGeometry(8, 24, 81, 22);
    SpinEdit1->setRange(1, 60000);
    SpinEdit1->setSingleStep(1);
    SpinEdit1->setValue(kDefaultInterval);
    // A number typed out of range is brought into it when the field loses the focus.
    SpinEdit1->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    useHighlightedTextBackground(SpinEdit1);

    Button1 = new QPushButton(QStringLiteral("Хорошо"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(72, 72, 75, 25);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(157, 72, 75, 25);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(2000);

    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
    connect(Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);
    // Only the user's edits count: typing, deleting, pasting, the arrows.
    connect(Edit1, &QLineEdit::textEdited, this, &TForm2::Edit1Change);
    connect(SpinEdit1, &QSpinBox::valueChanged, this, &TForm2::SpinEdit1Change);
    connect(SpinEdit1, &QSpinBox::textChanged, this, &TForm2::SpinEdit1Change);

    // Centred on the desktop; the window keeps its place afterwards.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TForm2::resetFields()
{
    resetting_ = true;
    Edit1->setText(kDefaultPath);
    SpinEdit1->setValue(kDefaultInterval);
    resetting_ = false;
}

void TForm2::Button1Click()
{
    if (mainForm_)
        mainForm_->setRefreshActive(true);
    Timer1->stop();
    if (mainForm_)
        mainForm_->setEnabled(true);
    hide();
}

void TForm2::Button2Click()
{
    Timer1->stop();
    if (mainForm_) {
        mainForm_->setRefreshActive(true);
        mainForm_->setEnabled(true);
    }
    hide();
}

void TForm2::Timer1Timer()
{
    random_.reseed();
    const std::uint32_t n = random_.draw(6) + 1;
    QWidget* field = (n % 2 == 1) ? static_cast<QWidget*>(Edit1) : static_cast<QWidget*>(SpinEdit1);
    if (holdsFocus(this, field))
        return;
    field->setFocus(Qt::OtherFocusReason);
    // The whole text is selected, so the next key typed replaces it.
    if (field == Edit1)
        Edit1->selectAll();
    else
        SpinEdit1->selectAll();
}

void TForm2::Edit1Change()
{
    if (!resetting_ && mainForm_ && mainForm_->N13)
        mainForm_->N13->setChecked(false);
}

void TForm2::SpinEdit1Change()
{
    if (!resetting_ && mainForm_ && mainForm_->N13)
        mainForm_->N13->setChecked(false);
}

void TForm2::closeEvent(QCloseEvent* event)
{
    // The frame's close box closes like "Хорошо": the main window must not
    // stay disabled behind a hidden window.
    if (isVisible())
        Button1Click();
    event->accept();
}
