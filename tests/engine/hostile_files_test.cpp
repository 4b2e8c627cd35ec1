// Odd and hostile data files, folders and disks: every case has a defined
// outcome, the engine keeps running, and nothing already saved is lost.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <random>
#include <thread>

#include "engine_fixture.h"

namespace tarsel::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class HostileFiles : public WorkDirTest {
protected:
    void SetUp() override
    {
        WorkDirTest::SetUp();
        write_plain("Base/Povtor.Dat", cp_lines({"Ты повторяешься."}));
        write_plain("Base/X.Dat", cp_lines({"Не груби."}));
        write_plain("Base/BigString.Dat", cp_lines({"Длинно."}));
        write_plain("Base/Pause.Dat", cp_lines({"Ау!"}));
        write_plain("Base/W1.Dat", cp_lines({"Как дела?"}));
        write_plain("Base/W2.Dat", cp_lines({"Ага."}));
        write_plain("Base/Words.Dat", {"H"});
    }

    // A clock whose first draw of every turn takes the knowledge-base branch.
    Random random{[] { return kLookupClock; }};
    Dialogue dialogue{random};
    RecordingHost host{&dialogue};

    void say(std::string_view utf8_phrase)
    {
        host.input = cp(utf8_phrase);
        dialogue.say(host);
    }

    std::vector<std::string> temp_files_in_base() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_ / "Base")) {
            if (e.path().filename().string().starts_with(".~tarsel-"))
                names.push_back(e.path().filename().string());
        }
        return names;
    }

    static inline const std::uint32_t kLookupClock = clock_where([](Random& r) {
        const auto branch = r.draw(6) + 1;
        return branch == 2 || branch == 6;
    });
};

// `after` is `before` followed by `added`.
void expect_appended(const Lines& before, const Lines& after, const Lines& added, const std::string& what)
{
    ASSERT_EQ(after.size(), before.size() + added.size()) << what;
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin())) << what << ": old lines changed";
    EXPECT_TRUE(std::equal(added.begin(), added.end(), after.begin() + static_cast<std::ptrdiff_t>(before.size())))
        << what;
}

TEST_F(HostileFiles, OddContentInEveryDataFileIsReadAndKept)
{
    std::mt19937 gen(7);
    std::string binary(8192, '\0');
    for (char& c : binary)
        c = static_cast<char>(gen() & 0xFF);
    for (char& c : binary) {
        if (c == '^')
            c = '~';  // no patterns: the lookup must not answer by chance
    }
    const std::string nested = "{\\rtf1 " + std::string(200000, '{') + "deep\\par" + std::string(200000, '}');

    struct Case {
        const char* what;
        std::string bytes;
        bool learns;  // whether the second turn learns (the first reply was not empty)
    };
    const Case cases[] = {
        {"0-byte files", "", false},
        {"binary bytes", binary, true},
        {"NUL bytes in lines", std::string("a\0b\r\n\0\r\nc\0", 9), true},
        {"unclosed RTF groups", "{\\rtf1 {{{one\\par two", true},
        {"stray closing braces", "{\\rtf1 one\\par}}}}} two", true},
        {"200000 nested RTF groups", nested, true},
        {"RTF header only", "{\\rtf", false},
    };
    const char* const names[] = {"Words.Dat", "W1.Dat", "W2.Dat", "Povtor.Dat", "X.Dat", "BigString.Dat", "Pause.Dat"};

    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* name : names)
            write_bytes(fs::path("Base") / name, c.bytes);
        const Lines before = lines_of("Base/W2.Dat");
        const Lines base_before = lines_of("Base/Words.Dat");

        Dialogue d(random);
        RecordingHost h(&d);
        for (const char* phrase : {"привет", "как дела"}) {
            h.input = cp(phrase);
            ASSERT_NO_THROW(d.say(h));
        }
        // Both replies came from the statement pool as it was read.
        for (std::size_t i : {1u, 3u}) {
            const std::string& reply = h.view.line(static_cast<std::ptrdiff_t>(i));
            EXPECT_TRUE(reply.empty() || std::find(before.begin(), before.end(), reply) != before.end());
        }
        ASSERT_EQ(h.view.line(1).empty(), !c.learns);

        const std::string shown = cp("Как дела.");
        if (c.learns) {
            // The phrase was learned into the statement pool (the first
            // reply may hold a "?": then into the question pool) and as a
            // pattern; whatever the files held before is still there.
            const bool question = h.view.line(1).find('?') != std::string::npos;
            expect_appended(before, lines_of(question ? "Base/W1.Dat" : "Base/W2.Dat"), {shown}, "pool");
            const Lines base_after = lines_of("Base/Words.Dat");
            ASSERT_GE(base_after.size(), base_before.size() + 1);
            EXPECT_TRUE(std::equal(base_before.begin(), base_before.end(), base_after.begin()));
            EXPECT_EQ(base_after[base_before.size()], cp("КАК ДЕЛА.^"));
        } else {
            EXPECT_EQ(lines_of("Base/W2.Dat"), before);
            EXPECT_EQ(bytes_of("Base/Words.Dat"), c.bytes);
        }
    }
}

