#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "engine/cp1251.h"
#include "engine/keyword_scan.h"
#include "engine/phrase.h"
#include "engine/word_lists.h"

namespace tarsel {
namespace {

std::string w(std::string_view utf8) { return utf8_to_cp1251(utf8); }

TEST(WordLists, SizesAndEmptyLineZero)
{
    struct Case { const char* name; LineList list; std::size_t lines; };
    const Case cases[] = {
        {"rude words", rude_word_list(), 83},
        {"topics", topic_list(), 80},
        {"farewells", farewell_list(), 55},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.list.count(), c.lines) << c.name;
        EXPECT_EQ(c.list.line(0), "") << c.name;
        std::set<std::string> distinct;
        for (std::size_t i = 1; i < c.list.count(); ++i) {
            const std::string& entry = c.list.line(static_cast<std::ptrdiff_t>(i));
            EXPECT_FALSE(entry.empty()) << c.name << " line " << i;
            EXPECT_EQ(to_upper(entry), entry) << c.name << " line " << i << " is not upper case";
            // A '?' anywhere but at the end would be a character lost in conversion.
            EXPECT_EQ(entry.find('?'), entry.back() == '?' ? entry.size() - 1 : std::string::npos)
                << c.name << " line " << i;
            EXPECT_TRUE(distinct.insert(entry).second) << c.name << " line " << i << " repeated";
        }
    }
}

TEST(WordLists, EntriesThatAreEasyToGetWrong)
{
    struct Case { const char* name; LineList list; std::ptrdiff_t line; std::string bytes; };
    const Case cases[] = {
        {"rude", rude_word_list(), 1, w(" ЛОХ")},
        {"rude", rude_word_list(), 2, w(" ХАМ")},
        {"rude", rude_word_list(), 7, w("БЛЯ ")},
        {"rude", rude_word_list(), 17, w("ГАД ")},
        {"rude", rude_word_list(), 23, "\xC6\xC5\xD0\xD2\xC2\xC0 \xC0\xC1\xCE\xD0\xD2\xC0"},
        {"rude", rude_word_list(), 66, "\xD3\xA8\xC1\xC8\xD9"},  // УЁБИЩ
        {"rude", rude_word_list(), 69, w("ХЕР ")},
        {"rude", rude_word_list(), 73, w("ХЕР?")},
        {"rude", rude_word_list(), 82, w("Я СОТРУ")},
        {"topic", topic_list(), 1, w(" ИМЯ")},
        {"topic", topic_list(), 20, w("ИМЯ ")},
        {"topic", topic_list(), 23, w("ЛЕТ ")},
        {"topic", topic_list(), 51, "\xCF\xCE\xC9\xC4\xA8\xCC"},  // ПОЙДЁМ
        {"topic", topic_list(), 79, w("ШЕРСТ")},
        {"farewell", farewell_list(), 1, "BY"},
        {"farewell", farewell_list(), 2, "GOOD BY"},
        {"farewell", farewell_list(), 6, "\xC2\xD1\xA8, \xCF\xCE\xCA\xC0"},  // ВСЁ, ПОКА
        {"farewell", farewell_list(), 21, w("ПОКА-ПОКА")},
        {"farewell", farewell_list(), 35, w("ПОКА.")},
        {"farewell", farewell_list(), 53, w("ПРОЩАЙ!")},
        {"farewell", farewell_list(), 54, "\xDD\xC9, \xCF\xCE\xCA\xC0"},  // ЭЙ, ПОКА
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.list.line(c.line), c.bytes) << c.name << " line " << c.line;
}

// How the turn uses the lists: rude words first, topics only when no rude
// word matched, farewells by equality with the whole upper-cased phrase.
enum class Rule { None, Rude, Topic };

Rule rule_for(std::string_view typed_utf8)
{
    const std::string current = to_upper(w(typed_utf8));
    if (list_scan(rude_word_list(), current))
        return Rule::Rude;
    if (list_scan(topic_list(), current))
        return Rule::Topic;
    return Rule::None;
}

bool is_farewell(std::string_view typed_utf8)
{
    const std::string current = to_upper(w(typed_utf8));
    const LineList list = farewell_list();
    const auto& lines = list.lines();
    return std::find(lines.begin() + 1, lines.end(), current) != lines.end();
}

TEST(WordLists, PhraseToRule)
{
    struct Case { const char* typed; Rule rule; };
    const Case cases[] = {
        {"ты хам", Rule::Rude},
        {"хам", Rule::None},             // the entry needs a space before ХАМ
        {"ты гад", Rule::None},          // and ГАД needs something after it
        {"ты гад!", Rule::Rude},
        {"ты гад, понял", Rule::Rude},
        {"я сотру тебя", Rule::Rude},    // rude entry wins over the topic СОТРУ
        {"сотру", Rule::Topic},
        {"как поживаешь?", Rule::Topic}, // ЖИВ inside a word
        {"как твоё имя?", Rule::Topic},
        {"уебище", Rule::None},          // е is not ё
        {"уёбище", Rule::Rude},
        {"ты дура", Rule::Rude},
        {"жертва аборта", Rule::Rude},
        {"жертва  аборта", Rule::None},
        {"привет", Rule::None},
        {"", Rule::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rule_for(c.typed), c.rule) << c.typed;
}

TEST(WordLists, PhraseIsFarewell)
{
    struct Case { const char* typed; bool farewell; };
    const Case cases[] = {
        {"пока", true},
        {"Пока", true},
        {"ПОКА", true},
        {"пока.", true},
        {"пока!", true},
        {"пока?", false},
        {"ну всё, пока", false},
        {"всё, пока", true},
        {"все, пока", false},
        {"эй, пока", true},
        {"good by", false},              // Latin is not upper-cased
        {"GOOD BY", true},
        {"BY", true},
        {"пока ", false},
        {"", false},                     // line 0 is not an entry
    };
    for (const auto& c : cases)
        EXPECT_EQ(is_farewell(c.typed), c.farewell) << c.typed;
}

} // namespace
} // namespace tarsel
