#include "engine/knowledge_base.h"

#include "engine/errors.h"
#include "engine_fixture.h"

namespace tarsel::test {
namespace {

struct LineCase {
    const char* line;                 // UTF-8
    const char* pattern;              // nullptr: no pattern
    std::size_t count;
    std::vector<const char*> replies; // replies 1..n as line_reply gives them
};

TEST(KnowledgeBaseLine, PatternCountAndReplies)
{
    const std::vector<LineCase> cases = {
        {"КАК ДЕЛА?^Хорошо.;А у тебя как?;", "КАК ДЕЛА?", 2, {"Хорошо.", "А у тебя как?"}},
        // ";" in the pattern raises the count and shifts the separators.
        {"А;Б.^Да.;", "А;Б.", 2, {"Да.", "Б.^Да."}},
        // "^" in a phrase: the pattern ends at the first one from position 2.
        {"А^Б.^", "А", 0, {"Б.^"}},
        // The character right after the separator is taken, even a ";".
        {"ДА.^;).;", "ДА.", 2, {";).", ")."}},
        // The first character belongs to the pattern even when it is a "^".
        {"^А^Да.;", "^А", 1, {"Да."}},
        {"ПРИВЕТ.^", "ПРИВЕТ.", 0, {""}},
        {"Ну^ ладно;", "Ну", 1, {" ладно"}},
        {"ПРИВЕТ", nullptr, 0, {""}},
        {"^", nullptr, 0, {""}},
        {"", nullptr, 0, {""}},
        {"Х;;", nullptr, 2, {"", ";"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string line = cp(c.line);
        const auto pattern = line_pattern(line);
        if (c.pattern) {
            ASSERT_TRUE(pattern.has_value());
            EXPECT_EQ(*pattern, cp(c.pattern));
        } else {
            EXPECT_FALSE(pattern.has_value());
        }
        EXPECT_EQ(reply_count(line), c.count);
        for (std::size_t r = 0; r < c.replies.size(); ++r)
            EXPECT_EQ(line_reply(line, r + 1), cp(c.replies[r])) << "reply " << r + 1;
    }
}

class KnowledgeBaseTest : public WorkDirTest {
protected:
    std::uint32_t ms = 5000;
    Random random{[this] { return ms; }};
};

TEST_F(KnowledgeBaseTest, LookupTakesFirstLineWithRepliesWhosePatternOccurs)
{
    write_rich("Base/Words.Dat", cp_lines({
                                     "ПРИВЕТ^Заголовок;",      // header: never looked at
                                     "без шапки",              // no pattern
                                     "ПРИВЕТ^",                // no replies
                                     "КАК^Первый;",
                                     "ПРИВЕТ^Второй;",
                                 }));
    std::string reply = "old";
    EXPECT_TRUE(knowledge_base_lookup(random, cp("НУ ПРИВЕТ, КАК ТЫ"), reply));
    EXPECT_EQ(reply, cp("Первый"));

    reply = "old";
    EXPECT_TRUE(knowledge_base_lookup(random, cp("ПРИВЕТ"), reply));
    EXPECT_EQ(reply, cp("Второй"));

    // The keyword scan does not back up: "ПРИВЕТ" is not found in "ППРИВЕТ".
    reply = "old";
    EXPECT_FALSE(knowledge_base_lookup(random, cp("ППРИВЕТ ВСЕМ"), reply));
    EXPECT_EQ(reply, "old");
}

TEST_F(KnowledgeBaseTest, LookupDrawsAmongTheLinesReplies)
{
    const std::string line = cp("ДА^Один;Два;Три;");
    write_plain("Base/Words.Dat", {"H", line});
    for (std::uint32_t seed : {1u, 77u, 4242u, 86399999u}) {
        Random expected([] { return 0u; });
        expected.seed(seed);
        random.seed(seed);
        std::string reply;
        ASSERT_TRUE(knowledge_base_lookup(random, cp("ДА"), reply));
        EXPECT_EQ(reply, line_reply(line, expected.draw(3) + 1));
    }
}

TEST_F(KnowledgeBaseTest, LookupWithoutFileFails)
{
    std::string reply = "old";
    try {
        knowledge_base_lookup(random, "X", reply);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "Cannot open file Base\\Words.Dat");
    }
    EXPECT_EQ(reply, "old");
}

struct LearnCase {
    const char* name;
    std::vector<const char*> before;  // nullptr entry list = empty file
    const char* shown;                // ShownPhrase (= LearningCopy)
    const char* current;              // CurrentPhrase
    const char* last_reply;           // upper-cased LastReply
    std::vector<const char*> after;
};

TEST_F(KnowledgeBaseTest, LearningTable)
{
    const std::vector<LearnCase> cases = {
        {"empty file: the first phrase becomes the header", {}, "Привет.", "ПРИВЕТ", "ПРИВЕТ.", {"ПРИВЕТ.^"}},
        {"header only", {"H"}, "Привет.", "ПРИВЕТ", "", {"H", "ПРИВЕТ.^"}},
        {"first turn: no reply filed", {"H", "ДА.^"}, "Да.", "ДА", "", {"H", "ДА.^", "ДА.^"}},
        {"reply filed under the bot's phrase, line moved to the end",
         {"H", "КАК ДЕЛА?^Хорошо.;", "ДА.^"}, "Нормально.", "НОРМАЛЬНО", "КАК ДЕЛА?",
         {"H", "ДА.^", "НОРМАЛЬНО.^", "КАК ДЕЛА?^Хорошо.;Нормально.;"}},
        {"filed under the first of equal patterns", {"H", "ПРИВЕТ.^", "ПРИВЕТ.^"}, "Ага.", "АГА",
         "ПРИВЕТ.", {"H", "ПРИВЕТ.^", "АГА.^", "ПРИВЕТ.^Ага.;"}},
        {"line extended in the turn that added it", {"H"}, "Привет.", "ПРИВЕТ", "ПРИВЕТ.",
         {"H", "ПРИВЕТ.^Привет.;"}},
        {"already a pattern: nothing learned", {"H", "ПРИВЕТ.^", "ДА.^"}, "Привет.", "ПРИВЕТ.", "ДА.",
         {"H", "ПРИВЕТ.^", "ДА.^"}},
        {"no such pattern: only the new line", {"H", "ДА.^"}, "Ну.", "НУ", "НЕТ.", {"H", "ДА.^", "НУ.^"}},
        {"the header is never a key", {"ДА.^"}, "Ну.", "НУ", "ДА.", {"ДА.^", "НУ.^"}},
        {"';' and '^' stored as typed", {"H", "ДА.^"}, "А^Б; в.", "А^Б; В", "ДА.",
         {"H", "А^Б; В.^", "ДА.^А^Б; в.;"}},
        {"a reply beginning with ';'", {"H", "ДА.^"}, ";).", ";)", "ДА.", {"H", ";).^", "ДА.^;).;"}},
        {"a line without '^' is passed over", {"H", "ПРИВЕТ.", "ДА.^"}, "Ну.", "НУ", "ПРИВЕТ.",
         {"H", "ПРИВЕТ.", "ДА.^", "НУ.^"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> before;
        for (auto s : c.before)
            before.push_back(cp(s));
        write_plain("Base/Words.Dat", before);
        const std::string old_bytes = bytes_of("Base/Words.Dat");

        knowledge_base_learn(cp(c.shown), cp(c.current), cp(c.shown), cp(c.last_reply));

        std::vector<std::string> after;
        for (auto s : c.after)
            after.push_back(cp(s));
        EXPECT_EQ(lines_of("Base/Words.Dat"), after);
        if (after == before) {
            EXPECT_EQ(bytes_of("Base/Words.Dat"), old_bytes) << "an unchanged base is not rewritten";
        } else {
            EXPECT_TRUE(is_rtf(bytes_of("Base/Words.Dat")));
        }
    }
}

TEST_F(KnowledgeBaseTest, LearnedReplyIsFoundAgain)
{
    // The reply "Ну; ладно." splits into two replies when read back.
    write_plain("Base/Words.Dat", {"H"});
    knowledge_base_learn(cp("Как дела?"), cp("КАК ДЕЛА?"), cp("Как дела?"), "");
    knowledge_base_learn(cp("Ну; ладно."), cp("НУ; ЛАДНО."), cp("Ну; ладно."), cp("КАК ДЕЛА?"));
    const auto lines = lines_of("Base/Words.Dat");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(reply_count(lines[2]), 2u);
    EXPECT_EQ(line_reply(lines[2], 1), cp("Ну"));
    EXPECT_EQ(line_reply(lines[2], 2), cp(" ладно."));

    std::string reply;
    ASSERT_TRUE(knowledge_base_lookup(random, cp("ТАК КАК ДЕЛА?"), reply));
    EXPECT_TRUE(reply == cp("Ну") || reply == cp(" ладно."));
}

} // namespace
} // namespace tarsel::test
