#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/cp1251.h"

namespace tarsel {
namespace {

TEST(Cp1251, KnownBytesMapToTheirCodePoints)
{
    struct Case { unsigned char byte; char32_t code_point; };
    const Case cases[] = {
        {0x00, 0x0000}, {0x41, 0x0041}, {0x7F, 0x007F},
        {0x80, 0x0402},  // Ђ
        {0x82, 0x201A},  // ‚
        {0x88, 0x20AC},  // €
        {0x96, 0x2013},  // –
        {0x97, 0x2014},  // —
        {0x98, 0x0098},  // unassigned, carried through
        {0x99, 0x2122},  // ™
        {0x9F, 0x045F},  // џ
        {0xA0, 0x00A0},  // no-break space
        {0xA5, 0x0490},  // Ґ
        {0xA8, 0x0401},  // Ё
        {0xAB, 0x00AB},  // «
        {0xAD, 0x00AD},  // soft hyphen
        {0xB3, 0x0456},  // і
        {0xB8, 0x0451},  // ё
        {0xB9, 0x2116},  // №
        {0xBF, 0x0457},  // ї
        {0xC0, 0x0410},  // А
        {0xDF, 0x042F},  // Я
        {0xE0, 0x0430},  // а
        {0xFF, 0x044F},  // я
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cp1251_to_unicode(c.byte), c.code_point) << std::hex << int(c.byte);
        EXPECT_EQ(static_cast<unsigned char>(unicode_to_cp1251(c.code_point)), c.byte)
            << std::hex << int(c.byte);
    }
}

TEST(Cp1251, EveryByteRoundTripsThroughUnicodeAndUtf8)
{
    std::string all;
    std::set<char32_t> seen;
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        const char32_t cp = cp1251_to_unicode(byte);
        EXPECT_TRUE(seen.insert(cp).second) << "code point used twice, byte " << b;
        if (b >= 0x80) {
            EXPECT_GE(cp, char32_t{0x80}) << "high byte maps into ASCII, byte " << b;
        }
        EXPECT_EQ(static_cast<unsigned char>(unicode_to_cp1251(cp)), byte) << b;
        all += static_cast<char>(byte);
    }
    const std::string utf8 = cp1251_to_utf8(all);
    EXPECT_EQ(utf8_to_cp1251(utf8), all);
}

TEST(Cp1251, EncodesUtf8)
{
    EXPECT_EQ(cp1251_to_utf8(""), "");
    EXPECT_EQ(cp1251_to_utf8("Hi"), "Hi");
    EXPECT_EQ(cp1251_to_utf8("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
    EXPECT_EQ(cp1251_to_utf8("\xA8\xB8"), "Ёё");
    EXPECT_EQ(cp1251_to_utf8("\x88\xB9"), "\xE2\x82\xAC\xE2\x84\x96");  // € №
    EXPECT_EQ(cp1251_to_utf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp1251, CodePointsOutsideTheCodePageBecomeQuestionMarks)
{
    const char32_t outside[] = {0x0080, 0x0097, 0x0099, 0x00E9, 0x0551, 0x4E2D,
                                0xFFFD, 0x1F600, 0x10FFFF, 0x110000};
    for (char32_t cp : outside)
        EXPECT_EQ(unicode_to_cp1251(cp), '?') << std::hex << unsigned(cp);
}

TEST(Cp1251, DecodesUtf8AndReplacesWhatCannotBeConverted)
{
    struct Case { std::string utf8; std::string cp1251; };
    const Case cases[] = {
        {"", ""},
        {"Привет, мир!", "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0!"},
        {"ёлка Ёж", "\xB8\xEB\xEA\xE0 \xA8\xE6"},
        {"café", "caf?"},                   // é is not in the code page
        {"\xF0\x9F\x98\x80!", "?!"},        // one valid 4-byte character, one '?'
        {"\xFF", "?"},                      // never a UTF-8 byte
        {"\x80x", "?x"},                    // stray continuation byte
        {"a\xD0", "a?"},                    // truncated at the end
        {"\xE2\x82", "?"},                  // truncated 3-byte sequence
        {"\xE2\x82" "A", "?A"},             // the breaking byte is read again
        {"\xD0\xD0\x90", "?\xC0"},          // a lead byte interrupting a sequence
        {"\xC0\xAF", "??"},                 // overlong '/'
        {"\xE0\x80\xAF", "???"},            // overlong 3-byte form
        {"\xED\xA0\x80", "???"},            // surrogate
        {"\xF4\x90\x80\x80", "????"},       // above U+10FFFF
        {"\xC2\x98", "\x98"},               // U+0098 comes back as 0x98
    };
    for (const auto& c : cases)
        EXPECT_EQ(utf8_to_cp1251(c.utf8), c.cp1251) << c.utf8;
}

TEST(Cp1251, DecodingStopsAtTheEndOfTheView)
{
    // The bytes after the view are a valid continuation; they must not be read.
    const std::string buffer = "x\xD0\x90";
    EXPECT_EQ(utf8_to_cp1251(std::string_view(buffer.data(), 2)), "x?");
}

} // namespace
} // namespace tarsel
