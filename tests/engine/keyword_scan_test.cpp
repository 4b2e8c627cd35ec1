#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/cp1251.h"
#include "engine/keyword_scan.h"
#include "engine/line_list.h"

namespace tarsel {
namespace {

std::string w(std::string_view utf8) { return utf8_to_cp1251(utf8); }

LineList list_of(std::initializer_list<const char*> utf8_lines)
{
    std::vector<std::string> lines;
    for (const char* l : utf8_lines)
        lines.push_back(w(l));
    return LineList(std::move(lines));
}

TEST(KeywordScan, ForwardScanWithoutBacktracking)
{
    struct Case { const char* keyword; const char* phrase; bool match; };
    const Case cases[] = {
        {"ДУРА", "ТЫ ДУРАК", true},
        {"ДУРА", "ДДУРА", false},        // the second Д breaks «Д» and is not retried
        {" ХАМ", "ТЫ ХАМ", true},
        {" ХАМ", "ХАМ", false},          // no implicit space before the phrase
        {" ХАМ", "ТЫ  ХАМ", false},      // two spaces: the second breaks the match
        {"ГАД ", "ТЫ ГАД", false},       // no implicit space after the phrase
        {"ГАД.", "ТЫ ГАД.", true},
        {" ИМЯ", "КАК ТВОЁ ИМЯ?", true},
        {"ИМЯ ", "КАК ТВОЁ ИМЯ?", false},
        {"ЖИВ", "КАК ПОЖИВАЕШЬ?", true},
        {"ПОПА", "ПОПОПА", false},
        {"МАМУ", "Я ЛЮБЛЮ МАМУ", true},
        {"МАМУ", "МАМАМУ", false},
        {"ЛЮБЛЮ", "ЛЮБЛЮБЛЮ", true},
        {"ЧЕЛОВЕК", "ЧЕЛОВЕЧЕСТВО", false},
        {"?", "ПРИВЕТ", false},
        {"?", "ПРИВЕТ?", true},
        {"?", "?", true},
        {"ПРИВЕТ.", "ПРИВЕТ", false},    // keyword longer than the phrase
        {"ПРИВЕТ", "ПРИВЕТ", true},      // the whole phrase
        {"ПРИВЕТ", "", false},
        {"ДУРА", "дура", false},         // no folding inside the scan
        {"ЁЖ", "ЕЖ", false},
        {"AB", "AAB", false},            // Latin behaves the same way
        {"AB", "XAB", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keyword_scan(w(c.keyword), w(c.phrase)), c.match)
            << c.keyword << " in " << c.phrase;
}

TEST(KeywordScan, EmptyKeywordMatchesNothing)
{
    EXPECT_FALSE(keyword_scan("", ""));
    EXPECT_FALSE(keyword_scan("", "ANY"));
}

TEST(KeywordScan, LooksOnlyInsideTheViews)
{
    // Bytes just past the views would complete the match.
    const std::string phrase_buf = "XAB";
    const std::string keyword_buf = "ABC";
    EXPECT_FALSE(keyword_scan("AB", std::string_view(phrase_buf.data(), 2)));
    EXPECT_TRUE(keyword_scan(std::string_view(keyword_buf.data(), 2), "ZAB"));
    EXPECT_FALSE(keyword_scan(keyword_buf, "ZAB"));
}

TEST(ListScan, StartsAtLineOneAndReportsTheFirstMatch)
{
    struct Case {
        std::initializer_list<const char*> lines;
        const char* phrase;
        std::optional<std::size_t> hit;
    };
    const Case cases[] = {
        {{}, "ПРИВЕТ", std::nullopt},
        {{"ПРИВЕТ"}, "ПРИВЕТ", std::nullopt},                   // line 0 is never tested
        {{"", ""}, "ПРИВЕТ", std::nullopt},                     // empty lines match nothing
        {{"", "", "ВЕТ"}, "ПРИВЕТ", std::size_t{2}},
        {{"", "ПРИ", "X", "Y", "Z", "ВЕТ"}, "ПРИВЕТ", std::size_t{1}},  // 1 and 5 match
        {{"", "X", "Y", "Z", "W", "ВЕТ"}, "ПРИВЕТ", std::size_t{5}},
        {{"", "ПРИВЕТ!"}, "ПРИВЕТ", std::nullopt},
        {{"", "ДУРА", " ХАМ"}, "ДДУРА ХАМ", std::size_t{2}},     // scan rule per line
    };
    for (const auto& c : cases) {
        const LineList list = list_of(c.lines);
        EXPECT_EQ(list_scan(list, w(c.phrase)), c.hit) << c.phrase << ", lines " << list.count();
    }
}

} // namespace
} // namespace tarsel
