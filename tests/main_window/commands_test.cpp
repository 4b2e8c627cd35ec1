// Dialogue commands of the main window: new dialogue, undo, exit with the
// conversation log, window shake, farewell close and the layout converter.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <csignal>
#include <memory>

#include <sys/resource.h>

#include "aux_windows/sound_cues.h"
#include "engine/line_list.h"
#include "form1_test_support.h"
#include "main_window/dialogue_view.h"
#include "main_window/form1.h"
#include "main_window/log_clock.h"

using tarsel::Cue;
using tarsel::test::cp;

namespace {

const QString kLogPath = QStringLiteral("Base/Log.Tarsel");

// One shown, active window on a fresh working directory, after its start-up load.
struct Fixture : tarsel::test::WindowFixture {
    // Puts the phrase into the input line as typed text and presses Say.
    void say(const QString& phrase)
    {
        form->Edit1->insert(phrase);
        settle();
        form->SpeedButton1Click();
        settle();
    }
    int played(Cue cue) const { return static_cast<int>(std::count(cues.played.begin(), cues.played.end(), cue)); }

    QStringList viewLines() const
    {
        QStringList lines;
        for (int i = 0; i < form->RichEdit1->lineCount(); ++i)
            lines << form->RichEdit1->lineText(i);
        return lines;
    }
    QStringList transcript() const { return utf8(form->dialogue().transcript()); }
    static QStringList logLines()
    {
        tarsel::LineList log;
        log.load_rich("Base\\Log.Tarsel");
        return utf8(log);
    }
    static QStringList utf8(const tarsel::LineList& list)
    {
        QStringList out;
        for (const std::string& l : list.lines())
            out << QString::fromStdString(tarsel::cp1251_to_utf8(l));
        return out;
    }
};

// The date lines that an exit made between `before` and `after` may show,
// one for every second in between.
QStringList dateLineCandidates(const QDateTime& before, const QDateTime& after)
{
    const QLocale locale = QLocale::system();
    QStringList out;
    for (QDateTime t = before.addMSecs(-before.time().msec()); t <= after; t = t.addSecs(1)) {
        out << QString(22, QLatin1Char(' ')) + QStringLiteral("Дата - ") +
                   locale.toString(t.date(), QLocale::ShortFormat) + QStringLiteral("   |   Время -") +
                   locale.toString(t.time(), tarsel::gui::log_time_format(locale));
    }
    return out;
}

// One log block with its date line left out (checked on its own).
QStringList blockWithoutDate(int learned, const QStringList& transcript)
{
    QStringList block{QString(), QString(80, QLatin1Char('-')),
                      QString(22, QLatin1Char(' ')) + QString(30, QLatin1Char('_')),
                      QString(22, QLatin1Char(' ')) + QString(30, QLatin1Char('~')),
                      QStringLiteral("//Загружено фраз выученных программой: %1").arg(learned)};
    block << transcript << QString(53, QLatin1Char('='));
    return block;
}

// Runs the exit and checks the block it appended at the end of the log.
void exitAndCheckBlock(Fixture& f, const QStringList& logBefore, int learned, const QStringList& transcript)
{
    QSignalSpy exited(f.form.get(), &TForm1::exited);
    const QDateTime before = QDateTime::currentDateTime();
    f.form->N4Click();
    const QDateTime after = QDateTime::currentDateTime();

    QVERIFY(f.boxes.texts.isEmpty());
    QCOMPARE(exited.count(), 1);
    QVERIFY(!f.form->isVisible());
    QVERIFY(f.dir.read(kLogPath).startsWith("{\\rtf"));

    QStringList log = Fixture::logLines();
    QCOMPARE(log.size(), logBefore.size() + 7 + transcript.size());
    QCOMPARE(log.mid(0, logBefore.size()), logBefore);
    QStringList block = log.mid(logBefore.size());
    const QString dateLine = block.takeAt(3);
    QVERIFY2(dateLineCandidates(before, after).contains(dateLine), qPrintable(dateLine));
    QCOMPARE(block, blockWithoutDate(learned, transcript));
}

// Lowers the largest file this process may write, so that a write fails
// even for root; the signal that would end the process is ignored.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool ok() const { return ok_; }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
    bool ok_ = false;
};

