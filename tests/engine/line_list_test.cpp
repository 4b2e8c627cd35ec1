#include <gtest/gtest.h>

#include "engine/errors.h"
#include "engine/line_list.h"
#include "engine/rtf.h"
#include "io_test_support.h"

namespace tarsel {
namespace {

using Lines = std::vector<std::string>;

TEST(SplitLines, BreaksAtCrLfLoneCrAndLoneLf)
{
    struct Case { std::string text; Lines lines; };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        {"\r\n", {""}},
        {"\r\n\r\n", {"", ""}},
        {"\n\r", {"", ""}},          // LF then a lone CR: two breaks
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"  lead\r\ntrail  ", {"  lead", "trail  "}},
        {std::string("a\0b\0", 4), {std::string("a\0b\0", 4)}},  // NUL bytes are text
    };
    for (const auto& c : cases)
        EXPECT_EQ(split_lines(c.text), c.lines) << testing::PrintToString(c.text);
}

TEST(LineList, LineOutsideTheListIsEmpty)
{
    const LineList list(Lines{"zero", "one"});
    EXPECT_EQ(list.line(1), "one");
    for (std::ptrdiff_t i : {std::ptrdiff_t{2}, std::ptrdiff_t{1000}, std::ptrdiff_t{-1}, PTRDIFF_MIN})
        EXPECT_EQ(list.line(i), "") << i;
    EXPECT_EQ(LineList().line(0), "");
}

TEST(LineList, AddSplitsAtLineBreaksAndAddsOneLineForEmptyText)
{
    LineList list;
    list.add("");
    list.add("a\r\nb\rc\nd");
    list.add("e\r\n");
    list.add("\r\n");
    EXPECT_EQ(list.lines(), (Lines{"", "a", "b", "c", "d", "e", ""}));
}

TEST(LineList, RemoveOutsideTheListChangesNothing)
{
    LineList list(Lines{"a", "b", "c"});
    list.remove(3);
    list.remove(-1);
    EXPECT_EQ(list.lines(), (Lines{"a", "b", "c"}));
    list.remove(1);
    EXPECT_EQ(list.lines(), (Lines{"a", "c"}));
    list.remove(1);
    list.remove(0);
    EXPECT_TRUE(list.empty());
    list.remove(0);
    EXPECT_TRUE(list.empty());
}

TEST(LineList, TextEndsEveryLineWithCrLfAndSetTextReadsItBack)
{
    LineList list(Lines{"", "a", "", " b "});
    EXPECT_EQ(list.text(), "\r\na\r\n\r\n b \r\n");
    LineList copy;
    copy.set_text(list.text());
    EXPECT_EQ(copy, list);
    EXPECT_EQ(LineList().text(), "");

    copy.set_text("x\ny");  // replaces, no final break needed
    EXPECT_EQ(copy.lines(), (Lines{"x", "y"}));
    copy.set_text("");
    EXPECT_TRUE(copy.empty());
}

class LineListFiles : public io_test::ScratchDirTest {};

TEST_F(LineListFiles, PlainFilesUseCrLfAndAcceptLoneBreaks)
{
    put("Base/ReadMe.Txt", "one\rtwo\nthree\r\n\r\nfive");
    LineList list;
    list.load_plain("BASE\\readme.txt");
    EXPECT_EQ(list.lines(), (Lines{"one", "two", "three", "", "five"}));

    list.save_plain("Base\\ReadMe.Txt");
    EXPECT_EQ(get("Base/ReadMe.Txt"), "one\r\ntwo\r\nthree\r\n\r\nfive\r\n");

    LineList empty;
    empty.save_plain("Base\\Empty.Txt");
    EXPECT_EQ(get("Base/Empty.Txt"), "");
}

TEST_F(LineListFiles, RichFilesAreRtfFromTheFirstSaveOn)
{
    // A plain knowledge base is read with the plain rules...
    put("Base/Words.Dat", "\xC7\xC0\xC3\xCE\xCB\xCE\xC2\xCE\xCA\r\n\xCF\xD0\xC8\xC2\xC5\xD2.^1\r\n");
    LineList list;
    list.load_rich("Base\\Words.dat");
    EXPECT_EQ(list.lines(), (Lines{"\xC7\xC0\xC3\xCE\xCB\xCE\xC2\xCE\xCA", "\xCF\xD0\xC8\xC2\xC5\xD2.^1"}));

    // ...and written back as RTF that reads back to the same lines, with
    // empty lines, leading spaces and RTF's own special characters intact.
    list.add("");
    list.add("   \xEF\xF0\xE8\xE2\xE5\xF2 {\\par} \\'e0\t!");
    list.add("");
    list.save_rich("Base\\Words.dat");
    EXPECT_TRUE(is_rtf(get("Base/Words.Dat")));

    LineList again(Lines{"stale"});
    again.load_rich("base\\words.dat");
    EXPECT_EQ(again, list);
}

TEST_F(LineListFiles, EmptyLogGetsABlockThatBeginsWithAnEmptyLine)
{
    put("Base/Log.Tarsel", "");
    LineList log;
    log.load_rich("Base\\Log.Tarsel");
    EXPECT_TRUE(log.empty());
    log.add("");
    log.add("USER:     \xCF\xF0\xE8\xE2\xE5\xF2.");
    log.save_rich("Base\\Log.Tarsel");

    LineList again;
    again.load_rich("Base\\Log.Tarsel");
    EXPECT_EQ(again.lines(), (Lines{"", "USER:     \xCF\xF0\xE8\xE2\xE5\xF2."}));
}

TEST_F(LineListFiles, FailedLoadThrowsAndKeepsTheContent)
{
    LineList list(Lines{"kept"});
    for (auto load : {&LineList::load_plain, &LineList::load_rich}) {
        try {
            (list.*load)("Base\\Missing.Dat");
            ADD_FAILURE() << "no error";
        } catch (const FileError& e) {
            EXPECT_STREQ(e.what(), "Cannot open file Base\\Missing.Dat");
        }
        EXPECT_EQ(list.lines(), Lines{"kept"});
    }
    try {
        list.save_rich("Base\\Missing.Dat");
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "Cannot create file Base\\Missing.Dat");
    }
}

} // namespace
} // namespace tarsel
