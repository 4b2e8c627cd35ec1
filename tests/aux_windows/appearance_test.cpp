// Colours, fonts, the reset and the full-screen layout of the main window,
// and the pickers behind them.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QTimer>
#include <QFrame>
#include <QLineEdit>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>
#include <optional>
#include <vector>

#include "aux_test_support.h"
#include "main_window/dialogue_view.h"

using auxtest::Harness;
using tarsel::gui::ColorDialog;
using tarsel::gui::FontDialog;

namespace {

const QColor kSilver(192, 192, 192);
const QColor kBlack(0, 0, 0);
const QColor kPicked(200, 30, 60);

// One colour item: its handler, the dialog it opens and what a confirmed
// choice changes.
struct ColorItem {
    const char* name;
    void (TForm1::*handler)();
    ColorDialog TForm1::*dialog;
    QColor (*target)(TForm1&);
};

QColor windowBackground(TForm1& f) { return f.palette().color(QPalette::Window); }
QColor viewBackground(TForm1& f) { return f.RichEdit1->palette().color(QPalette::Base); }
QColor inputBackground(TForm1& f) { return f.Edit1->palette().color(QPalette::Base); }
QColor inputText(TForm1& f) { return f.Edit1->palette().color(QPalette::Text); }
QColor currentLineColor(TForm1& f) { return f.RichEdit1->currentColor(); }

const std::vector<ColorItem> kColorItems{
    {"N6 window background", &TForm1::N6Click, &TForm1::ColorDialog1, windowBackground},
    {"N21 view background", &TForm1::N21Click, &TForm1::ColorDialog1, viewBackground},
    {"N16 input background", &TForm1::N16Click, &TForm1::ColorDialog1, inputBackground},
    {"Mystring2 input text", &TForm1::Mystring2Click, &TForm1::ColorDialog1, inputText},
    {"User1 user lines", &TForm1::User1Click, &TForm1::ColorDialog2, currentLineColor},
    {"Cpu1 bot lines", &TForm1::Cpu1Click, &TForm1::ColorDialog3, currentLineColor},
};

QColor captionColor(const QToolButton* b) { return b->palette().color(QPalette::ButtonText); }

QFont font(const char* family, int points, bool bold, bool italic)
{
    QFont f(QString::fromLatin1(family));
    f.setPointSize(points);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

// Geometry of the controls that the two layouts move.
struct LayoutNumbers {
    QSize tab1, view;
    int tab2Width, tab2Top;
    int sayLeft, layoutLeft, undoLeft;
    int inputWidth;
};

void checkLayout(TForm1& f, const LayoutNumbers& n)
{
    QCOMPARE(f.TabControl1->size(), n.tab1);
    QCOMPARE(f.RichEdit1->size(), n.view);
    QCOMPARE(f.RichEdit1->pos(), QPoint(3, 5));
    QCOMPARE(f.TabControl2->geometry(), QRect(0, n.tab2Top, n.tab2Width, 30));
    QCOMPARE(f.SpeedButton1->geometry(), QRect(n.sayLeft, 5, 86, 22));
    QCOMPARE(f.SpeedButton3->geometry(), QRect(n.layoutLeft, 5, 43, 22));
    QCOMPARE(f.SpeedButton2->geometry(), QRect(n.undoLeft, 5, 27, 22));
    QCOMPARE(f.Edit1->geometry(), QRect(3, 5, n.inputWidth, 21));
}

} // namespace

class AppearanceTest : public QObject {
    Q_OBJECT
private slots:
    void colorItems_data();
    void colorItems();
    void buttonCaptionsAskThreeTimes();
    void lineFonts_data();
    void lineFonts();
    void inputLineFont();
    void fontPickerOffersNoEffectsAndKeepsItsLimits();
    void realPickersStartFromTheStoredValue();
    void resetRestoresEverything();
    void fullScreenTwice();
};

void AppearanceTest::colorItems_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<bool>("confirm");
    for (int i = 0; i < static_cast<int>(kColorItems.size()); ++i) {
        QTest::addRow("%s confirmed", kColorItems[i].name) << i << true;
        QTest::addRow("%s cancelled", kColorItems[i].name) << i << false;
    }
}

