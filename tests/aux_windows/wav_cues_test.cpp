// The sound cues: opening the six files at start, and the rule that a cue
// still sounding is neither restarted nor doubled.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "aux_windows/wav_cues.h"
#include "engine/wav_header.h"

using namespace std::chrono_literals;
using tarsel::Cue;
using tarsel::gui::CueClock;
using tarsel::gui::CueGate;
using tarsel::gui::GatedCues;
using tarsel::gui::kCueFiles;
using tarsel::gui::open_sound_cues;
using tarsel::gui::SoundOpenError;

namespace {

const QString kShippedSounds = QStringLiteral(TARSEL_DATA_DIR "/Sound");

// "Sound\\KeyBoard.wav" -> "KeyBoard.wav"
QString file_name(const char* program_path)
{
    return QString::fromLatin1(program_path).section(QLatin1Char('\\'), -1);
}

QByteArray shipped(const char* program_path)
{
    QFile file(kShippedSounds + QLatin1Char('/') + file_name(program_path));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    return file.readAll();
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The message of the SoundOpenError that open_sound_cues() throws, or
// "opened" when it succeeds.
std::string open_result()
{
    try {
        auto cues = open_sound_cues();
        if (!cues)
            return "null";
        return "opened";
    } catch (const SoundOpenError& e) {
        return e.what();
    }
}

struct FakeClock {
    CueClock::time_point now{};
    void advance(std::chrono::milliseconds ms) { now += ms; }
};

} // namespace

class WavCuesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir work_;
    QString previous_dir_;

