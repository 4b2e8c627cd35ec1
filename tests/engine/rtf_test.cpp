#include <gtest/gtest.h>

#include <random>

#include "engine/rtf.h"

namespace tarsel {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

// What a rich-edit control writes before the first paragraph of
// Windows-1251 text.
const std::string kRichEditHeader =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil\\fcharset204 MS Sans Serif;}}\r\n"
    "{\\colortbl ;\\red0\\green0\\blue0;}\r\n"
    "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n"
    "\\pard\\cf1\\lang1049\\f0\\fs16 ";

TEST(Rtf, EveryByteValueReadsBackUnchanged)
{
    Lines lines;
    std::string all;
    for (int b = 0; b < 256; ++b) {
        lines.push_back(std::string(1, static_cast<char>(b)));
        all += static_cast<char>(b);
    }
    lines.push_back(all);
    lines.push_back(all + all);
    EXPECT_EQ(read_rtf(write_rtf(lines)), lines);
}

TEST(Rtf, LineStructureSurvivesTheRoundTrip)
{
    const Lines cases[] = {
        {},
        {""},
        {"", ""},
        {"a", ""},
        {"", "a"},
        {"   three leading spaces", "trailing  "},
        {" "},
        {"\\par", "{\\*\\fonttbl}", "\\'e0", "\\u1055?"},  // RTF lookalikes are plain text
        {"\t", "a\tb", "\t\t "},
        {"1", "-2 digits right after a paragraph"},
        {std::string(100000, '\xE0')},
    };
    for (const auto& lines : cases)
        EXPECT_EQ(read_rtf(write_rtf(lines)), lines) << testing::PrintToString(lines);
}

TEST(Rtf, WrittenDocumentIsSevenBitWindows1251Rtf)
{
    const std::string doc = write_rtf({"\xCF\xF0\xE8\xE2\xE5\xF2", "x"});
    EXPECT_TRUE(is_rtf(doc));
    EXPECT_NE(doc.find("\\ansicpg1251"), std::string::npos);
    EXPECT_NE(doc.find("\\fcharset204 MS Sans Serif;"), std::string::npos);
    EXPECT_NE(doc.find("\\fs16"), std::string::npos);  // 8 pt
    EXPECT_NE(doc.find("\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\par"), std::string::npos);
    for (char c : doc) {
        const auto b = static_cast<unsigned char>(c);
        EXPECT_TRUE((b >= 0x20 && b < 0x7F) || c == '\r' || c == '\n') << int(b);
    }
}

