#pragma once
// Shared by the dialogue-engine tests: a scratch working directory with
// Base/, a clock the tests set, and a host that records what a turn asks of
// the window.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/cp1251.h"
#include "engine/dialogue.h"
#include "engine/errors.h"
#include "engine/file_io.h"
#include "engine/line_list.h"
#include "engine/paths.h"
#include "engine/random.h"
#include "engine/rtf.h"

namespace tarsel::test {

// Windows-1251 bytes of a UTF-8 literal.
inline std::string cp(std::string_view utf8) { return utf8_to_cp1251(utf8); }

inline std::vector<std::string> cp_lines(std::initializer_list<std::string_view> utf8)
{
    std::vector<std::string> out;
    for (auto s : utf8)
        out.push_back(cp(s));
    return out;
}

inline std::vector<std::string> cp_lines(const std::vector<const char*>& utf8)
{
    std::vector<std::string> out;
    for (auto s : utf8)
        out.push_back(cp(s));
    return out;
}

// A fresh working directory holding Base/ (and a drive root), entered for
// the test's lifetime.
class WorkDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_cwd_ = std::filesystem::current_path();
        old_drive_root_ = drive_root();
        std::string pattern = (std::filesystem::temp_directory_path() / "tarsel-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::filesystem::create_directory(dir_ / "Base");
        std::filesystem::current_path(dir_);
        set_drive_root(dir_ / "drives");
    }

    void TearDown() override
    {
        std::filesystem::current_path(old_cwd_);
        set_drive_root(old_drive_root_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    // "Base/Words.Dat" style names, relative to the working directory.
    static void write_bytes(const std::filesystem::path& path, std::string_view bytes)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    static void write_plain(const std::filesystem::path& path, const std::vector<std::string>& lines)
    {
        std::string bytes;
        for (const auto& line : lines)
            bytes += line + "\r\n";
        write_bytes(path, bytes);
    }
    static void write_rich(const std::filesystem::path& path, const std::vector<std::string>& lines)
    {
        write_bytes(path, write_rtf(lines));
    }
    static std::string bytes_of(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The lines of a data file as the program reads them (RTF or plain).
    static std::vector<std::string> lines_of(const std::filesystem::path& path)
    {
        const std::string bytes = bytes_of(path);
        return is_rtf(bytes) ? read_rtf(bytes) : split_lines(bytes);
    }

    std::filesystem::path dir_;

private:
    std::filesystem::path old_cwd_;
    std::filesystem::path old_drive_root_;
};

// A host that keeps a dialogue view like the window's and logs each call,
// with the transcript's size at that moment to pin down the order.
class RecordingHost : public DialogueHost {
public:
    explicit RecordingHost(const Dialogue* dialogue = nullptr) : dialogue_(dialogue) {}

    bool cpu_cpu = false;
    std::string input;
    std::string exchange = "D:\\Txt.Dat";
    LineList view;
    std::vector<std::string> calls;
    int farewells = 0;

    bool cpu_cpu_mode() const override { return cpu_cpu; }
    std::string input_text() const override { return input; }
    std::string previous_line() const override
    {
        return view.line(static_cast<std::ptrdiff_t>(view.count()) - 2);
    }
    std::string exchange_path() const override { return exchange; }

    void play(Cue cue) override { log(cue == Cue::UserLine   ? "play user"
                                      : cue == Cue::BotReply ? "play reply"
                                                             : "play other"); }
    void add_user_line(const std::string& s) override { log("user"); view.add(s); }
    void add_reply_line(const std::string& s) override { log("reply"); view.add(s); }
    void add_idle_remark(const std::string& s) override { log("idle"); view.add(s); }
    void clear_input() override { log("clear"); input.clear(); }
    void start_farewell() override { log("farewell"); ++farewells; }

private:
    void log(std::string what)
    {
        if (dialogue_)
            what += " @" + std::to_string(dialogue_->transcript().count());
        calls.push_back(std::move(what));
    }
    const Dialogue* dialogue_;
};

// The text of the FileError that `f` throws; "" when it throws none.
template <typename F>
std::string file_error_of(F&& f)
{
    try {
        f();
    } catch (const FileError& e) {
        return e.what();
    }
    return {};
}

// The first clock value from `start` on for which `wanted` holds on a
// generator freshly seeded with it: lets a test steer a turn's draws without
// knowing the generator's numbers.
inline std::uint32_t clock_where(const std::function<bool(Random&)>& wanted, std::uint32_t start = 1000)
{
    for (std::uint32_t ms = start; ms < start + 100000; ++ms) {
        Random r([] { return 0u; });
        r.seed(ms);
        if (wanted(r))
            return ms;
    }
    ADD_FAILURE() << "no clock value found";
    return start;
}

} // namespace tarsel::test