void AppearanceTest::colorItems()
{
    QFETCH(int, item);
    QFETCH(bool, confirm);
    const ColorItem& it = kColorItems[static_cast<std::size_t>(item)];
    Harness h;
    TForm1& f = *h.form1;
    ColorDialog& dialog = f.*(it.dialog);
    dialog.Color = QColor(10, 20, 30);
    const QColor before = it.target(f);

    std::optional<QColor> shown;
    ColorDialog::set_test_answer([&](const QColor& current) -> std::optional<QColor> {
        shown = current;
        return confirm ? std::optional<QColor>(kPicked) : std::nullopt;
    });
    (f.*(it.handler))();

    QCOMPARE(shown, std::optional<QColor>(QColor(10, 20, 30)));  // opens on its stored colour
    QVERIFY(!f.N13->isChecked());                                // cancelled or not
    QCOMPARE(dialog.Color, confirm ? kPicked : QColor(10, 20, 30));
    QCOMPARE(it.target(f), confirm ? kPicked : before);
}

void AppearanceTest::buttonCaptionsAskThreeTimes()
{
    Harness h;
    TForm1& f = *h.form1;
    const QColor sayBefore = captionColor(f.SpeedButton1);
    std::vector<std::optional<QColor>> answers{std::nullopt, QColor(Qt::green), QColor(Qt::blue)};
    std::vector<QColor> shown;
    ColorDialog::set_test_answer([&](const QColor& current) {
        shown.push_back(current);
        const std::optional<QColor> a = answers.front();
        answers.erase(answers.begin());
        return a;
    });

    f.N9Click();

    QVERIFY(answers.empty());
    QCOMPARE(shown, (std::vector<QColor>{kBlack, kBlack, QColor(Qt::green)}));
    QCOMPARE(captionColor(f.SpeedButton1), sayBefore);
    QCOMPARE(captionColor(f.SpeedButton2), QColor(Qt::green));
    QCOMPARE(captionColor(f.SpeedButton3), QColor(Qt::blue));
    QVERIFY(!f.N13->isChecked());
}

void AppearanceTest::lineFonts_data()
{
    QTest::addColumn<bool>("bot");
    QTest::addColumn<bool>("confirm");
    QTest::newRow("User2 confirmed") << false << true;
    QTest::newRow("User2 cancelled") << false << false;
    QTest::newRow("Cpu2 confirmed") << true << true;
    QTest::newRow("Cpu2 cancelled") << true << false;
}