TEST(Rtf, IsRtfLooksAtTheStartOnly)
{
    struct Case { std::string bytes; bool rtf; };
    const Case cases[] = {
        {"{\\rtf1\\ansi}", true},
        {" \t\r\n{\\rtf1", true},
        {"{\\rtf", true},
        {"", false},
        {"{\\rt", false},
        {"{\\RTF1", false},
        {"x{\\rtf1", false},
        {"\xC7\xC0\xC3\xCE\xCB\xCE\xC2\xCE\xCA\r\n", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(is_rtf(c.bytes), c.rtf) << c.bytes;
}

TEST(Rtf, ReadsWhatRichEditAndWordProcessorsWrite)
{
    struct Case { const char* what; std::string rtf; Lines lines; };
    const Case cases[] = {
        {"rich edit: hex escapes, final \\par, trailing NUL",
         kRichEditHeader + "\\'c7\\'c0\\'c3\\'ce\\'cb\\'ce\\'c2\\'ce\\'ca\\par\r\n"
                           "\\'cf\\'d0\\'c8\\'c2\\'c5\\'d2.^1\\par\r\n}\r\n\0"s,
         {"\xC7\xC0\xC3\xCE\xCB\xCE\xC2\xCE\xCA", "\xCF\xD0\xC8\xC2\xC5\xD2.^1"}},
        {"leading spaces, empty paragraphs, escapes, tab, \\line",
         kRichEditHeader + "   \\'e0\\par\r\n\\par\r\n\\par  x\\tab y\\{\\}\\\\\\line z\\par\r\n}"s,
         {"   \xE0", "", "", " x\ty{}\\", "z"}},
        {"source line breaks anywhere, upper-case hex, no final \\par",
         kRichEditHeader + "\\'cf\\'f0\r\n\\'E8\\'E2\r\n\\'e5\\'f2\\par\r\nla\r\nst\r\n}"s,
         {"\xCF\xF0\xE8\xE2\xE5\xF2", "last"}},
        {"\\u with fallbacks, \\uc0 and \\uc2, negative N",
         "{\\rtf1\\ansi\\ansicpg1252\\uc1 \\u1055?\\u1088\\'f0\\u8470?"
         "{\\uc0 \\u1080}\\u1074?{\\uc2\\u1077\\'e5\\'e5}\\u-1?\\u1090 ?\\par}"s,
         {"\xCF\xF0\xB9\xE8\xE2\xE5?\xF2"}},
        {"ignorable destinations and binary data",
         "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}"
         "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}{\\*\\unknown{x}y}"
         "{\\*\\pgdsctbl {\\pgdsc0 Default;}}\\pard\\plain "
         "{\\pntext\\f0\\'b7\\tab}a{\\pict\\wmetafile8 0102ff}b{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt c}}"
         "\\bin3 {}}d{\\*\\bkmkstart m}\\par}"s,
         {"abcd"}},
        {"word processor: nested formatting groups, \\uc1 fallbacks, \\rquote",
         "{\\rtf1\\ansi\\deff4\\adeflang1025\r\n{\\fonttbl{\\f4\\froman\\fprq2\\fcharset204 Times;}}\r\n"
         "{\\*\\generator LO;}\\pard\\plain \\s0{\\rtlch \\ltrch\\loch \\u1044\\'c4\\u1072\\'e0}"
         "{\\loch  \\rquote}\r\n\\par \\pard\\plain \\s0{\\loch\\f4 \\u1085\\'ed\\u1077\\'e5\\u1090\\'f2}\r\n\\par }"s,
         {"\xC4\xE0 \x92", "\xED\xE5\xF2"}},
        {"invalid hex escapes are dropped",
         "{\\rtf1 a\\'zzb\\'4c\\'4\\par}"s,
         {"azzbL"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(read_rtf(c.rtf), c.lines) << c.what;
}

TEST(Rtf, HostileInputGivesADefinedResult)
{
    const std::string deep_open(100000, '{');
    const std::string deep_close(100000, '}');
    struct Case { const char* what; std::string rtf; Lines lines; };
    const Case cases[] = {
        {"unclosed document", "{\\rtf1 abc\\par de", {"abc", "de"}},
        {"stray closing braces end the document", "{\\rtf1 a}}b}\\par c", {"a"}},
        {"text before and after the document", "junk{\\rtf1 a\\par}\\par more{b}", {"a"}},
        {"NUL bytes inside", "{\\rtf1 a\0b\\par\0}"s, {"ab"}},
        {"backslash at the end", "{\\rtf1 a\\", {"a"}},
        {"\\bin longer than the input", "{\\rtf1 a\\bin99999999999999 }}}", {"a"}},
        {"\\bin with a negative length", "{\\rtf1 a\\bin-5 b}", {"ab"}},
        {"100000 nested groups", "{\\rtf1 " + deep_open + "x" + deep_close + "y}", {"xy"}},
        {"100000 unclosed groups", "{\\rtf1 " + deep_open + "x\\par", {"x"}},
        {"ignorable group deeper than the saved depth",
         "{\\rtf1 " + deep_open + "{\\*\\x hidden}" + deep_close + "y}", {"y"}},
        {"huge numbers", "{\\rtf1 \\uc99999999999 \\u99999999999 a\\u-99999999999 b}", {"?"}},
        {"not RTF at all", "plain\r\ntext", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(read_rtf(c.rtf), c.lines) << c.what;
}

TEST(Rtf, TenMegabyteLineAndRandomBytes)
{
    const Lines big{std::string(10 * 1024 * 1024, '\xF0'), "end"};
    EXPECT_EQ(read_rtf(write_rtf(big)), big);

    // Random bytes inside a document: no crash, and no more text than input.
    std::mt19937 gen(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 20; ++round) {
        std::string doc = "{\\rtf1 ";
        for (int i = 0; i < 50000; ++i)
            doc += static_cast<char>(byte(gen));
        std::size_t out = 0;
        for (const auto& line : read_rtf(doc))
            out += line.size() + 1;
        EXPECT_LE(out, doc.size());
    }
}

} // namespace
} // namespace tarsel
