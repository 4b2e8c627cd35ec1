// The main window: start-up load, the state refresh, the shortcut items, the
// Say turn on screen, failing turns, idle remarks and the close box.
#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "aux_windows/sound_cues.h"
#include "engine/keyword_scan.h"
#include "engine/phrase.h"
#include "form1_test_support.h"
#include "main_window/dialogue_view.h"
#include "main_window/form1.h"

using tarsel::Cue;
using tarsel::test::cp;

namespace {

// One window on a fresh working directory.
struct Fixture : tarsel::test::WindowFixture {
    // Types the text key by key (any character, not only ASCII).
    void type(const QString& text)
    {
        for (const QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QCoreApplication::sendEvent(form->Edit1, &press);
            QCoreApplication::sendEvent(form->Edit1, &release);
        }
        settle();
    }
    QStringList viewLines() const
    {
        QStringList lines;
        for (int i = 0; i < form->RichEdit1->lineCount(); ++i)
            lines << form->RichEdit1->lineText(i);
        return lines;
    }
};

} // namespace

class Form1Test : public QObject {
    Q_OBJECT
private slots:
    void startupLoadFillsPanelsAndUnlocksInput();
    void failedStartupLoadIsReportedOnceAndLeavesInputLocked();
    void missingKnowledgeBaseAtCreationStillGivesAUsableWindow();
    void refreshFollowsInputLineViewAndMode();
    void sayTurnShowsBothLinesWithTheirAttributes_data();
    void sayTurnShowsBothLinesWithTheirAttributes();
    void shortcutItemsFireOnlyWhileTheyAndTheirMenuAreEnabled();
    void failingTurnLeavesInputAndViewUntouched();
    void idleRemarkComesWithinNinetyTicksInTheGeneralColour();
    void charactersOutsideTheCodePageReachTheViewAsQuestionMarks();
    void closeBoxStopsTimersWithoutWritingTheLog();
};

void Form1Test::startupLoadFillsPanelsAndUnlocksInput()
{
    Fixture f;
    f.create();
    TForm1& w = *f.form;
    QCOMPARE(w.windowTitle(), QStringLiteral("Разработчик: Тарсель. v1.901"));
    QCOMPARE(w.minimumSize(), w.maximumSize());  // the user cannot resize
    QCOMPARE(w.centralWidget()->size(), QSize(587, 361));

    // Before the first tick: editable empty line, all buttons off.
    QCOMPARE(w.panelText(0), QString());
    QCOMPARE(w.panelText(1), QString());
    QCOMPARE(w.panelText(2), QStringLiteral("Режим Cpu\\User"));
    QVERIFY(!w.Edit1->isReadOnly());
    QVERIFY(!w.SpeedButton1->isEnabled());
    QVERIFY(!w.SpeedButton2->isEnabled());
    QVERIFY(!w.SpeedButton3->isEnabled());
    QCOMPARE(w.RichEdit2.count(), std::size_t{3});  // FormCreate loaded the knowledge base

    // The timers that run from the start; Timer3 ends by itself.
    w.startTimers();
    QVERIFY(w.Timer2->isActive() && w.Timer3->isActive() && w.Timer7->isActive());
    QVERIFY(!w.Timer4->isActive() && !w.Timer6->isActive());
    QTRY_VERIFY(!w.Timer3->isActive());

    QCOMPARE(w.panelText(0), QStringLiteral("Загрузка окончена"));
    QCOMPARE(w.panelText(1), QStringLiteral("Загружено фраз выученных программой: 2"));
    QVERIFY(!w.Edit1->isReadOnly());
    QVERIFY(f.boxes.texts.isEmpty());
    // The load enables Say; the refresh that follows turns it off again
    // while the input line is empty.
    Fixture::settle();
    QVERIFY(!w.SpeedButton1->isEnabled());
}

void Form1Test::failedStartupLoadIsReportedOnceAndLeavesInputLocked()
{
    Fixture f;
    f.create();
    f.dir.remove("Base/Words.Dat");
    f.form->Timer3->start();  // alone: the window shake would unlock the line
    QTRY_VERIFY(!f.form->Timer3->isActive());
    QTest::qWait(30);  // room for a retry that must not come

    QCOMPARE(f.boxes.texts, QStringList{QStringLiteral("Cannot open file Base\\Words.Dat.")});
    QCOMPARE(f.boxes.titles, QStringList{QStringLiteral("Tarsel")});
    QCOMPARE(f.form->panelText(0), QStringLiteral("Идёт загрузка подождите..."));
    QCOMPARE(f.form->panelText(1), QString());
    QVERIFY(f.form->Edit1->isReadOnly());
    QVERIFY(!f.form->SpeedButton1->isEnabled());
}

