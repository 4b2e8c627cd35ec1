// The Cpu\User and Cpu\Cpu modes, the exchange poll and the exchange
// settings window.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>
#include <algorithm>

#include "aux_test_support.h"
#include "engine/phrase.h"
#include "engine/random.h"
#include "main_window/dialogue_view.h"

using auxtest::cp;
using auxtest::Harness;

namespace {

const QColor kTeal(0, 128, 128);
const QString kUserNotice = QStringLiteral("Сервис:   // Режим диалога Cpu\\User.");
const QString kCpuNotice = QStringLiteral("Сервис:   // Режим диалога Cpu\\Cpu.");

QStringList viewLines(const DialogueView& view)
{
    QStringList lines;
    for (int i = 0; i < view.lineCount(); ++i)
        lines << view.lineText(i);
    return lines;
}

// The text editor inside a spin box.
QLineEdit* editorOf(QSpinBox& spin)
{
    return spin.findChild<QLineEdit*>();
}

} // namespace

class ExchangeModeTest : public QObject {
    Q_OBJECT
private slots:
    void modeSwitchesAddTheirNoticesInTeal();
    void pollingFollowsTheModeAtTheNextRefresh();
    void pollTakesItsIntervalFromTheField();
    void intervalFieldText_data();
    void intervalFieldText();
    void pollsRunInRealTime();
    void multiLineFileBecomesOnePhrase();
    void replyIsWrittenToThePathField();
    void missingFileReportsAndKeepsTheInterval();
    void pollPausesWhileItsErrorBoxIsOpen();
    void settingsWindowCloses_data();
    void settingsWindowCloses();
    void cancelledPathStillCounts();
    void resetMarkFollowsUserEditsOnly();
    void focusTimerMovesTheFocus();
};

void ExchangeModeTest::modeSwitchesAddTheirNoticesInTeal()
{
    Harness h;
    DialogueView& view = *h.form1->RichEdit1;

    // The mode in force is no reason to skip the notice.
    h.form1->CpuUser1Click();
    h.form1->CpuUser1Click();
    QCOMPARE(viewLines(view), (QStringList{kUserNotice, QString(), kUserNotice, QString()}));
    QCOMPARE(h.form1->panelText(2), QStringLiteral("Режим Cpu\\User"));
    QVERIFY(h.form1->CpuUser1->isChecked());
    QVERIFY(!h.form1->Cpu31->isChecked());

    h.form1->Cpu31Click();
    QCOMPARE(view.lineCount(), 5);
    QCOMPARE(view.lineText(4), kCpuNotice);  // no empty line after it
    QCOMPARE(h.form1->panelText(2), QStringLiteral("Режим Cpu\\Cpu"));
    QVERIFY(!h.form1->CpuUser1->isChecked());
    QVERIFY(h.form1->Cpu31->isChecked());

    for (int i = 0; i < view.lineCount(); ++i)
        QCOMPARE(view.lineColor(i), kTeal);
    QCOMPARE(view.currentColor(), kTeal);
    // The notices are not part of the conversation.
    QCOMPARE(h.form1->dialogue().transcript().count(), std::size_t{0});

    // From the menu, as the user chooses it.
    h.form1->CpuUser1->trigger();
    QCOMPARE(view.lineText(5), kUserNotice);
    QVERIFY(h.form1->CpuUser1->isChecked());
    QVERIFY(!h.form1->Cpu31->isChecked());
}

void ExchangeModeTest::pollingFollowsTheModeAtTheNextRefresh()
{
    Harness h;
    QTimer& timer6 = *h.form1->Timer6;
    QVERIFY(!timer6.isActive());

    h.form1->Cpu31Click();
    QVERIFY(timer6.isActive());
    QCOMPARE(timer6.interval(), 3000);  // the first poll of a run comes after 3 s
    const int remaining = timer6.remainingTime();

    // Refreshes do not restart the countdown.
    h.form1->Timer1Timer();
    QVERIFY(timer6.remainingTime() <= remaining);

    h.form1->CpuUser1Click();
    QVERIFY(!timer6.isActive());

    // With the refresh stopped (a settings window open) the switch waits for it.
    h.form1->setRefreshActive(false);
    h.form1->Cpu31Click();
    QVERIFY(!timer6.isActive());
    h.form1->setRefreshActive(true);
    QTRY_VERIFY(timer6.isActive());
}