void AppearanceTest::lineFonts()
{
    QFETCH(bool, bot);
    QFETCH(bool, confirm);
    Harness h;
    TForm1& f = *h.form1;
    FontDialog& dialog = bot ? f.FontDialog2 : f.FontDialog1;
    dialog.Font = font("DejaVu Sans", 12, false, true);
    f.RichEdit1->setCurrentFont(font("DejaVu Sans Mono", 9, false, false));
    const QString familyBefore = f.RichEdit1->currentFont().family();

    FontDialog::set_test_answer([&](const QFont&) -> std::optional<QFont> {
        if (!confirm)
            return std::nullopt;
        return font("DejaVu Serif", 14, true, false);
    });
    (f.*(bot ? &TForm1::Cpu2Click : &TForm1::User2Click))();

    QVERIFY(!f.N13->isChecked());
    const QFont current = f.RichEdit1->currentFont();
    // Confirmed or not, the size and style follow the stored font.
    QCOMPARE(current.pointSize(), dialog.Font.pointSize());
    QCOMPARE(current.bold(), dialog.Font.bold());
    QCOMPARE(current.italic(), dialog.Font.italic());
    if (confirm) {
        QCOMPARE(dialog.Font.family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(current.family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(current.pointSize(), 14);
        QVERIFY(current.bold());
    } else {
        QCOMPARE(dialog.Font.family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(current.family(), familyBefore);
        QCOMPARE(current.pointSize(), 12);
        QVERIFY(current.italic());
    }
}

void AppearanceTest::inputLineFont()
{
    Harness h;
    TForm1& f = *h.form1;
    const QFont before = f.Edit1->font();

    // The window's picker is limited to 8 from the start, not only by the item.
    FontDialog::set_test_answer(
        [](const QFont&) { return std::optional<QFont>(font("DejaVu Serif", 14, false, false)); });
    QVERIFY(f.FontDialog3.Execute(&f));
    QCOMPARE(f.FontDialog3.Font.pointSize(), 8);

    // Cancelled: only the style follows the stored font.
    f.FontDialog3.Font = font("DejaVu Serif", 8, true, true);
    FontDialog::set_test_answer([](const QFont&) { return std::optional<QFont>(); });
    f.Mystring1Click();
    QVERIFY(!f.N13->isChecked());
    QCOMPARE(f.Edit1->font().family(), before.family());
    QVERIFY(f.Edit1->font().bold());
    QVERIFY(f.Edit1->font().italic());

    // Confirmed: the name as well, but never the size (the picker offers 8 only).
    FontDialog::set_test_answer(
        [](const QFont&) { return std::optional<QFont>(font("DejaVu Sans Mono", 20, false, false)); });
    f.Mystring1Click();
    QCOMPARE(f.FontDialog3.Font.pointSize(), 8);
    QCOMPARE(f.Edit1->font().family(), QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(f.Edit1->font().pointSize(), before.pointSize());
    QVERIFY(!f.Edit1->font().bold());
    QVERIFY(!f.Edit1->font().italic());
}

void AppearanceTest::fontPickerOffersNoEffectsAndKeepsItsLimits()
{
    Harness h;  // clears the answers at its end
    FontDialog limited;
    limited.MinFontSize = 10;
    limited.MaxFontSize = 12;
    QFont answer = font("DejaVu Serif", 20, true, false);
    answer.setUnderline(true);
    answer.setStrikeOut(true);
    FontDialog::set_test_answer([&](const QFont&) { return std::optional<QFont>(answer); });

    QVERIFY(limited.Execute(nullptr));
    QCOMPARE(limited.Font.pointSize(), 12);
    QVERIFY(!limited.Font.underline());
    QVERIFY(!limited.Font.strikeOut());
    QVERIFY(limited.Font.bold());

    answer.setPointSize(6);
    QVERIFY(limited.Execute(nullptr));
    QCOMPARE(limited.Font.pointSize(), 10);

    FontDialog unlimited;
    answer.setPointSize(36);
    QVERIFY(unlimited.Execute(nullptr));
    QCOMPARE(unlimited.Font.pointSize(), 36);

    // Cancel keeps the stored font.
    FontDialog::set_test_answer([](const QFont&) { return std::optional<QFont>(); });
    QVERIFY(!unlimited.Execute(nullptr));
    QCOMPARE(unlimited.Font.pointSize(), 36);
}

void AppearanceTest::realPickersStartFromTheStoredValue()
{
    // The toolkit's own dialogs, answered as soon as they are up.
    ColorDialog colors;
    colors.Color = QColor(1, 2, 3);
    std::optional<QColor> opened;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!d)
            return;
        opened = d->currentColor();
        d->setCurrentColor(kPicked);
        d->accept();
    });
    QVERIFY(colors.Execute(nullptr));
    QCOMPARE(opened, std::optional<QColor>(QColor(1, 2, 3)));
    QCOMPARE(colors.Color, kPicked);

    FontDialog fonts;
    fonts.Font = font("DejaVu Serif", 11, true, false);
    const QFont stored = fonts.Font;
    bool effectsOffered = true;
    qsizetype effectBoxes = 0;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        if (!d)
            return;
        effectsOffered = false;
        effectBoxes = d->findChildren<QCheckBox*>().size();
        for (const QCheckBox* box : d->findChildren<QCheckBox*>())
            effectsOffered = effectsOffered || box->isVisible();
        d->setCurrentFont(font("DejaVu Sans", 20, false, false));
        d->reject();
    });
    QVERIFY(!fonts.Execute(nullptr));
    QVERIFY(effectBoxes > 0);
    QVERIFY(!effectsOffered);
    QCOMPARE(fonts.Font, stored);
}

