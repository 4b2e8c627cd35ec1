#pragma once
// Shared by the auxiliary-window tests: a scratch working directory with a
// small Base/, a drive root of its own, recorded sound cues and error boxes,
// a clock the test sets, and the three windows wired as the program wires them.
#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "aux_windows/form2.h"
#include "aux_windows/form3.h"
#include "aux_windows/pickers.h"
#include "aux_windows/sound_cues.h"
#include "engine/cp1251.h"
#include "engine/paths.h"
#include "main_window/error_box.h"
#include "main_window/form1.h"

namespace auxtest {

inline std::string cp(std::string_view utf8) { return tarsel::utf8_to_cp1251(utf8); }

inline void writeBytes(const std::filesystem::path& path, std::string_view bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Box {
    QString title;
    QString text;
};

// One run of the program in a fresh working directory. Build it in a test
// function (or init()) and let it go out of scope at the end.
class Harness {
public:
    Harness()
    {
        if (!dir_.isValid())
            qFatal("no temporary directory");
        oldCwd_ = std::filesystem::current_path();
        oldDriveRoot_ = tarsel::drive_root();
        root_ = std::filesystem::path(dir_.path().toStdString());
        std::filesystem::current_path(root_);
        tarsel::set_drive_root(root_ / "drives");

        // One line per fixed pool, so every reply is known; a knowledge base
        // with its header line only.
        writeBytes(root_ / "Base" / "Words.Dat", cp("Выученные фразы\r\n"));
        writeBytes(root_ / "Base" / "W1.Dat", cp("Зачем?\r\n"));
        writeBytes(root_ / "Base" / "W2.Dat", cp("Понятно.\r\n"));
        writeBytes(root_ / "Base" / "Povtor.Dat", cp("Ты повторяешься.\r\n"));
        writeBytes(root_ / "Base" / "X.Dat", cp("Не груби.\r\n"));
        writeBytes(root_ / "Base" / "BigString.Dat", cp("Слишком длинно.\r\n"));
        writeBytes(root_ / "Base" / "Pause.Dat", cp("Ты где?\r\n"));
        writeBytes(root_ / "Base" / "Log.Tarsel", "");

        tarsel::gui::set_message_box_hook(
            [this](const QString& title, const QString& text) { boxes.push_back({title, text}); });

        form1 = std::make_unique<TForm1>(cues, [this] { return clockMs; });
        form2 = std::make_unique<TForm2>(form1.get(), form1->random());
        form3 = std::make_unique<TForm3>(form1.get());
        form1->setAuxWindows(form2.get(), form3.get());
    }

    ~Harness()
    {
        form1->setAuxWindows(nullptr, nullptr);
        form3.reset();
        form2.reset();
        form1.reset();
        tarsel::gui::set_message_box_hook({});
        tarsel::gui::ColorDialog::set_test_answer({});
        tarsel::gui::FontDialog::set_test_answer({});
        std::filesystem::current_path(oldCwd_);
        tarsel::set_drive_root(oldDriveRoot_);
    }

    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    // Where the program's "D:\Txt.Dat" lives in this run.
    std::filesystem::path exchangeFile() const { return root_ / "drives" / "d" / "Txt.Dat"; }
    const std::filesystem::path& root() const { return root_; }

    QStringList boxTexts() const
    {
        QStringList texts;
        for (const Box& b : boxes)
            texts << b.text;
        return texts;
    }

    std::uint32_t clockMs = 12'345'678;
    tarsel::gui::RecordingCues cues;
    std::vector<Box> boxes;
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;

private:
    QTemporaryDir dir_;
    std::filesystem::path root_;
    std::filesystem::path oldCwd_;
    std::filesystem::path oldDriveRoot_;
};

} // namespace auxtest