void Form1Test::missingKnowledgeBaseAtCreationStillGivesAUsableWindow()
{
    Fixture f;
    f.dir.remove("Base/Words.Dat");
    f.create();
    QCOMPARE(f.boxes.texts, QStringList{QStringLiteral("Cannot open file Base\\Words.dat.")});
    QVERIFY(f.form->RichEdit2.empty());

    // The file is back by the start-up load: the program runs normally.
    f.dir.write("Base/Words.Dat", {"Tarsel knowledge base", "ПРИВЕТ^Здравствуй.;"});
    f.form->show();
    f.form->Timer3Timer();
    QCOMPARE(f.boxes.texts.size(), 1);
    QCOMPARE(f.form->panelText(0), QStringLiteral("Загрузка окончена"));
    f.type(QStringLiteral("привет"));
    QVERIFY(f.form->SpeedButton1->isEnabled());
    QTest::mouseClick(f.form->SpeedButton1, Qt::LeftButton);
    QCOMPARE(f.viewLines(), (QStringList{QStringLiteral("Привет."), QStringLiteral("Здравствуй.")}));
}

void Form1Test::refreshFollowsInputLineViewAndMode()
{
    Fixture f;
    f.start();
    TForm1& w = *f.form;
    auto inputStates = [&] {
        return QList<bool>{w.SpeedButton1->isEnabled(), w.SpeedButton3->isEnabled(), w.N3->isEnabled()};
    };
    auto viewStates = [&] { return QList<bool>{w.SpeedButton2->isEnabled(), w.N15->isEnabled()}; };
    const QList<bool> allOn{true, true, true}, allOff{false, false, false};

    QCOMPARE(inputStates(), allOff);
    QCOMPARE(viewStates(), (QList<bool>{false, false}));
    QVERIFY(w.N36->isEnabled());  // Ctrl+S is never switched off

    f.cues.played.clear();
    f.type(QStringLiteral("a"));
    QCOMPARE(inputStates(), allOn);
    QTest::keyClick(w.Edit1, Qt::Key_Backspace);
    Fixture::settle();
    QCOMPARE(inputStates(), allOff);
    // Every real change of the line clicks; setting the same text does not.
    w.Edit1->setText(QString());
    QCOMPARE(f.cues.played, (std::vector<Cue>{Cue::KeyClick, Cue::KeyClick}));

    w.RichEdit1->addLine("x");
    Fixture::settle();
    QCOMPARE(viewStates(), (QList<bool>{true, true}));
    w.RichEdit1->deleteLine(0);
    Fixture::settle();
    QCOMPARE(viewStates(), (QList<bool>{false, false}));

    // The mode switches the exchange poll on and off; a running poll keeps
    // its countdown through later refreshes.
    w.Cpu31->setChecked(true);
    Fixture::settle();
    QVERIFY(w.Timer6->isActive());
    QTest::qWait(60);
    w.RichEdit1->addLine("y");
    w.setRefreshActive(false);
    w.setRefreshActive(true);
    Fixture::settle();
    QVERIFY(w.Timer6->isActive());
    QVERIFY(w.Timer6->remainingTime() <= 3000 - 50);
    w.Cpu31->setChecked(false);
    Fixture::settle();
    QVERIFY(!w.Timer6->isActive());

    // While the refresh is off nothing follows; switching it on catches up.
    w.setRefreshActive(false);
    w.Edit1->setText(QStringLiteral("b"));
    Fixture::settle();
    QCOMPARE(inputStates(), allOff);
    w.setRefreshActive(true);
    Fixture::settle();
    QCOMPARE(inputStates(), allOn);

    // The input line takes the focus back from the dialogue view.
    w.RichEdit1->setFocus();
    Fixture::settle();
    QVERIFY(w.Edit1->hasFocus());
}

void Form1Test::sayTurnShowsBothLinesWithTheirAttributes_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("button") << "button";
    QTest::newRow("Insert key") << "insert";
    QTest::newRow("N3 item") << "N3";
}

