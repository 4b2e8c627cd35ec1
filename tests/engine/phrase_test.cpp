#include <gtest/gtest.h>

#include <string>

#include "engine/cp1251.h"
#include "engine/phrase.h"

namespace tarsel {
namespace {

std::string w(std::string_view utf8) { return utf8_to_cp1251(utf8); }

TEST(UpperByte, FoldsOnlyTheRussianAlphabet)
{
    struct Case { unsigned char in; unsigned char out; };
    const Case cases[] = {
        {0xE0, 0xC0},  // а -> А
        {0xEF, 0xCF},  // п -> П
        {0xFF, 0xDF},  // я -> Я
        {0xB8, 0xA8},  // ё -> Ё
        {0xA8, 0xA8},  // Ё stays
        {0xC0, 0xC0},  // А stays: one pass, nothing folded twice
        {0xDF, 0xDF},
        {'a', 'a'}, {'z', 'z'}, {'A', 'A'}, {'5', '5'}, {' ', ' '}, {'\r', '\r'}, {'\n', '\n'},
        // Lower-case letters outside the Russian alphabet are not mapped.
        {0x83, 0x83}, {0x90, 0x90}, {0x9A, 0x9A}, {0x9C, 0x9C}, {0x9D, 0x9D}, {0x9E, 0x9E},
        {0x9F, 0x9F}, {0xA2, 0xA2}, {0xB3, 0xB3}, {0xB4, 0xB4}, {0xBA, 0xBA}, {0xBC, 0xBC},
        {0xBE, 0xBE}, {0xBF, 0xBF},
        {0x00, 0x00}, {0x98, 0x98},
    };
    for (const auto& c : cases)
        EXPECT_EQ(upper_byte(c.in), c.out) << std::hex << int(c.in);
}

TEST(UpperByte, LeavesEveryByteBelowCyrillicLowerCaseAloneExceptSmallYo)
{
    // Guards against a locale-dependent toupper sneaking in.
    for (int b = 0; b < 0xE0; ++b) {
        if (b == 0xB8)
            continue;
        EXPECT_EQ(upper_byte(static_cast<unsigned char>(b)), b) << b;
    }
}

// What the Say turn does with a typed phrase: an upper-cased copy for
// matching, and a shown copy with a capital and final punctuation.
TEST(PhraseNormalisation, CurrentAndShownPhrase)
{
    struct Case { const char* typed; const char* current; const char* shown; };
    const Case cases[] = {
        {"привет", "ПРИВЕТ", "Привет."},
        {"ёлка", "ЁЛКА", "Ёлка."},
        {"елка", "ЕЛКА", "Елка."},
        {"hello, world", "hello, world", "hello, world."},
        {"ну,", "НУ,", "Ну."},
        {"Жаль.,", "ЖАЛЬ.,", "Жаль.."},
        {",", ",", "."},
        {"Что?", "ЧТО?", "Что?"},
        {"Ура!!!", "УРА!!!", "Ура!!!"},
        {"Ну...", "НУ...", "Ну..."},
        {"привет ", "ПРИВЕТ ", "Привет ."},
        {" привет", " ПРИВЕТ", " привет."},
        {"да )", "ДА )", "Да )."},
        {"іван", "іВАН", "іван."},
        {"пока\r\n", "ПОКА\r\n", "Пока\r\n."},
        {"123", "123", "123."},
        {"Как дела?", "КАК ДЕЛА?", "Как дела?"},
    };
    for (const auto& c : cases) {
        const std::string typed = w(c.typed);
        EXPECT_EQ(to_upper(typed), w(c.current)) << c.typed;

        std::string in_place = typed;
        make_upper(in_place);
        EXPECT_EQ(in_place, w(c.current)) << c.typed;

        std::string shown = typed;
        capitalize_first(shown);
        apply_final_punctuation(shown);
        EXPECT_EQ(shown, w(c.shown)) << c.typed;
    }
}

TEST(PhraseNormalisation, YoAndYeStayDifferent)
{
    EXPECT_NE(to_upper(w("ёлка")), to_upper(w("елка")));
    EXPECT_EQ(to_upper("\xB8"), "\xA8");
}

TEST(PhraseNormalisation, EmptyStringStaysEmpty)
{
    std::string s;
    EXPECT_EQ(to_upper(s), "");
    make_upper(s);
    EXPECT_EQ(s, "");
    capitalize_first(s);
    EXPECT_EQ(s, "");
    apply_final_punctuation(s);
    EXPECT_EQ(s, "");
}

TEST(PhraseNormalisation, EmbeddedNulIsAnOrdinaryByte)
{
    std::string s("\xE0\0\xE0", 3);
    EXPECT_EQ(to_upper(s), std::string("\xC0\0\xC0", 3));
    apply_final_punctuation(s);
    EXPECT_EQ(s, std::string("\xE0\0\xE0.", 4));
}

} // namespace
} // namespace tarsel