void ExchangeModeTest::pollTakesItsIntervalFromTheField()
{
    Harness h;
    auxtest::writeBytes(h.exchangeFile(), cp("как дела\r\n"));
    h.form1->Cpu31Click();
    QTimer& timer6 = *h.form1->Timer6;

    h.form1->Timer6Timer();
    QCOMPARE(timer6.interval(), 1000);
    QVERIFY(timer6.isActive());
    // The poll ran a Say turn on the file's text.
    QCOMPARE(h.form1->dialogue().state().current_phrase, cp("КАК ДЕЛА\r\n"));

    h.form2->SpinEdit1->setValue(2500);
    auxtest::writeBytes(h.exchangeFile(), cp("ещё\r\n"));
    h.form1->Timer6Timer();
    QCOMPARE(timer6.interval(), 2500);
    QVERIFY(h.boxes.empty());
}

void ExchangeModeTest::intervalFieldText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("interval");
    QTest::newRow("number") << QStringLiteral("1500") << 1500;
    QTest::newRow("lowest") << QStringLiteral("1") << 1;
    QTest::newRow("highest") << QStringLiteral("60000") << 60000;
    QTest::newRow("not a number") << QStringLiteral("abc") << 1;
    QTest::newRow("empty") << QString() << 1;
    QTest::newRow("zero") << QStringLiteral("0") << 1;
    QTest::newRow("negative") << QStringLiteral("-20") << 1;
    QTest::newRow("too large") << QStringLiteral("70000") << 60000;
}

void ExchangeModeTest::intervalFieldText()
{
    QFETCH(QString, typed);
    QFETCH(int, interval);
    Harness h;
    auxtest::writeBytes(h.exchangeFile(), cp("привет\r\n"));
    h.form1->Cpu31Click();
    // The text as it stands in the field, before the field corrects it.
    editorOf(*h.form2->SpinEdit1)->setText(typed);
    h.form1->Timer6Timer();
    QCOMPARE(h.form1->Timer6->interval(), interval);
}

void ExchangeModeTest::pollsRunInRealTime()
{
    Harness h;
    auxtest::writeBytes(h.exchangeFile(), cp("привет\r\n"));
    h.form2->SpinEdit1->setValue(1);
    h.form1->Cpu31Click();
    h.form1->Timer6->setInterval(1);  // instead of waiting for the first 3 s
    // Each poll answers the previous reply; three turns show that the timer
    // keeps polling the file the turns write.
    const auto turns = [&h] { return std::count(h.cues.played.begin(), h.cues.played.end(), tarsel::Cue::UserLine); };
    QTRY_VERIFY_WITH_TIMEOUT(turns() >= 3, 5000);
    QVERIFY(h.boxes.empty());
    h.form1->CpuUser1Click();
    QVERIFY(!h.form1->Timer6->isActive());
}

void ExchangeModeTest::multiLineFileBecomesOnePhrase()
{
    Harness h;
    // A lone LF, a lone CR and CR LF all end a line.
    auxtest::writeBytes(h.exchangeFile(), "first\nsecond\rthird\r\n");
    h.form1->Cpu31Click();
    h.form1->Edit1->setText(QStringLiteral("typed text is not the phrase"));

    h.form1->Timer6Timer();

    QVERIFY(h.boxes.empty());
    const tarsel::DialogueState& state = h.form1->dialogue().state();
    QCOMPARE(state.current_phrase, std::string("first\r\nsecond\r\nthird\r\n"));
    QVERIFY(!state.reply_text.empty());
    // The buffer now holds the reply only, and the input line was cleared.
    QCOMPARE(h.form1->dialogue().exchange_buffer().lines(), std::vector<std::string>{state.reply_text});
    QVERIFY(h.form1->Edit1->text().isEmpty());

    // Back in Cpu\User mode the buffer keeps the exchange text.
    h.form1->CpuUser1Click();
    QCOMPARE(h.form1->dialogue().exchange_buffer().lines(), std::vector<std::string>{state.reply_text});
}

