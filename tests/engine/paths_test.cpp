#include <gtest/gtest.h>

#include "engine/paths.h"
#include "io_test_support.h"

namespace tarsel {
namespace {

namespace fs = std::filesystem;

class ResolvePath : public io_test::ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        saved_root_ = drive_root();
    }
    void TearDown() override
    {
        set_drive_root(saved_root_);
        ScratchDirTest::TearDown();
    }

private:
    fs::path saved_root_;
};

TEST_F(ResolvePath, MatchesExistingComponentsWithoutRegardToCase)
{
    put("Base/words.DAT", "");
    put("Base/\xD0\x9C\xD0\xBE\xD0\xB9 \xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB.txt", "");  // "Мой Файл.txt"
    put("\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0/x", "");                                    // "Ёлка/x"

    struct Case { const char* program; const char* resolved; };
    const Case cases[] = {
        {"Base\\Words.Dat", "Base/words.DAT"},
        {"base/WORDS.dat", "Base/words.DAT"},
        {"BASE\\.\\\\words.dat", "Base/words.DAT"},
        {"Base\\..\\bAsE\\Words.Dat", "Base/words.DAT"},
        {"Base/words.DAT", "Base/words.DAT"},
        // Windows-1251 "МОЙ ФАЙЛ.TXT": Cyrillic capitals fold as well.
        {"Base\\\xCC\xCE\xC9 \xD4\xC0\xC9\xCB.TXT",
         "Base/\xD0\x9C\xD0\xBE\xD0\xB9 \xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB.txt"},
        // "ёЛКА\X": Ё/ё fold too.
        {"\xB8\xCB\xCA\xC0\\X", "\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0/x"},
        // Missing components keep the given spelling (in UTF-8).
        {"Base\\New.Dat", "Base/New.Dat"},
        {"Missing\\Sub\\F.Dat", "Missing/Sub/F.Dat"},
        {"Base\\\xCD\xEE\xE2\xFB\xE9.Dat", "Base/\xD0\x9D\xD0\xBE\xD0\xB2\xD1\x8B\xD0\xB9.Dat"},  // "Новый"
        {"..\\Up.Dat", "../Up.Dat"},
        {"base\\", "Base/"},  // a final separator is kept: it names a folder
    };
    for (const auto& c : cases)
        EXPECT_EQ(resolve_path(c.program), fs::path(c.resolved)) << c.program;
}

TEST_F(ResolvePath, PrefersTheExactSpellingThenTheFirstInOrder)
{
    put("A.TXT", "1");
    put("A.txt", "2");
    put("a.txt", "3");
    EXPECT_EQ(resolve_path("A.txt"), fs::path("A.txt"));
    EXPECT_EQ(resolve_path("a.txt"), fs::path("a.txt"));
    EXPECT_EQ(resolve_path("a.TXT"), fs::path("A.TXT"));
    EXPECT_EQ(resolve_path("a.Txt"), fs::path("A.TXT"));
}

TEST_F(ResolvePath, MatchesBelowAnAbsolutePath)
{
    put("Data/Txt.Dat", "");
    const std::string program = dir().string() + "/DATA/txt.dat";
    EXPECT_EQ(resolve_path(program), dir() / "Data" / "Txt.Dat");
}

TEST_F(ResolvePath, MapsDriveLettersUnderTheDriveRoot)
{
    const fs::path root = dir() / "drives";
    set_drive_root(root);
    EXPECT_EQ(drive_root(), root);

    EXPECT_EQ(resolve_path("D:\\Txt.Dat"), root / "d" / "Txt.Dat");
    EXPECT_FALSE(fs::exists(root / "d"));

    ensure_drive_folder("D:\\Txt.Dat");
    EXPECT_TRUE(fs::is_directory(root / "d"));
    ensure_drive_folder("Base\\Words.Dat");  // not a drive path: nothing made
    EXPECT_EQ(names_in(root), std::vector<std::string>{"d"});

    put(root / "d" / "TXT.DAT", "");
    put(root / "e" / "Exchange" / "Peer.txt", "");
    struct Case { const char* program; fs::path resolved; };
    const Case cases[] = {
        {"D:\\Txt.Dat", root / "d" / "TXT.DAT"},
        {"d:/txt.dat", root / "d" / "TXT.DAT"},
        {"E:\\EXCHANGE\\peer.TXT", root / "e" / "Exchange" / "Peer.txt"},
        // ".." stops at the drive's root, as on the drive itself.
        {"D:\\..\\..\\Txt.Dat", root / "d" / "TXT.DAT"},
        {"D:", root / "d"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(resolve_path(c.program), c.resolved) << c.program;
}

} // namespace
} // namespace tarsel
