#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

#include "engine/errors.h"
#include "engine/file_io.h"
#include "io_test_support.h"

namespace tarsel {
namespace {

namespace fs = std::filesystem;

using FileIo = io_test::ScratchDirTest;

std::string all_byte_values()
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    return bytes;
}

// The FileError text that `f` throws, or "(no error)".
template <class F>
std::string error_of(F f)
{
    try {
        f();
    } catch (const FileError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST_F(FileIo, WritesAndReadsEveryByteValueUnchanged)
{
    const std::string bytes = all_byte_values() + std::string("\0\r\n\r", 4) + all_byte_values();
    fs::create_directory("Base");
    write_file("Base\\New.Dat", bytes);
    EXPECT_EQ(get("Base/New.Dat"), bytes);
    EXPECT_EQ(read_file("base\\NEW.DAT"), bytes);

    write_file("Base\\Empty.Dat", "");
    EXPECT_EQ(read_file("Base\\Empty.Dat"), "");
    EXPECT_EQ(names_in("Base"), (std::vector<std::string>{"Empty.Dat", "New.Dat"}));
}

TEST_F(FileIo, ReplacingAFileKeepsItsSpellingAndPermissions)
{
    put("Base/words.DAT", "old content that is longer than the new one");
    ASSERT_EQ(::chmod("Base/words.DAT", 0640), 0);

    write_file("Base\\Words.Dat", "new");

    EXPECT_EQ(names_in("Base"), std::vector<std::string>{"words.DAT"});
    EXPECT_EQ(get("Base/words.DAT"), "new");
    struct stat st {};
    ASSERT_EQ(::stat("Base/words.DAT", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(FileIo, WritingThroughASymbolicLinkReplacesTheFileItNames)
{
    put("real.dat", "old");
    fs::create_symlink("real.dat", "link.dat");
    write_file("LINK.DAT", "new");
    EXPECT_TRUE(fs::is_symlink("link.dat"));
    EXPECT_EQ(get("real.dat"), "new");
}

TEST_F(FileIo, FailedWritesLeaveTheOldFileAndNoTemporaryFile)
{
    put("Base/Words.Dat", "old knowledge\r\n");
    put("Base/Plain", "a file, not a folder");
    fs::create_directories("Base/Folder.Dat");

    struct Case { const char* program; };
    const Case cases[] = {
        {"Base\\Folder.Dat"},          // the target is a folder
        {"Base\\Plain\\Words.Dat"},    // a component of the folder is a file
        {"Base\\Missing\\Words.Dat"},  // the folder does not exist
        {"Base\\Words.Dat\\"},         // names the file as a folder
        {""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(error_of([&] { write_file(c.program, "new content"); }),
                  std::string("Cannot create file ") + c.program);
    }
    EXPECT_EQ(get("Base/Words.Dat"), "old knowledge\r\n");
    EXPECT_EQ(get("Base/Plain"), "a file, not a folder");
    EXPECT_EQ(names_in("Base"), (std::vector<std::string>{"Folder.Dat", "Plain", "Words.Dat"}));
    EXPECT_TRUE(fs::is_empty("Base/Folder.Dat"));
}

TEST_F(FileIo, WriteThatFailsHalfwayRemovesTheTemporaryFile)
{
    put("Base/Words.Dat", "old knowledge\r\n");
    // A file size limit makes the write itself fail after the temporary
    // file was created.
    rlimit old_limit {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old_limit;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string error = error_of([] { write_file("Base\\Words.Dat", std::string(100000, 'x')); });
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_EQ(error, "Cannot create file Base\\Words.Dat");
    EXPECT_EQ(get("Base/Words.Dat"), "old knowledge\r\n");
    EXPECT_EQ(names_in("Base"), std::vector<std::string>{"Words.Dat"});
}

TEST_F(FileIo, ReadFailuresNameThePathAsTheProgramGaveIt)
{
    put("Base/Plain", "x");
    fs::create_directories("Base/Folder.Dat");
    ASSERT_EQ(::mkfifo("Base/Pipe", 0600), 0);

    const char* const cases[] = {
        "Base\\Missing.Dat",
        "Base\\Folder.Dat",
        "Base\\Plain\\Words.Dat",
        "Base\\Plain\\",
        "Base\\Pipe",  // not a regular file: refused instead of waiting for a writer
        "Base\\\xCD\xE5\xF2.Dat",  // Windows-1251 bytes are kept in the text
        "",
    };
    for (const char* program : cases)
        EXPECT_EQ(error_of([&] { read_file(program); }), std::string("Cannot open file ") + program);
}

} // namespace
} // namespace tarsel