void Form1Test::sayTurnShowsBothLinesWithTheirAttributes()
{
    QFETCH(QString, how);
    Fixture f;
    f.start();
    TForm1& w = *f.form;
    w.ColorDialog1.Color = Qt::green;
    w.ColorDialog2.Color = Qt::red;
    w.ColorDialog3.Color = Qt::blue;
    w.FontDialog1.Font.setBold(true);
    w.FontDialog1.Font.setPointSize(12);
    w.FontDialog2.Font.setItalic(true);

    f.type(QStringLiteral("привет"));
    f.cues.played.clear();
    if (how == "button")
        QTest::mouseClick(w.SpeedButton1, Qt::LeftButton);
    else if (how == "insert")
        QTest::keyClick(w.Edit1, Qt::Key_Insert);
    else
        w.N3->trigger();
    Fixture::settle();

    QCOMPARE(f.viewLines(), (QStringList{QStringLiteral("Привет."), QStringLiteral("Здравствуй.")}));
    QCOMPARE(w.RichEdit1->lineColor(0), QColor(Qt::red));
    QCOMPARE(w.RichEdit1->lineColor(1), QColor(Qt::blue));
    const QFont user = w.RichEdit1->lineFont(0), bot = w.RichEdit1->lineFont(1);
    QVERIFY(user.bold() && !user.italic());
    QCOMPARE(user.pointSize(), 12);
    QVERIFY(bot.italic() && !bot.bold());
    QCOMPARE(bot.pointSize(), 8);

    const auto& transcript = w.dialogue().transcript().lines();
    QCOMPARE(transcript.size(), std::size_t{2});
    QCOMPARE(transcript[0], cp("USER:     Привет."));
    QCOMPARE(transcript[1], cp("CPU:     Здравствуй."));
    QCOMPARE(w.dialogue().state().last_reply_shown, cp("Здравствуй."));

    QCOMPARE(f.cues.played, (std::vector<Cue>{Cue::UserLine, Cue::BotReply, Cue::KeyClick}));
    QCOMPARE(w.Edit1->text(), QString());
    QVERIFY(!w.SpeedButton1->isEnabled());
    QVERIFY(w.SpeedButton2->isEnabled());
    QVERIFY(f.boxes.texts.isEmpty());
}