enum class ExitFault { LogMissing, LogIsFolder, WordsMissing, LogNotWritable };

} // namespace

Q_DECLARE_METATYPE(ExitFault)

class CommandsTest : public QObject {
    Q_OBJECT
private slots:
    void logTimeFormatDropsOnlyTheZone_data();
    void logTimeFormatDropsOnlyTheZone();
    void exitAppendsOneBlockPerRun();
    void failedExitIsReportedAndKeepsTheWindow_data();
    void failedExitIsReportedAndKeepsTheWindow();
    void newDialogueClearsViewTranscriptAndInputOnly();
    void undoTakesOneLineFromViewAndTranscript();
    void shakeRequestsDoNotRestartAWaitingShake();
    void shakeJumpsAboutAndEndsCentredAndUnlocked();
    void farewellCloseShrinksSoundsAndExitsAtTick80();
    void farewellWhoseExitFailsEndsAndALaterFarewellExits();
    void layoutConverter_data();
    void layoutConverter();
    void ctrlSConvertsWhateverTheButtonState();
    void bothWaysOutEndTheMessageLoop_data();
    void bothWaysOutEndTheMessageLoop();
};

void CommandsTest::logTimeFormatDropsOnlyTheZone_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no zone") << "HH:mm:ss" << "HH:mm:ss";
    QTest::newRow("zone at the end") << "HH:mm:ss t" << "HH:mm:ss";
    QTest::newRow("long zone name") << "h:mm:ss AP tttt" << "h:mm:ss AP";
    QTest::newRow("zone first") << "t HH:mm:ss" << "HH:mm:ss";
    QTest::newRow("zone between") << "HH:mm t ss" << "HH:mm ss";
    QTest::newRow("quoted t kept") << "H 'h' mm 'min at' ss 's' t" << "H 'h' mm 'min at' ss 's'";
    QTest::newRow("escaped quote") << "HH''mm''ss t" << "HH''mm''ss";
}

void CommandsTest::logTimeFormatDropsOnlyTheZone()
{
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(tarsel::gui::without_time_zone(format), expected);
}

void CommandsTest::exitAppendsOneBlockPerRun()
{
    Fixture f;
    QCOMPARE(f.dir.read(kLogPath), QByteArray());  // a 0-byte log to start with

    // First run: exit right after start, empty transcript.
    f.start();
    exitAndCheckBlock(f, {}, 2, {});
    QVERIFY(!QTest::currentTestFailed());
    QCOMPARE(Fixture::logLines().first(), QString());  // begins with the block's empty line

    // Second run on the same Base: one turn, and the knowledge base has
    // grown by the time of the exit.
    const QStringList firstRun = Fixture::logLines();
    f.start();
    f.say(QStringLiteral("привет"));
    f.dir.write("Base/Words.Dat", {"Tarsel knowledge base", "ПРИВЕТ^Здравствуй.;", "КАК ДЕЛА?^Хорошо.;",
                                   "ПОКА^До встречи.;", "ЧТО?^Ничего.;"});
    exitAndCheckBlock(f, firstRun, 4, {QStringLiteral("USER:     Привет."), QStringLiteral("CPU:     Здравствуй.")});
    QVERIFY(!QTest::currentTestFailed());
}

void CommandsTest::failedExitIsReportedAndKeepsTheWindow_data()
{
    QTest::addColumn<ExitFault>("fault");
    QTest::addColumn<QString>("box");
    QTest::newRow("log missing") << ExitFault::LogMissing << "Cannot open file Base\\Log.Tarsel.";
    QTest::newRow("log is a folder") << ExitFault::LogIsFolder << "Cannot open file Base\\Log.Tarsel.";
    QTest::newRow("knowledge base missing") << ExitFault::WordsMissing << "Cannot open file Base\\Words.dat.";
    QTest::newRow("log cannot be written") << ExitFault::LogNotWritable << "Cannot create file Base\\Log.Tarsel.";
}

