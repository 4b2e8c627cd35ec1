#pragma once
// Shared pieces of the main window's Qt tests: a temporary working directory
// with a small Base/, a recorder for the error boxes and a clock that moves
// on at every reading.
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "aux_windows/sound_cues.h"
#include "engine/cp1251.h"
#include "main_window/error_box.h"
#include "main_window/form1.h"

namespace tarsel::test {

// Windows-1251 bytes of a UTF-8 literal.
inline std::string cp(const char* utf8)
{
    return tarsel::utf8_to_cp1251(utf8);
}

// A fresh working directory holding Base/ with one known line per reply
// pool, so that every reply of a turn can be predicted.
class WorkDir {
public:
    WorkDir()
    {
        QVERIFY(dir_.isValid());
        previous_ = QDir::currentPath();
        QDir(dir_.path()).mkpath(QStringLiteral("Base"));
        QDir::setCurrent(dir_.path());
        // Header line and two entries: "ПРИВЕТ" is answered with "Здравствуй.".
        write("Base/Words.Dat", {"Tarsel knowledge base", "ПРИВЕТ^Здравствуй.;", "КАК ДЕЛА?^Хорошо.;"});
        write("Base/W1.Dat", {"Вопрос?"});
        write("Base/W2.Dat", {"Утверждение."});
        write("Base/Povtor.Dat", {"Ты повторяешься."});
        write("Base/X.Dat", {"Не груби."});
        write("Base/BigString.Dat", {"Слишком длинно."});
        write("Base/Pause.Dat", {"Что молчишь?"});
        write("Base/Log.Tarsel", {});
    }
    ~WorkDir() { QDir::setCurrent(previous_); }
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;

    // Writes UTF-8 lines as a plain Windows-1251 file with CR LF line ends.
    void write(const QString& relative, const QStringList& lines)
    {
        std::string bytes;
        for (const QString& l : lines)
            bytes += tarsel::utf8_to_cp1251(l.toStdString()) + "\r\n";
        QFile f(dir_.filePath(relative));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    void remove(const QString& relative) { QVERIFY(QFile::remove(dir_.filePath(relative))); }
    QByteArray read(const QString& relative) const
    {
        QFile f(dir_.filePath(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// Records the error boxes instead of showing them.
class BoxRecorder {
public:
    BoxRecorder()
    {
        tarsel::gui::set_message_box_hook([this](const QString& title, const QString& text) {
            titles.push_back(title);
            texts.push_back(text);
        });
    }
    ~BoxRecorder() { tarsel::gui::set_message_box_hook({}); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    QStringList titles;
    QStringList texts;
};

// A time of day that advances by one millisecond at every reading, so that
// loops that reseed until the clock moves always end.
inline std::function<std::uint32_t()> stepping_clock(std::uint32_t start = 1000)
{
    return [t = start]() mutable { return t++; };
}

// One main window on a fresh working directory, with recorded cues and
// error boxes.
struct WindowFixture {
    WorkDir dir;
    BoxRecorder boxes;
    tarsel::gui::RecordingCues cues;
    std::unique_ptr<TForm1> form;

    void create() { form = std::make_unique<TForm1>(cues, stepping_clock()); }
    // The window after a successful start-up load, shown and active.
    void start()
    {
        create();
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->Timer3Timer();
        settle();
    }
    // Lets the queued state refresh run.
    static void settle() { QCoreApplication::processEvents(); }
};

} // namespace tarsel::test
