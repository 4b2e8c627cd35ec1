// The dialogue view as a line list: one centred paragraph per line, each
// keeping the attributes it was added with.
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include "form1_test_support.h"
#include "main_window/dialogue_view.h"

using tarsel::test::cp;

class DialogueViewTest : public QObject {
    Q_OBJECT
private slots:
    void addingSplitsAtEveryKindOfLineBreak_data();
    void addingSplitsAtEveryKindOfLineBreak();
    void linesKeepTheirAttributesAndAreCentred();
    void deletingAnyLineKeepsTheOthersAndTheirLook();
    void outOfRangeIsHarmless();
    void clearingEmptiesTheView();
};

void DialogueViewTest::addingSplitsAtEveryKindOfLineBreak_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty text is one empty line") << QByteArray("") << QStringList{QString()};
    QTest::newRow("CR LF") << QByteArray("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("lone CR and LF") << QByteArray("a\rb\nc") << QStringList{"a", "b", "c"};
    QTest::newRow("trailing break adds nothing") << QByteArray("a\r\n") << QStringList{"a"};
    QTest::newRow("empty piece inside") << QByteArray("a\r\n\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("Cyrillic bytes") << QByteArray(cp("Привет, мир!").c_str()) << QStringList{"Привет, мир!"};
}

void DialogueViewTest::addingSplitsAtEveryKindOfLineBreak()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, lines);
    DialogueView view;
    QSignalSpy changed(&view, &DialogueView::linesChanged);
    view.addLine("first");
    view.addLine(text.toStdString());
    QCOMPARE(changed.count(), 2);
    QCOMPARE(view.lineCount(), 1 + lines.size());
    QCOMPARE(view.document()->blockCount(), view.lineCount());
    for (int i = 0; i < lines.size(); ++i) {
        QCOMPARE(view.lineText(1 + i), lines[i]);
        QCOMPARE(view.line(1 + i), tarsel::utf8_to_cp1251(lines[i].toStdString()));
    }
}

void DialogueViewTest::linesKeepTheirAttributesAndAreCentred()
{
    DialogueView view;
    QCOMPARE(view.lineCount(), 0);
    view.setCurrentColor(Qt::red);
    QFont big = view.currentFont();
    big.setPointSize(14);
    big.setBold(true);
    view.setCurrentFont(big);
    view.addLine("");  // an empty first line counts and keeps its look
    view.setCurrentColor(Qt::blue);
    view.setCurrentFontName(QStringLiteral("DejaVu Serif"));
    view.addLine("two");

    QCOMPARE(view.lineCount(), 2);
    QCOMPARE(view.lineText(0), QString());
    QCOMPARE(view.lineColor(0), QColor(Qt::red));
    QCOMPARE(view.lineColor(1), QColor(Qt::blue));
    QVERIFY(view.lineFont(0).bold());
    QCOMPARE(view.lineFont(0).pointSize(), 14);
    QCOMPARE(view.lineFont(1).family(), QStringLiteral("DejaVu Serif"));
    QVERIFY(view.lineFont(1).bold());  // the name changed, size and style stayed
    for (QTextBlock b = view.document()->begin(); b.isValid(); b = b.next())
        QCOMPARE(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QVERIFY(view.isReadOnly());
}

void DialogueViewTest::deletingAnyLineKeepsTheOthersAndTheirLook()
{
    struct Case { int index; QStringList left; };
    const Case cases[] = {
        {2, {"a", ""}},  // the last line, as the undo removes it
        {1, {"a", "c"}},
        {0, {"", "c"}},  // the first: the next line keeps its colour
    };
    for (const Case& c : cases) {
        DialogueView view;
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
        const char* texts[] = {"a", "", "c"};
        for (int i = 0; i < 3; ++i) {
            view.setCurrentColor(colours[i]);
            view.addLine(texts[i]);
        }
        QSignalSpy changed(&view, &DialogueView::linesChanged);
        view.deleteLine(c.index);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(view.lineCount(), 2);
        QCOMPARE(view.document()->blockCount(), 2);
        QStringList left;
        QList<QColor> leftColours;
        for (int i = 0; i < view.lineCount(); ++i) {
            left << view.lineText(i);
            leftColours << view.lineColor(i);
        }
        QCOMPARE(left, c.left);
        QList<QColor> expected;
        for (int i = 0; i < 3; ++i)
            if (i != c.index)
                expected << colours[i];
        QCOMPARE(leftColours, expected);
        QCOMPARE(view.document()->begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);
    }
}

void DialogueViewTest::outOfRangeIsHarmless()
{
    DialogueView view;
    view.addLine("only");
    QSignalSpy changed(&view, &DialogueView::linesChanged);
    for (int i : {-1, 1, 5})
        view.deleteLine(i);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(view.lineCount(), 1);
    QCOMPARE(view.line(-1), std::string());
    QCOMPARE(view.line(1), std::string());
    // Deleting the only line leaves an empty view, and the next line added
    // is the first again.
    view.deleteLine(0);
    QCOMPARE(view.lineCount(), 0);
    view.addLine("new");
    QCOMPARE(view.lineCount(), 1);
    QCOMPARE(view.document()->blockCount(), 1);
}

void DialogueViewTest::clearingEmptiesTheView()
{
    DialogueView view;
    view.addLine("a\r\nb");
    QSignalSpy changed(&view, &DialogueView::linesChanged);
    view.clear();
    QCOMPARE(view.lineCount(), 0);
    QCOMPARE(changed.count(), 1);
    view.clearLines();  // already empty: no change
    QCOMPARE(changed.count(), 1);
    view.addLine("c");
    QCOMPARE(view.lineText(0), QStringLiteral("c"));
    QCOMPARE(view.lineCount(), 1);
}

QTEST_MAIN(DialogueViewTest)
#include "dialogue_view_test.moc"