void CommandsTest::failedExitIsReportedAndKeepsTheWindow()
{
    QFETCH(ExitFault, fault);
    QFETCH(QString, box);
    Fixture f;
    f.start();
    f.say(QStringLiteral("привет"));
    f.dir.write(kLogPath, {"Old line"});
    switch (fault) {
    case ExitFault::LogMissing:
        f.dir.remove(kLogPath);
        break;
    case ExitFault::LogIsFolder:
        f.dir.remove(kLogPath);
        QVERIFY(QDir().mkdir(kLogPath));
        break;
    case ExitFault::WordsMissing:
        f.dir.remove("Base/Words.Dat");
        break;
    case ExitFault::LogNotWritable:
        break;
    }
    const QByteArray logBefore = f.dir.read(kLogPath);
    QSignalSpy exited(f.form.get(), &TForm1::exited);

    if (fault == ExitFault::LogNotWritable) {
        const FileSizeLimit limit(16);  // far below any written log
        QVERIFY(limit.ok());
        f.form->N4Click();
    } else {
        f.form->N4Click();
    }

    QCOMPARE(f.boxes.texts, QStringList{box});
    QCOMPARE(f.boxes.titles, QStringList{QStringLiteral("Tarsel")});
    QCOMPARE(exited.count(), 0);
    QVERIFY(f.form->isVisible());
    QCOMPARE(f.dir.read(kLogPath), logBefore);
    // The dialogue is still there for a later exit.
    QCOMPARE(f.transcript().size(), 2);
    QCOMPARE(f.viewLines().size(), 2);
}

void CommandsTest::newDialogueClearsViewTranscriptAndInputOnly()
{
    Fixture f;
    f.start();
    TForm1& w = *f.form;
    f.say(QStringLiteral("привет"));
    w.Edit1->insert(QStringLiteral("ещё"));
    const tarsel::DialogueState state = w.dialogue().state();
    QVERIFY(!state.last_reply.empty());
    w.Timer7->stop();
    f.cues.played.clear();

    w.N2->trigger();

    QVERIFY(f.viewLines().isEmpty());
    QVERIFY(f.transcript().isEmpty());
    QCOMPARE(w.Edit1->text(), QString());
    QCOMPARE(f.cues.played, std::vector<Cue>{Cue::KeyClick});  // the input line's change
    QVERIFY(w.Timer7->isActive());
    // What the bot knows stays: the next turn still learns from its last reply.
    const tarsel::DialogueState& now = w.dialogue().state();
    QCOMPARE(now.current_phrase, state.current_phrase);
    QCOMPARE(now.last_reply, state.last_reply);
    QCOMPARE(now.last_reply_shown, state.last_reply_shown);
    QCOMPARE(now.reply_text, state.reply_text);
    QCOMPARE(now.idle_ticks, state.idle_ticks);

    // An input line that is already empty makes no click.
    f.cues.played.clear();
    w.N2Click();
    QVERIFY(f.cues.played.empty());
    QVERIFY(f.boxes.texts.isEmpty());
}

void CommandsTest::undoTakesOneLineFromViewAndTranscript()
{
    Fixture f;
    f.start();
    TForm1& w = *f.form;
    const QString p = QStringLiteral("Привет."), z = QStringLiteral("Здравствуй."),
                  remark = QStringLiteral("Что молчишь?"), notice = QStringLiteral("Сервис:   // Режим"),
                  k = QStringLiteral("Как дела?"), h = QStringLiteral("Хорошо.");
    const QString up = QStringLiteral("USER:     Привет."), cz = QStringLiteral("CPU:     Здравствуй."),
                  uk = QStringLiteral("USER:     Как дела?"), ch = QStringLiteral("CPU:     Хорошо.");
    f.say(QStringLiteral("привет"));
    // Lines that enter the view alone: an idle remark and a mode notice.
    w.RichEdit1->addLine(cp("Что молчишь?"));
    w.RichEdit1->addLine(cp("Сервис:   // Режим"));
    f.say(QStringLiteral("как дела?"));
    QCOMPARE(f.viewLines(), (QStringList{p, z, remark, notice, k, h}));
    QCOMPARE(f.transcript(), (QStringList{up, cz, uk, ch}));

    const struct {
        QStringList view, transcript;
    } steps[] = {
        {{p, z, remark, notice, k}, {up, cz, uk}},
        {{p, z, remark, notice}, {up, cz}},
        {{p, z, remark}, {up}},  // a view-only line takes a transcript line with it
        {{p, z}, {}},
        {{p}, {}},
        {{}, {}},
        {{}, {}},  // nothing left: nothing changes
    };
    for (const auto& step : steps) {
        w.Timer7->stop();
        w.SpeedButton2Click();
        QCOMPARE(f.viewLines(), step.view);
        QCOMPARE(f.transcript(), step.transcript);
        QVERIFY(w.Timer7->isActive());  // each undo asks for a shake
    }
    QVERIFY(f.boxes.texts.isEmpty());
}

