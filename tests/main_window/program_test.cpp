// The program's start: with all six sound files the main window shows and the
// auxiliary windows stay hidden; a missing or broken sound file stops the
// start with the "Application Error" box before any window is shown.
#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "aux_windows/form2.h"
#include "aux_windows/form3.h"
#include "main_window/form1.h"
#include "main_window/program.h"
#include "form1_test_support.h"

using tarsel::test::BoxRecorder;
using tarsel::test::WorkDir;

namespace {

const char* const kSounds[] = {"KeyBoard.wav", "Button1.wav", "Button2.wav",
                               "Button3.wav", "CpuSound.wav", "Close.wav"};

void copySounds()
{
    QVERIFY(QDir().mkpath(QStringLiteral("Sound")));
    for (const char* name : kSounds) {
        const QString from = QStringLiteral(TARSEL_DATA_DIR "/Sound/") + QLatin1String(name);
        const QString to = QStringLiteral("Sound/") + QLatin1String(name);
        QVERIFY2(QFile::copy(from, to), qPrintable(from));
    }
}

bool anyWindowVisible()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            return true;
    return false;
}

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void startsWithTheMainWindowShown()
    {
        WorkDir dir;
        copySounds();
        BoxRecorder boxes;
        const auto program = tarsel::gui::Program::start();
        QVERIFY(program);
        QVERIFY(boxes.texts.isEmpty());
        TForm1& form1 = program->form1();
        QVERIFY(form1.isVisible());
        QVERIFY(form1.Form2() && !form1.Form2()->isVisible());
        QVERIFY(form1.Form3() && !form1.Form3()->isVisible());
        QVERIFY(form1.Timer2->isActive());
    }

    void brokenSoundFileStopsTheStart_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");  // empty: the file is missing
        QTest::addColumn<QString>("message");

        QTest::newRow("missing") << "KeyBoard.wav" << QByteArray()
                                 << "Cannot open file Sound\\KeyBoard.wav.";
        QTest::newRow("not a wave file") << "Button2.wav" << QByteArray("just some text\r\n")
                                         << "Sound\\Button2.wav: ";
        QFile good(QStringLiteral(TARSEL_DATA_DIR "/Sound/Close.wav"));
        QVERIFY(good.open(QIODevice::ReadOnly));
        QTest::newRow("truncated") << "Close.wav" << good.readAll().left(200)
                                   << "Sound\\Close.wav: ";
    }

    void brokenSoundFileStopsTheStart()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);

        WorkDir dir;
        copySounds();
        const QString path = QStringLiteral("Sound/") + file;
        QVERIFY(QFile::remove(path));
        if (!content.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }

        BoxRecorder boxes;
        const auto program = tarsel::gui::Program::start();
        QVERIFY(!program);
        QVERIFY(!anyWindowVisible());
        QCOMPARE(boxes.titles, QStringList{QStringLiteral("Application Error")});
        // "Exception %s in module %s at %p.\n%s%s"
        static const QRegularExpression pattern(
            QStringLiteral("^Exception SoundOpenError in module \\S+ at [0-9A-Fa-f]{8,16}\\.\\n(.*)$"),
            QRegularExpression::DotMatchesEverythingOption);
        const auto match = pattern.match(boxes.texts.value(0));
        QVERIFY2(match.hasMatch(), qPrintable(boxes.texts.value(0)));
        QVERIFY2(match.captured(1).startsWith(message), qPrintable(match.captured(1)));
        QVERIFY(match.captured(1).endsWith(QLatin1Char('.')));
    }
};

QTEST_MAIN(ProgramTest)
#include "program_test.moc"
