#include <gtest/gtest.h>

#include <array>
#include <string>

#include "engine/cp1251.h"
#include "engine/layout_converter.h"

namespace tarsel {
namespace {

std::string w(std::string_view utf8) { return utf8_to_cp1251(utf8); }

// The key table, US character -> Russian character, as the user sees the
// keys. The two strings run in step, character for character.
const char* const kLatin = "qwertyuiopasdfghjklzxcvbnm"
                           "QWERTYUIOPASDFGHJKLZXCVBNM"
                           "`~[{]};:\"<>/@#$^&\\|";
const char* const kRussian = "йцукенгшщзфывапролдячсмить"
                             "ЙЦУКЕНГШЩЗФЫВАПРОЛДЯЧСМИТЬ"
                             "ёЁхХъЪжЖЭбю.\"№;:?\\/";

TEST(LayoutConverter, MapsEveryKeyOfTheTableAndNothingElse)
{
    const std::string latin = kLatin;
    const std::string russian = w(kRussian);
    ASSERT_EQ(latin.size(), russian.size());

    std::array<bool, 256> is_source{};
    for (std::size_t i = 0; i < latin.size(); ++i) {
        const auto from = static_cast<unsigned char>(latin[i]);
        is_source[from] = true;
        EXPECT_EQ(convert_layout_byte(from), static_cast<unsigned char>(russian[i]))
            << "key '" << latin[i] << "'";
    }
    for (int b = 0; b < 256; ++b) {
        if (!is_source[static_cast<std::size_t>(b)]) {
            EXPECT_EQ(convert_layout_byte(static_cast<unsigned char>(b)), b) << b;
        }
    }
    EXPECT_EQ(convert_layout(latin), russian);
}

TEST(LayoutConverter, ConvertsWholeLines)
{
    struct Case { const char* in; const char* out; };
    const Case cases[] = {
        {"ghbdtn", "привет"},
        {"Ghbdtn!", "Привет!"},
        {"Rfr ltkf?", "Как дела?"},
        {"nt,z pjden", "те,я зовут"},     // the comma key stays a comma
        {"<s.", "бы."},                    // < gives lower-case б
        {"\"nj", "Это"},
        {",.'?", ",.'?"},
        {"0123456789 !%*()-_=+", "0123456789 !%*()-_=+"},
        {"Уже по-русски, ёЁ №1", "Уже по-русски, ёЁ №1"},
        {"C:\\", "СЖ\\"},                   // C and colon convert, backslash stays
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(convert_layout(w(c.in)), w(c.out)) << c.in;
}

TEST(LayoutConverter, IsOnePassNotRepeated)
{
    struct Case { char in; char once; unsigned char twice; };
    const Case cases[] = {
        {'|', '/', '.'},
        {'@', '"', 0xDD},  // Э
        {'$', ';', 0xE6},  // ж
        {'^', ':', 0xC6},  // Ж
    };
    for (const auto& c : cases) {
        const std::string once = convert_layout(std::string(1, c.in));
        EXPECT_EQ(once, std::string(1, c.once)) << c.in;
        EXPECT_EQ(convert_layout(once), std::string(1, static_cast<char>(c.twice))) << c.in;
    }
    // Every other key gives a character that a second run leaves alone.
    for (const char* p = kLatin; *p; ++p) {
        if (std::string_view("|@$^").find(*p) != std::string_view::npos)
            continue;
        const std::string once = convert_layout(std::string(1, *p));
        EXPECT_EQ(convert_layout(once), once) << *p;
    }
}

} // namespace
} // namespace tarsel