void CommandsTest::shakeRequestsDoNotRestartAWaitingShake()
{
    Fixture f;
    f.start();
    TForm1& w = *f.form;
    w.Timer7->setTimerType(Qt::PreciseTimer);
    w.Timer7->setInterval(10000);
    w.Timer7->start();
    QTest::qWait(60);
    w.N2Click();
    w.SpeedButton2Click();
    QVERIFY(w.Timer7->isActive());
    QVERIFY(w.Timer7->remainingTime() <= 10000 - 50);
}

void CommandsTest::shakeJumpsAboutAndEndsCentredAndUnlocked()
{
    Fixture f;
    f.start();
    TForm1& w = *f.form;
    w.move(300, 200);
    Fixture::settle();
    f.cues.played.clear();

    // Records every position the window takes during the shake together
    // with the lock state at that moment.
    struct Jump {
        QPoint pos;
        bool locked;
    };
    std::vector<Jump> jumps;
    struct Recorder : QObject {
        TForm1* w;
        std::vector<Jump>* jumps;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Move) {
                const bool locked = w->Edit1->isReadOnly() && !w->N1->isEnabled() && !w->N5->isEnabled() &&
                                    !w->N11->isEnabled() && !w->N1->menuAction()->isEnabled();
                jumps->push_back({w->pos(), locked});
            }
            return false;
        }
    } recorder;
    recorder.w = &w;
    recorder.jumps = &jumps;
    w.installEventFilter(&recorder);
    w.Timer7->start();
    w.Timer7Timer();
    w.removeEventFilter(&recorder);

    QCOMPARE(f.cues.played, std::vector<Cue>{Cue::Shake});
    QVERIFY(!w.Timer7->isActive());
    QVERIFY(!w.Edit1->isReadOnly());
    for (QMenu* menu : {w.N1, w.N5, w.N11}) {
        QVERIFY(menu->isEnabled());
        QVERIFY(menu->menuAction()->isEnabled());
    }
    const QRect desk = w.screen()->availableGeometry();
    const QRect frame = w.frameGeometry();
    QVERIFY2(std::abs(frame.center().x() - desk.center().x()) <= 1 &&
                 std::abs(frame.center().y() - desk.center().y()) <= 1,
             qPrintable(QStringLiteral("frame %1,%2").arg(frame.x()).arg(frame.y())));

    // The jumps (all but the final centring) stay in the square from
    // (95, 95) to (105, 105) while input and menus are locked; only the very
    // first sets the top edge while the left edge is still where it was. A
    // move to the spot the window already holds sends no event, so not every
    // one of the 125..250 moves shows.
    QVERIFY2(jumps.size() >= 60, qPrintable(QString::number(jumps.size())));
    QCOMPARE(jumps.front().pos.x(), 300);
    for (std::size_t i = 0; i + 1 < jumps.size(); ++i) {
        const QPoint p = jumps[i].pos;
        QVERIFY2((i == 0 || (p.x() >= 95 && p.x() <= 105)) && p.y() >= 95 && p.y() <= 105,
                 qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        QVERIFY(jumps[i].locked);
    }
    QCOMPARE(jumps.back().pos, w.pos());
}