TEST_F(HostileFiles, PhrasesWithOddBytesAreLearnedByteForByte)
{
    struct Case {
        const char* what;
        std::string typed;     // as the input line gives it (Windows-1251)
        std::string pattern;   // the line the knowledge base gets
    };
    const Case cases[] = {
        // The last "?" makes it a question: no final punctuation.
        {"characters outside the code page", utf8_to_cp1251("дом ☺ 中 😀 \xff"), cp("ДОМ ? ? ? ?^")},
        {"a NUL byte", std::string("a\0b", 3), std::string("a\0b.^", 5)},
        {"every high byte", std::string("\x80\x98\xA0\xFF"), std::string("\x80\x98\xA0\xDF.^")},
        {"separators and RTF syntax", "^;{\\rtf1 }\\par", "^;{\\rtf1 }\\par.^"},
        {"255 characters", std::string(255, '\xE0'), std::string(255, '\xC0') + ".^"},
    };
    say("привет");  // a first reply, so that the next turns learn
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        host.input = c.typed;
        ASSERT_NO_THROW(dialogue.say(host));
        const Lines base = lines_of("Base/Words.Dat");
        EXPECT_NE(std::find(base.begin(), base.end(), c.pattern), base.end());
        // Into the question pool when the previous reply held a "?".
        const std::string shown = host.view.line(static_cast<std::ptrdiff_t>(host.view.count()) - 2);
        EXPECT_TRUE(lines_of("Base/W1.Dat").back() == shown || lines_of("Base/W2.Dat").back() == shown);
    }
    EXPECT_EQ(lines_of("Base/W2.Dat").front(), cp("Ага."));
}

TEST_F(HostileFiles, HugeSingleLine)
{
    // 50 MB through the plain reader (an exchange file); the learning path
    // (RTF save and reload of the knowledge base, several times a turn) gets
    // 4 MB of Cyrillic (16 MB of RTF escapes) to keep the sanitizer build quick.
    const std::string huge(50u << 20, 'a');
    ensure_drive_folder("D:\\Txt.Dat");
    write_bytes(drive_root() / "d" / "Txt.Dat", huge);
    dialogue.load_exchange();
    ASSERT_EQ(dialogue.exchange_buffer().count(), 1u);
    EXPECT_EQ(dialogue.exchange_buffer().line(0).size(), huge.size());

    const std::string big(4u << 20, '\xE0');
    write_bytes("Base/Words.Dat", "H\r\n" + big + "\r\n");
    say("привет");
    say("как дела");
    const Lines base = lines_of("Base/Words.Dat");
    ASSERT_EQ(base.size(), 3u);
    EXPECT_TRUE(base[1] == big);
    EXPECT_EQ(base[2], cp("КАК ДЕЛА.^"));
}