void ExchangeModeTest::replyIsWrittenToThePathField()
{
    Harness h;
    auxtest::writeBytes(h.exchangeFile(), cp("как тебя зовут\r\n"));
    const std::filesystem::path out = h.root() / "peer" / "Reply.txt";
    std::filesystem::create_directories(out.parent_path());
    h.form2->Edit1->setText(QString::fromStdString(out.string()));
    h.form1->Cpu31Click();

    h.form1->Timer6Timer();

    QVERIFY(h.boxes.empty());
    const std::string reply = h.form1->dialogue().state().reply_text;
    QVERIFY(!reply.empty());
    QCOMPARE(auxtest::readBytes(out), reply + "\r\n");
    // Polling stays on the fixed read path.
    QCOMPARE(auxtest::readBytes(h.exchangeFile()), cp("как тебя зовут\r\n"));

    // With the default path the instance answers itself: the next poll
    // reads the reply it wrote.
    h.form2->resetFields();
    h.form1->Timer6Timer();
    const std::string second = h.form1->dialogue().state().reply_text;
    QCOMPARE(auxtest::readBytes(h.exchangeFile()), second + "\r\n");
    h.form1->Timer6Timer();
    QCOMPARE(h.form1->dialogue().state().current_phrase, tarsel::to_upper(second + "\r\n"));
}

void ExchangeModeTest::missingFileReportsAndKeepsTheInterval()
{
    Harness h;
    h.form1->Cpu31Click();
    const std::vector<std::string> buffer = h.form1->dialogue().exchange_buffer().lines();

    h.form1->Timer6Timer();
    h.form1->Timer6Timer();

    QCOMPARE(h.boxTexts(), (QStringList{QStringLiteral("Cannot open file D:\\Txt.Dat."),
                                        QStringLiteral("Cannot open file D:\\Txt.Dat.")}));
    QCOMPARE(h.boxes.front().title, QStringLiteral("Tarsel"));
    QCOMPARE(h.form1->Timer6->interval(), 3000);
    QVERIFY(h.form1->Timer6->isActive());
    // No Say turn ran, and the buffer kept what it held.
    QCOMPARE(h.form1->dialogue().transcript().count(), std::size_t{0});
    QVERIFY(h.cues.played.empty());
    QCOMPARE(h.form1->dialogue().exchange_buffer().lines(), buffer);
}

void ExchangeModeTest::pollPausesWhileItsErrorBoxIsOpen()
{
    Harness h;
    h.form1->Cpu31Click();
    // A real box runs an event loop in which Timer6 keeps ticking: tick from
    // inside the box, even after the file has appeared.
    int ticksInsideBox = 0;
    tarsel::gui::set_message_box_hook([&](const QString&, const QString& text) {
        h.boxes.push_back({QString(), text});
        if (ticksInsideBox++ == 0) {
            auxtest::writeBytes(h.exchangeFile(), cp("привет\r\n"));
            h.form1->Timer6Timer();
        }
    });

    h.form1->Timer6Timer();
    QCOMPARE(h.boxes.size(), std::size_t{1});
    QVERIFY(h.cues.played.empty());

    // Once the box is closed, polling goes on.
    h.form1->Timer6Timer();
    QCOMPARE(h.boxes.size(), std::size_t{1});
    QCOMPARE(h.form1->dialogue().state().current_phrase, cp("ПРИВЕТ\r\n"));
}

void ExchangeModeTest::settingsWindowCloses_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Хорошо") << QStringLiteral("ok");
    QTest::newRow("Отмена") << QStringLiteral("cancel");
    QTest::newRow("close box") << QStringLiteral("close");
}

void ExchangeModeTest::settingsWindowCloses()
{
    QFETCH(QString, how);
    Harness h;
    h.form1->show();

    h.form1->N38Click();
    QVERIFY(!h.form1->refreshActive());
    QVERIFY(!h.form1->isEnabled());
    QVERIFY(h.form2->isVisible());
    QVERIFY(h.form2->isEnabled());
    QVERIFY(h.form2->Edit1->isEnabled());
    QVERIFY(h.form2->Timer1->isActive());
    QCOMPARE(h.form2->Timer1->interval(), 2000);

    if (how == QLatin1String("ok"))
        QTest::mouseClick(h.form2->Button1, Qt::LeftButton);
    else if (how == QLatin1String("cancel"))
        QTest::mouseClick(h.form2->Button2, Qt::LeftButton);
    else
        QVERIFY(h.form2->close());

    QVERIFY(h.form1->refreshActive());
    QVERIFY(h.form1->isEnabled());
    QVERIFY(!h.form2->isVisible());
    QVERIFY(!h.form2->Timer1->isActive());
}