void CommandsTest::farewellCloseShrinksSoundsAndExitsAtTick80()
{
    Fixture f;
    f.start();
    TForm1& w = *f.form;
    f.say(QStringLiteral("привет"));
    const QPoint pos0 = w.pos();
    const QSize size0 = w.size();
    const QByteArray logBefore = f.dir.read(kLogPath);
    QSignalSpy exited(&w, &TForm1::exited);
    w.Timer4->start();
    f.cues.played.clear();

    for (int tick = 1; tick <= 79; ++tick) {
        w.Timer4Timer();
        QCOMPARE(w.Tag, tick);
        QCOMPARE(f.played(Cue::Close), std::max(0, tick - 9));  // silent for nine ticks
        if (tick <= 30) {
            QCOMPARE(w.pos(), pos0 - QPoint(3 * tick, 2 * tick));
            QCOMPARE(w.size(), QSize(size0.width() - 10 * tick, size0.height() - 8 * tick));
        }
    }
    // Shrunk to the floor, and still a fixed size.
    QCOMPARE(w.size(), QSize(112, 27));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(w.isVisible());
    QVERIFY(w.Timer4->isActive());
    QCOMPARE(f.dir.read(kLogPath), logBefore);
    QCOMPARE(exited.count(), 0);

    w.Timer4Timer();
    QCOMPARE(w.Tag, 80);
    QCOMPARE(f.played(Cue::Close), 71);
    QCOMPARE(f.cues.played.size(), std::size_t{71});
    QCOMPARE(exited.count(), 1);
    QVERIFY(!w.isVisible());
    QVERIFY(!w.Timer4->isActive());
    const QStringList log = Fixture::logLines();
    QCOMPARE(log.mid(log.size() - 3),
             (QStringList{QStringLiteral("USER:     Привет."), QStringLiteral("CPU:     Здравствуй."),
                          QString(53, QLatin1Char('='))}));
    QVERIFY(f.boxes.texts.isEmpty());
}

void CommandsTest::farewellWhoseExitFailsEndsAndALaterFarewellExits()
{
    Fixture f;
    f.start();
    TForm1& w = *f.form;
    f.dir.remove(kLogPath);
    // A real box runs an event loop of its own, in which a timer still on
    // would tick again: keep the first box open for a while.
    tarsel::gui::set_message_box_hook([&f](const QString& title, const QString& text) {
        f.boxes.titles.push_back(title);
        f.boxes.texts.push_back(text);
        if (f.boxes.texts.size() == 1)
            QTest::qWait(20);
    });
    w.Timer4->start();
    for (int tick = 1; tick <= 80; ++tick)
        w.Timer4Timer();

    QCOMPARE(f.boxes.texts, QStringList{QStringLiteral("Cannot open file Base\\Log.Tarsel.")});
    QCOMPARE(w.Tag, 80);
    QVERIFY(!w.Timer4->isActive());
    QVERIFY(w.isVisible());
    QCOMPARE(w.size(), QSize(112, 27));
    QTest::qWait(20);  // the timer is really off: no further ticks
    QCOMPARE(w.Tag, 80);
    QCOMPARE(f.boxes.texts.size(), 1);

    // The log is back; a later farewell exits at its first tick.
    f.dir.write(kLogPath, {});
    f.say(QStringLiteral("пока"));
    QVERIFY(w.Timer4->isActive());
    QSignalSpy exited(&w, &TForm1::exited);
    w.Timer4Timer();
    QCOMPARE(w.Tag, 81);
    QCOMPARE(exited.count(), 1);
    QVERIFY(!w.isVisible());
    QVERIFY(!w.Timer4->isActive());
    QCOMPARE(Fixture::logLines().size(), 7 + 2);
    QCOMPARE(f.boxes.texts.size(), 1);
}