void Form1Test::shortcutItemsFireOnlyWhileTheyAndTheirMenuAreEnabled()
{
    Fixture f;
    f.start();
    TForm1& w = *f.form;
    // Empty input line: Insert does nothing.
    QTest::keyClick(w.Edit1, Qt::Key_Insert);
    QCOMPARE(w.RichEdit1->lineCount(), 0);

    f.type(QStringLiteral("привет"));
    // The "&Система" menu switched off takes Insert with it.
    w.N1->setEnabled(false);
    QTest::keyClick(w.Edit1, Qt::Key_Insert);
    w.N3->trigger();
    QCOMPARE(w.RichEdit1->lineCount(), 0);
    w.N1->setEnabled(true);

    // The shortcut presses the button even while the button is disabled.
    w.SpeedButton1->setEnabled(false);
    w.N3Click();
    QCOMPARE(w.RichEdit1->lineCount(), 2);
    Fixture::settle();

    // The input line's own undo does not swallow Ctrl+Z or Ctrl+S: the
    // window's items see them (their commands are tested elsewhere).
    bool undoSeen = false, layoutSeen = false;
    connect(w.N15, &QAction::triggered, &w, [&] { undoSeen = true; });
    connect(w.N36, &QAction::triggered, &w, [&] { layoutSeen = true; });
    QTest::keyClick(w.Edit1, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(w.Edit1, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(undoSeen);
    QVERIFY(layoutSeen);
}

void Form1Test::failingTurnLeavesInputAndViewUntouched()
{
    Fixture f;
    f.start();
    TForm1& w = *f.form;
    // A statement that is neither rude nor on a topic and not in the
    // knowledge base goes to the statement pool, which is missing.
    const std::string upper = tarsel::to_upper(cp("ыыы"));
    QVERIFY(!tarsel::list_scan(w.dialogue().exchange_buffer(), upper));
    QVERIFY(!tarsel::list_scan(w.dialogue().topics(), upper));
    f.dir.remove("Base/W2.Dat");

    f.type(QStringLiteral("ыыы"));
    w.dialogue().state().idle_ticks = 17;
    f.cues.played.clear();
    QTest::mouseClick(w.SpeedButton1, Qt::LeftButton);

    QCOMPARE(f.boxes.texts, QStringList{QStringLiteral("Cannot open file Base\\W2.Dat.")});
    QCOMPARE(w.Edit1->text(), QStringLiteral("ыыы"));
    QCOMPARE(w.RichEdit1->lineCount(), 0);
    QVERIFY(w.dialogue().transcript().empty());
    QVERIFY(f.cues.played.empty());
    QCOMPARE(w.dialogue().state().idle_ticks, 17);
    QVERIFY(w.dialogue().state().reply_text.empty());
}

void Form1Test::idleRemarkComesWithinNinetyTicksInTheGeneralColour()
{
    Fixture f;
    f.start();
    TForm1& w = *f.form;
    w.ColorDialog1.Color = Qt::darkGreen;
    w.ColorDialog3.Color = Qt::blue;  // the reply colour must not be used
    f.cues.played.clear();

    for (int tick = 1; tick <= 59; ++tick)
        w.Timer2Timer();
    QCOMPARE(w.RichEdit1->lineCount(), 0);
    QVERIFY(f.cues.played.empty());
    for (int tick = 60; tick <= 90; ++tick)
        w.Timer2Timer();

    // Exactly one remark: after it the count starts again from 0.
    QCOMPARE(f.viewLines(), QStringList{QStringLiteral("Что молчишь?")});
    QCOMPARE(w.RichEdit1->lineColor(0), QColor(Qt::darkGreen));
    QCOMPARE(f.cues.played, std::vector<Cue>{Cue::BotReply});
    QVERIFY(w.dialogue().transcript().empty());
    QVERIFY(f.boxes.texts.isEmpty());

    // Without the pool every tick from the threshold on reports the error,
    // as the count is not reset. A real box runs an event loop in which the
    // timer keeps ticking: a tick inside an open box adds no second box.
    f.dir.remove(QStringLiteral("Base/Pause.Dat"));
    qsizetype boxesWhileFirstOpen = -1;
    tarsel::gui::set_message_box_hook([&](const QString& title, const QString& text) {
        f.boxes.titles.push_back(title);
        f.boxes.texts.push_back(text);
        if (boxesWhileFirstOpen == -1) {
            boxesWhileFirstOpen = 0;
            w.Timer2Timer();
            boxesWhileFirstOpen = f.boxes.texts.size();
        }
    });
    for (int tick = 1; tick <= 90; ++tick)
        w.Timer2Timer();
    QCOMPARE(boxesWhileFirstOpen, qsizetype{1});
    QCOMPARE(f.boxes.texts.front(), QStringLiteral("Cannot open file Base\\Pause.Dat."));
    const qsizetype reported = f.boxes.texts.size();
    w.Timer2Timer();
    QCOMPARE(f.boxes.texts.size(), reported + 1);
    QCOMPARE(w.RichEdit1->lineCount(), 1);
}

void Form1Test::charactersOutsideTheCodePageReachTheViewAsQuestionMarks()
{
    Fixture f;
    f.start();
    f.type(QStringLiteral("☺привет€"));  // "€" is in the code page, "☺" is not
    QTest::mouseClick(f.form->SpeedButton1, Qt::LeftButton);
    QCOMPARE(f.form->RichEdit1->lineText(0), QStringLiteral("?привет€."));
    QCOMPARE(f.form->dialogue().transcript().line(0), cp("USER:     ?привет€."));
}

void Form1Test::closeBoxStopsTimersWithoutWritingTheLog()
{
    Fixture f;
    f.start();
    TForm1& w = *f.form;
    w.startTimers();
    f.type(QStringLiteral("привет"));
    QTest::mouseClick(w.SpeedButton1, Qt::LeftButton);
    const QByteArray logBefore = f.dir.read("Base/Log.Tarsel");

    QVERIFY(w.close());
    for (QTimer* t : {w.Timer2, w.Timer3, w.Timer4, w.Timer6, w.Timer7})
        QVERIFY2(!t->isActive(), qPrintable(t->objectName()));
    QCOMPARE(f.dir.read("Base/Log.Tarsel"), logBefore);
}

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