TEST_F(HostileFiles, MillionLinePool)
{
    std::string pool;
    for (int i = 0; i < 1'000'000; ++i)
        pool += "line " + std::to_string(i) + ".\r\n";
    write_bytes("Base/W2.Dat", pool);
    say("привет");
    const std::string first_reply = host.view.line(1);
    EXPECT_TRUE(first_reply.starts_with("line ")) << first_reply;
    say("как дела");

    const Lines after = lines_of("Base/W2.Dat");
    ASSERT_EQ(after.size(), 1'000'001u);
    EXPECT_EQ(after[0], "line 0.");
    EXPECT_EQ(after[999'999], "line 999999.");
    EXPECT_EQ(after.back(), cp("Как дела."));
}

TEST_F(HostileFiles, FolderWhereAFileShouldBe)
{
    fs::remove("Base/Words.Dat");
    fs::create_directories("Base/Words.Dat/inside");

    EXPECT_EQ(file_error_of([&] { say("как дела"); }), "Cannot open file Base\\Words.Dat");
    EXPECT_TRUE(host.view.empty());
    EXPECT_TRUE(dialogue.transcript().empty());
    EXPECT_EQ(file_error_of([] { LineList(Lines{"x"}).save_rich(files::kWords); }),
              "Cannot create file Base\\Words.Dat");
    EXPECT_TRUE(fs::is_directory("Base/Words.Dat/inside"));
    EXPECT_TRUE(temp_files_in_base().empty());

    // Once the folder is gone the next turn works.
    fs::remove_all("Base/Words.Dat");
    write_plain("Base/Words.Dat", {"H"});
    EXPECT_NO_THROW(say("как дела"));
    EXPECT_EQ(host.view.count(), 2u);
}

TEST_F(HostileFiles, MissingBaseFolderFailsTheTurnUntilItIsBack)
{
    fs::rename("Base", "Base.away");
    EXPECT_EQ(file_error_of([&] { say("как дела"); }), "Cannot open file Base\\Words.Dat");
    EXPECT_FALSE(fs::exists("Base"));  // nothing is created on the way
    EXPECT_TRUE(dialogue.transcript().empty());

    fs::rename("Base.away", "Base");
    say("как дела");
    EXPECT_EQ(host.view.count(), 2u);
}

TEST_F(HostileFiles, ReadOnlyFileIsNotReplaced)
{
    say("привет");
    const auto before = lines_of("Base/W2.Dat");
    fs::permissions("Base/W2.Dat", fs::perms::owner_read | fs::perms::group_read);
    // The save would have to go over a file marked read-only: it fails, the
    // file keeps its content and mode, and no temporary file is left.
    EXPECT_EQ(file_error_of([&] { say("как дела"); }), "Cannot create file Base\\W2.Dat");
    EXPECT_EQ(lines_of("Base/W2.Dat"), before);
    EXPECT_EQ(fs::status("Base/W2.Dat").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read);
    EXPECT_TRUE(temp_files_in_base().empty());
    // Writable again: the next turn learns as usual.
    fs::permissions("Base/W2.Dat", fs::perms::owner_read | fs::perms::owner_write);
    say("что нового");
    EXPECT_EQ(lines_of("Base/W2.Dat").size(), before.size() + 1);
}

TEST_F(HostileFiles, ReadOnlyFolderFailsTheSaveAndKeepsTheFile)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write into a read-only folder";
    say("привет");
    // No temporary file can be made: the save fails and the old file stays.
    fs::permissions("Base", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(file_error_of([&] { say("как дела"); }), "Cannot create file Base\\W2.Dat");
    fs::permissions("Base", fs::perms::owner_all);
    EXPECT_EQ(lines_of("Base/W2.Dat"), cp_lines({"Ага."}));
    EXPECT_TRUE(temp_files_in_base().empty());
}

// A Base/ folder with little room: a 64 KiB tmpfs where mounting is allowed,
// else a file size limit that the next save of the pool exceeds.
class SmallDisk {
public:
    SmallDisk(const fs::path& folder, std::size_t tmpfs_bytes, std::size_t fallback_limit)
        : folder_(folder)
    {
        const std::string options = "size=" + std::to_string(tmpfs_bytes);
        mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
        if (!mounted_) {
            old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
            ::getrlimit(RLIMIT_FSIZE, &old_limit_);
            rlimit limit = old_limit_;
            limit.rlim_cur = fallback_limit;
            limited_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    ~SmallDisk() { release(); }
    // Unmounts (the folder's own files come back) or lifts the limit.
    void release()
    {
        if (mounted_) {
            ::umount2(folder_.c_str(), MNT_DETACH);
        } else if (limited_) {
            ::setrlimit(RLIMIT_FSIZE, &old_limit_);
            std::signal(SIGXFSZ, old_handler_);
        }
        mounted_ = false;
        limited_ = false;
    }
    bool mounted() const { return mounted_; }

private:
    fs::path folder_;
    bool mounted_ = false;
    bool limited_ = false;
    rlimit old_limit_{};
    void (*old_handler_)(int) = SIG_DFL;
};

TEST_F(HostileFiles, FullDiskKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    // A pool of about 21 KiB: the file fits, a second copy beside it does not.
    Lines pool = cp_lines({"Ага."});
    for (int i = 0; i < 1000; ++i)
        pool.push_back("statement " + std::to_string(i) + ".");
    write_rich("Base/W2.Dat", pool);
    say("привет");

    SmallDisk disk(dir_ / "Base", 64 * 1024, 16 * 1024);
    bool filled = false;
    if (disk.mounted()) {
        // The tmpfs hides the folder's files: the turn's files go onto it,
        // with a filler that takes most of the room.
        write_plain("Base/Words.Dat", {"H"});
        write_rich("Base/W2.Dat", pool);
        write_bytes("Base/filler", std::string(30 * 1024, 'f'));
        filled = true;
    }
    const std::string old_bytes = bytes_of("Base/W2.Dat");

    EXPECT_EQ(file_error_of([&] { say("как дела"); }), "Cannot create file Base\\W2.Dat");
    EXPECT_EQ(bytes_of("Base/W2.Dat"), old_bytes);
    EXPECT_TRUE(temp_files_in_base().empty());
    EXPECT_EQ(lines_of("Base/Words.Dat"), Lines{"H"});  // the learning did not run

    // With room again the same phrase is learned.
    if (filled)
        fs::remove("Base/filler");
    else
        disk.release();
    say("как дела");
    pool.push_back(cp("Как дела."));
    EXPECT_EQ(lines_of("Base/W2.Dat"), pool);
}

TEST_F(HostileFiles, ExchangeFileThatGrowsWhileItIsRead)
{
    // An appending writer: every read gives whole lines of the final
    // content followed by at most one cut line.
    ensure_drive_folder("D:\\Txt.Dat");
    const fs::path file = drive_root() / "d" / "Txt.Dat";
    write_bytes(file, "");
    auto line_text = [](int i) { return "line " + std::to_string(100000 + i); };
    std::atomic<bool> done{false};
    std::thread writer([&] {
        const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND);
        std::string pending;
        for (int i = 0; i < 20000; ++i)
            pending += line_text(i) + "\r\n";
        // Chunks of odd sizes cut lines and even CR LF pairs in two.
        for (std::size_t at = 0; at < pending.size(); at += 777) {
            [[maybe_unused]] const auto n =
                ::write(fd, pending.data() + at, std::min<std::size_t>(777, pending.size() - at));
            ::usleep(100);
        }
        ::close(fd);
        done = true;
    });
    // Stops at the first bad read; the writer is joined either way.
    bool good = true;
    for (int reads = 0; good && (!done || reads < 5); ++reads) {
        dialogue.load_exchange();
        const Lines& got = dialogue.exchange_buffer().lines();
        for (std::size_t i = 0; good && i + 1 < got.size(); ++i)
            good = got[i] == line_text(static_cast<int>(i));
        if (good && !got.empty())
            good = line_text(static_cast<int>(got.size()) - 1).starts_with(got.back());
        EXPECT_TRUE(good) << "read " << reads << " ends with: " << got.back();
    }
    writer.join();
    dialogue.load_exchange();
    EXPECT_EQ(dialogue.exchange_buffer().count(), 20000u);

    // A writer that replaces the file, as the program does: every read
    // sees one whole version.
    const std::string a = LineList(Lines(500, "old reply")).text();
    const std::string b = LineList(Lines(900, "new reply")).text();
    write_file("D:\\Txt.Dat", a);
    done = false;
    std::thread replacer([&] {
        for (int i = 0; i < 60; ++i)
            write_file("D:\\Txt.Dat", i % 2 ? a : b);
        done = true;
    });
    while (!done) {
        dialogue.load_exchange();
        const std::string got = dialogue.exchange_buffer().text();
        if (got != a && got != b) {
            ADD_FAILURE() << "a read saw " << got.size() << " bytes, neither version";
            break;
        }
    }
    replacer.join();
}

TEST_F(HostileFiles, StaleTemporaryFilesOfKilledWritersAreRemovedOnTheNextSave)
{
    const auto minutes_ago = [](const fs::path& p, int minutes) {
        fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::minutes(minutes));
    };
    // 0x7ffffff0 lies above every process id.
    const Lines kept = {
        ".~tarsel-7ffffff0-1-0.tmp",  // dead writer, but written a moment ago
        ".~tarsel-1-2-0.tmp",          // writer still running (process 1), 2 minutes old
        ".~tarsel-notes.tmp",          // not a name the program makes
    };
    write_bytes("Base/.~tarsel-7ffffff0-1-0.tmp", "x");
    write_bytes("Base/.~tarsel-7ffffff0-5-1.tmp", "x");
    write_bytes("Base/.~tarsel-1-2-0.tmp", "x");
    write_bytes("Base/.~tarsel-notes.tmp", "x");
    minutes_ago("Base/.~tarsel-7ffffff0-5-1.tmp", 2);
    minutes_ago("Base/.~tarsel-1-2-0.tmp", 2);
    minutes_ago("Base/.~tarsel-notes.tmp", 120);

    write_file("Base\\Words.Dat", "H\r\n");
    Lines expected = kept;
    std::sort(expected.begin(), expected.end());
    Lines left = temp_files_in_base();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, expected);
}

} // namespace
} // namespace tarsel::test