void AppearanceTest::resetRestoresEverything()
{
    Harness h;
    TForm1& f = *h.form1;
    ColorDialog::set_test_answer([](const QColor&) { return std::optional<QColor>(kPicked); });
    FontDialog::set_test_answer(
        [](const QFont&) { return std::optional<QFont>(font("DejaVu Serif", 8, true, true)); });
    for (auto handler : {&TForm1::N6Click, &TForm1::N21Click, &TForm1::N16Click, &TForm1::N9Click,
                         &TForm1::Mystring2Click, &TForm1::User1Click, &TForm1::Cpu1Click,
                         &TForm1::User2Click, &TForm1::Cpu2Click, &TForm1::Mystring1Click})
        (f.*handler)();
    h.form2->Edit1->setText(QStringLiteral("/tmp/elsewhere"));
    h.form2->SpinEdit1->setValue(5);
    h.form3->setWindowHeight(327);
    const QString inputFamily = f.Edit1->font().family();
    QVERIFY(!f.N13->isChecked());

    f.N13->trigger();  // from the menu

    QVERIFY(f.N13->isChecked());
    QCOMPARE(windowBackground(f), kSilver);
    QCOMPARE(viewBackground(f), kSilver);
    QCOMPARE(inputBackground(f), kSilver);
    QCOMPARE(inputText(f), kBlack);
    QVERIFY(f.Edit1->font().bold());
    QVERIFY(!f.Edit1->font().italic());  // bold is the whole style
    QCOMPARE(f.Edit1->font().family(), inputFamily);  // the name stays
    for (const QToolButton* b : {f.SpeedButton1, f.SpeedButton2, f.SpeedButton3})
        QCOMPARE(captionColor(b), kBlack);
    for (const ColorDialog* d : {&f.ColorDialog1, &f.ColorDialog2, &f.ColorDialog3})
        QCOMPARE(d->Color, kBlack);
    const QFont design = tarsel::gui::default_font();
    for (const FontDialog* d : {&f.FontDialog1, &f.FontDialog2}) {
        QCOMPARE(d->Font.family(), design.family());
        QCOMPARE(d->Font.pointSize(), 8);
        QVERIFY(!d->Font.bold());
        QVERIFY(!d->Font.italic());
    }
    // The input line's picker keeps its style.
    QCOMPARE(f.FontDialog3.Font.family(), design.family());
    QCOMPARE(f.FontDialog3.Font.pointSize(), 8);
    QVERIFY(f.FontDialog3.Font.bold());
    QVERIFY(f.FontDialog3.Font.italic());
    QCOMPARE(h.form2->Edit1->text(), QStringLiteral("D:\\Txt.Dat"));
    QCOMPARE(h.form2->SpinEdit1->value(), 1000);
    QCOMPARE(h.form3->windowHeight(), 179);
    // Not touched: the view's current attributes.
    QCOMPARE(f.RichEdit1->currentColor(), kPicked);
    QCOMPARE(f.RichEdit1->currentFont().family(), QStringLiteral("DejaVu Serif"));
}

void AppearanceTest::fullScreenTwice()
{
    Harness h;
    TForm1& f = *h.form1;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    const LayoutNumbers normal{{588, 313}, {581, 305}, 585, 312, 496, 453, 426, 422};
    const LayoutNumbers full{{799, 507}, {793, 499}, 799, 507, 710, 667, 640, 635};
    const QSize designSize = f.size();
    QVERIFY(f.minimumSize() == f.maximumSize());
    checkLayout(f, normal);
    QVERIFY(!f.fullScreenLayout());
    QCOMPARE(f.N40->text(), QStringLiteral("&Full Screen"));

    f.N40->trigger();  // from the menu
    QVERIFY(f.fullScreenLayout());
    QVERIFY(f.N40->isChecked());
    QCOMPARE(f.N40->text(), QStringLiteral("Normal"));
    QVERIFY(f.windowState() & Qt::WindowMaximized);
    checkLayout(f, full);
    QTRY_VERIFY(f.width() > designSize.width());
    // The status bar follows the bottom edge of the grown window.
    QWidget* client = f.centralWidget();
    QTRY_COMPARE(f.StatusBar1->geometry().bottom(), client->height() - 1);

    f.N40->trigger();  // the item is checkable now
    QVERIFY(!f.fullScreenLayout());
    QCOMPARE(f.N40->text(), QStringLiteral("Full Screen"));  // no access key from now on
    QVERIFY(!(f.windowState() & Qt::WindowMaximized));
    checkLayout(f, normal);
    QTRY_COMPARE(f.size(), designSize);
    QCOMPARE(f.minimumSize(), designSize);
    QCOMPARE(f.maximumSize(), designSize);
    QCOMPARE(f.StatusBar1->geometry(), QRect(0, 342, 587, 19));

    f.N40Click();
    QCOMPARE(f.N40->text(), QStringLiteral("Normal"));
    checkLayout(f, full);
    f.N40Click();
    QCOMPARE(f.N40->text(), QStringLiteral("Full Screen"));
    checkLayout(f, normal);
    QVERIFY(f.N13->isChecked());  // the layout is no colour or font setting
}

QTEST_MAIN(AppearanceTest)
#include "appearance_test.moc"