void ExchangeModeTest::cancelledPathStillCounts()
{
    Harness h;
    auxtest::writeBytes(h.exchangeFile(), cp("привет\r\n"));
    const std::filesystem::path out = h.root() / "Typed.Dat";
    h.form1->show();
    h.form1->N38Click();

    h.form2->Edit1->selectAll();
    QTest::keyClicks(h.form2->Edit1, QString::fromStdString(out.string()));
    QTest::mouseClick(h.form2->Button2, Qt::LeftButton);  // "Отмена" restores nothing

    QCOMPARE(h.form2->Edit1->text(), QString::fromStdString(out.string()));
    h.form1->Cpu31Click();
    h.form1->Timer6Timer();
    QVERIFY(h.boxes.empty());
    QCOMPARE(auxtest::readBytes(out), h.form1->dialogue().state().reply_text + "\r\n");
}

void ExchangeModeTest::resetMarkFollowsUserEditsOnly()
{
    Harness h;
    QAction& mark = *h.form1->N13;
    h.form2->Edit1->setText(QStringLiteral("/elsewhere/file.txt"));
    h.form2->SpinEdit1->setValue(77);
    mark.setChecked(true);

    // The reset's own writes leave the mark set.
    h.form2->resetFields();
    QCOMPARE(h.form2->Edit1->text(), QStringLiteral("D:\\Txt.Dat"));
    QCOMPARE(h.form2->SpinEdit1->value(), 1000);
    QVERIFY(mark.isChecked());

    h.form2->show();
    QTest::keyClick(h.form2->Edit1, Qt::Key_Backspace);
    QVERIFY(!mark.isChecked());

    mark.setChecked(true);
    QTest::keyClick(h.form2->SpinEdit1, Qt::Key_Up);  // the arrows count too
    QCOMPARE(h.form2->SpinEdit1->value(), 1001);
    QVERIFY(!mark.isChecked());
}

void ExchangeModeTest::focusTimerMovesTheFocus()
{
    Harness h;
    h.form2->show();
    h.form2->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.form2.get()));
    QSpinBox& spin = *h.form2->SpinEdit1;
    QLineEdit& path = *h.form2->Edit1;

    // Both fields are drawn over a run of clock values; the draw is the
    // program's generator reseeded from the same clock.
    bool sawPath = false;
    bool sawInterval = false;
    for (std::uint32_t ms = 1000; ms < 1040 && !(sawPath && sawInterval); ++ms) {
        h.clockMs = ms;
        tarsel::Random expected([ms] { return ms; });
        expected.reseed();
        const bool toPath = (expected.draw(6) + 1) % 2 == 1;

        // Start from the other field, with nothing selected.
        QWidget* other = toPath ? static_cast<QWidget*>(&spin) : static_cast<QWidget*>(&path);
        other->setFocus();
        path.deselect();
        editorOf(spin)->deselect();

        h.form2->Timer1Timer();
        if (toPath) {
            sawPath = true;
            QVERIFY(path.hasFocus());
            QCOMPARE(path.selectedText(), path.text());
        } else {
            sawInterval = true;
            QVERIFY(spin.hasFocus());
            QCOMPARE(editorOf(spin)->selectedText(), editorOf(spin)->text());
        }
    }
    QVERIFY(sawPath && sawInterval);

    // A field that already has the focus keeps it as it is: no new selection.
    for (std::uint32_t ms = 2000;; ++ms) {
        tarsel::Random expected([ms] { return ms; });
        expected.reseed();
        if ((expected.draw(6) + 1) % 2 == 1) {
            h.clockMs = ms;
            break;
        }
    }
    path.setFocus();
    path.setCursorPosition(2);
    path.deselect();
    h.form2->Timer1Timer();
    QVERIFY(path.hasFocus());
    QVERIFY(!path.hasSelectedText());
    QCOMPARE(path.cursorPosition(), 2);
}

QTEST_MAIN(ExchangeModeTest)
#include "exchange_mode_test.moc"