void CommandsTest::layoutConverter_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("once");
    QTest::addColumn<QString>("twice");
    QTest::newRow("letters") << "ghbdtn" << "привет" << "привет";
    QTest::newRow("capitals, ! kept") << "Ghbdtn!" << "Привет!" << "Привет!";
    QTest::newRow("letter keys, all") << "qwertyuiopasdfghjklzxcvbnmQWERTYUIOPASDFGHJKLZXCVBNM"
                                      << "йцукенгшщзфывапролдячсмитьЙЦУКЕНГШЩЗФЫВАПРОЛДЯЧСМИТЬ"
                                      << "йцукенгшщзфывапролдячсмитьЙЦУКЕНГШЩЗФЫВАПРОЛДЯЧСМИТЬ";
    QTest::newRow("other keys") << "`~[{]};:\"<>/#&\\" << "ёЁхХъЪжЖЭбю.№?\\" << "ёЁхХъЪжЖЭбю.№?\\";
    QTest::newRow("bar, twice") << "|" << "/" << ".";
    QTest::newRow("at sign, twice") << "@" << "\"" << "Э";
    QTest::newRow("dollar, twice") << "$" << ";" << "ж";
    QTest::newRow("circumflex, twice") << "^" << ":" << "Ж";
    QTest::newRow("kept characters") << ",.'?!%*()-_=+0123456789 " << ",.'?!%*()-_=+0123456789 "
                                     << ",.'?!%*()-_=+0123456789 ";
    QTest::newRow("Cyrillic line") << "Привет, как дела?" << "Привет, как дела?" << "Привет, как дела?";
    QTest::newRow("outside the code page") << "☺ghbdtn" << "☺привет" << "☺привет";
    QTest::newRow("empty line") << "" << "" << "";
}

void CommandsTest::layoutConverter()
{
    QFETCH(QString, input);
    QFETCH(QString, once);
    QFETCH(QString, twice);
    Fixture f;
    f.start();
    TForm1& w = *f.form;
    w.Edit1->setText(input);

    QString before = input;
    for (const QString& expected : {once, twice}) {
        f.cues.played.clear();
        w.SpeedButton3Click();
        QCOMPARE(w.Edit1->text(), expected);
        // The sound comes first and always; the key click only for a change.
        std::vector<Cue> cues{Cue::Layout};
        if (expected != before)
            cues.push_back(Cue::KeyClick);
        QCOMPARE(f.cues.played, cues);
        before = expected;
    }
    QVERIFY(f.boxes.texts.isEmpty());
}

void CommandsTest::ctrlSConvertsWhateverTheButtonState()
{
    Fixture f;
    f.start();
    TForm1& w = *f.form;
    QVERIFY(!w.SpeedButton3->isEnabled());  // empty line
    f.cues.played.clear();
    QTest::keyClick(w.Edit1, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(f.cues.played, std::vector<Cue>{Cue::Layout});
    QCOMPARE(w.Edit1->text(), QString());

    QTest::keyClicks(w.Edit1, QStringLiteral("ghbdtn"));
    Fixture::settle();
    w.SpeedButton3->setEnabled(false);
    f.cues.played.clear();
    QTest::keyClick(w.Edit1, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(w.Edit1->text(), QStringLiteral("привет"));
    QCOMPARE(f.cues.played, (std::vector<Cue>{Cue::Layout, Cue::KeyClick}));
}

void CommandsTest::bothWaysOutEndTheMessageLoop_data()
{
    QTest::addColumn<bool>("exitCommand");
    QTest::newRow("exit command") << true;
    QTest::newRow("close box") << false;
}

void CommandsTest::bothWaysOutEndTheMessageLoop()
{
    QFETCH(bool, exitCommand);
    Fixture f;
    f.start();
    f.say(QStringLiteral("привет"));
    const QByteArray logBefore = f.dir.read(kLogPath);
    TForm1* w = f.form.get();
    QTimer::singleShot(0, w, [w, exitCommand] { exitCommand ? w->N4Click() : w->closeWindow(); });
    // A loop that the window's closing does not end fails after a while.
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    guard.start(5000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!w->isVisible());
    // Only the exit command writes the log.
    QCOMPARE(f.dir.read(kLogPath) != logBefore, exitCommand);
    QVERIFY(f.boxes.texts.isEmpty());
}

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"