    // Fills Sound/ of the working directory with the shipped cues.
    void install_shipped()
    {
        QVERIFY(QDir(work_.path()).mkpath(QStringLiteral("Sound")));
        for (const char* name : kCueFiles)
            write(work_.path() + QStringLiteral("/Sound/") + file_name(name), shipped(name));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work_.isValid());
        previous_dir_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work_.path()));
    }

    void cleanupTestCase() { QDir::setCurrent(previous_dir_); }

    void init()
    {
        QVERIFY(QDir(work_.path() + QStringLiteral("/Sound")).removeRecursively());
        QVERIFY(QDir(work_.path() + QStringLiteral("/sound")).removeRecursively());
    }

    void shippedCuesAreShortPcmWaves()
    {
        for (const char* name : kCueFiles) {
            const QByteArray bytes = shipped(name);
            const auto parsed = tarsel::parse_wav(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
            QVERIFY2(parsed, (std::string(name) + ": " + parsed.error).c_str());
            QCOMPARE(parsed.header->bits_per_sample, 16);
            QCOMPARE(parsed.header->channels, 1);
            QVERIFY2(parsed.header->duration_ms >= 30 && parsed.header->duration_ms <= 400, name);
        }
    }

    // Also where there is no sound device: the cues are then silent.
    void opensTheShippedCuesAndPlaysThem()
    {
        install_shipped();
        std::unique_ptr<tarsel::gui::SoundCues> cues;
        try {
            cues = open_sound_cues();
        } catch (const SoundOpenError& e) {
            QFAIL(e.what());
        }
        QVERIFY(cues);
        for (Cue cue : {Cue::KeyClick, Cue::UserLine, Cue::Layout, Cue::Shake, Cue::BotReply, Cue::Close,
                        Cue::KeyClick})
            cues->play(cue);
        // The cues live in memory: removing the files changes nothing.
        QVERIFY(QDir(work_.path() + QStringLiteral("/Sound")).removeRecursively());
        cues->play(Cue::Close);
    }

    void findsFilesWhateverTheCaseOfTheirNames()
    {
        QVERIFY(QDir(work_.path()).mkpath(QStringLiteral("sound")));
        for (const char* name : kCueFiles)
            write(work_.path() + QStringLiteral("/sound/") + file_name(name).toLower(), shipped(name));
        QCOMPARE(open_result(), std::string("opened"));
    }

    void failsNamingTheFirstBadFile_data()
    {
        QTest::addColumn<QString>("missing");   // file names, comma separated
        QTest::addColumn<QString>("not_wav");
        QTest::addColumn<QString>("truncated");
        QTest::addColumn<QString>("message");

        QTest::newRow("no Sound folder")
            << "*" << "" << "" << "Cannot open file Sound\\KeyBoard.wav";
        QTest::newRow("missing file") << "Button2.wav" << "" << "" << "Cannot open file Sound\\Button2.wav";
        QTest::newRow("not a wave file") << "" << "Close.wav" << "" << "Sound\\Close.wav: not a RIFF/WAVE file";
        QTest::newRow("truncated wave file")
            << "" << "" << "CpuSound.wav" << "Sound\\CpuSound.wav: truncated data chunk";
        // Players open in the order MediaPlayer1 ... MediaPlayer6:
        // KeyBoard, Button3, Button2, Button1, CpuSound, Close.
        QTest::newRow("second and fourth bad")
            << "Button1.wav" << "Button3.wav" << "" << "Sound\\Button3.wav: not a RIFF/WAVE file";
        QTest::newRow("first and last bad")
            << "Close.wav" << "" << "KeyBoard.wav" << "Sound\\KeyBoard.wav: truncated data chunk";
        QTest::newRow("third and fifth bad")
            << "Button2.wav" << "" << "CpuSound.wav" << "Cannot open file Sound\\Button2.wav";
    }

    void failsNamingTheFirstBadFile()
    {
        QFETCH(QString, missing);
        QFETCH(QString, not_wav);
        QFETCH(QString, truncated);
        QFETCH(QString, message);

        install_shipped();
        const QString sound = work_.path() + QStringLiteral("/Sound/");
        if (missing == QLatin1String("*")) {
            QVERIFY(QDir(sound).removeRecursively());
        } else if (!missing.isEmpty()) {
            QVERIFY(QFile::remove(sound + missing));
        }
        if (!not_wav.isEmpty())
            write(sound + not_wav, QByteArrayLiteral("Not a sound, just text.\r\n"));
        if (!truncated.isEmpty()) {
            QFile file(sound + truncated);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray whole = file.readAll();
            file.close();
            write(sound + truncated, whole.left(whole.size() / 2));
        }
        QCOMPARE(QString::fromStdString(open_result()), message);
    }

    void gateRefusesACueThatIsStillSounding()
    {
        CueGate gate(40ms);
        const CueClock::time_point t0{};
        QVERIFY(gate.try_start(t0));         // the first request always plays
        QVERIFY(!gate.try_start(t0));        // a double press in the same instant
        QVERIFY(!gate.try_start(t0 + 20ms));  // still sounding
        QVERIFY(!gate.try_start(t0 + 39ms));
        // A refused request does not move the start: the cue ends at 40 ms
        // and the next request plays it again from the beginning.
        QVERIFY(gate.try_start(t0 + 40ms));
        QVERIFY(!gate.try_start(t0 + 79ms));
        QVERIFY(gate.try_start(t0 + 500ms));
    }

    void cuesKeepTheirOwnGates()
    {
        FakeClock clock;
        std::vector<Cue> started;
        GatedCues cues({40ms, 90ms, 90ms, 90ms, 330ms, 380ms}, [&](Cue cue) { started.push_back(cue); },
                       [&] { return clock.now; });

        // Typing fast: one click for the three keys inside 40 ms.
        cues.play(Cue::KeyClick);
        clock.advance(15ms);
        cues.play(Cue::KeyClick);
        // A Say turn's two cues sound over the click.
        cues.play(Cue::UserLine);
        cues.play(Cue::BotReply);
        clock.advance(15ms);
        cues.play(Cue::KeyClick);
        cues.play(Cue::BotReply);
        QCOMPARE(started, (std::vector<Cue>{Cue::KeyClick, Cue::UserLine, Cue::BotReply}));

        // At 110 ms the click and the blip are over, the bot's chime is not.
        started.clear();
        clock.advance(80ms);
        cues.play(Cue::KeyClick);
        cues.play(Cue::UserLine);
        cues.play(Cue::BotReply);
        QCOMPARE(started, (std::vector<Cue>{Cue::KeyClick, Cue::UserLine}));
    }

    void playNeverReportsAnError()
    {
        FakeClock clock;
        int calls = 0;
        GatedCues cues({40ms, 40ms, 40ms, 40ms, 40ms, 40ms},
                       [&](Cue) {
                           ++calls;
                           throw std::runtime_error("device busy");
                       },
                       [&] { return clock.now; });
        cues.play(Cue::Close);
        cues.play(static_cast<Cue>(17));  // no such player: dropped
        QCOMPARE(calls, 1);
    }
};

QTEST_GUILESS_MAIN(WavCuesTest)
#include "wav_cues_test.moc"
