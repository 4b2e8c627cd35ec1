#include "engine/pools.h"

#include "engine/errors.h"
#include "engine/fixed_pools.h"
#include "engine_fixture.h"

namespace tarsel::test {
namespace {

class PoolsTest : public WorkDirTest {
protected:
    std::uint32_t ms = 5000;
    Random random{[this] { return ms; }};
};

struct PoolCase {
    const char* name;
    std::vector<const char*> w1, w2;
    const char* shown;
    const char* last_shown;
    const char* reply;  // every line of the answering pool is this text
    bool learning_follows;
    std::vector<const char*> w1_after, w2_after;
};

TEST_F(PoolsTest, AnswerAndLearningTable)
{
    const std::vector<PoolCase> cases = {
        {"question answered from W1, first reply of the run: nothing learned",
         {"В?", "В?"}, {"У.", "У."}, "Как дела?", "", "В?", false, {"В?", "В?"}, {"У.", "У."}},
        {"'?' inside a statement does not count", {"В?"}, {"У."}, "Что? Нет.", "", "У.", false, {"В?"}, {"У."}},
        {"'?' anywhere in the previous reply: learned into W1", {"В?"}, {"У."}, "Я.", "Ты кто? Скажи.", "У.",
         true, {"В?", "Я."}, {"У."}},
        {"previous reply a statement: learned into W2", {"В?"}, {"У."}, "Я.", "Ну.", "У.", true, {"В?"},
         {"У.", "Я."}},
        {"member of the answering pool on the first turn: only the base learns", {"В?"}, {"У.", "Я.", "Я."},
         "Я.", "", nullptr, true, {"В?"}, {"У.", "Я.", "Я."}},
        {"equal only to line 0: not a member, a second copy", {"В?"}, {"Я.", "У."}, "Я.", "Ну.", nullptr, true,
         {"В?"}, {"Я.", "У.", "Я."}},
        {"member of W2, previous reply a question: W1 is not touched", {"В?"}, {"У.", "Я."}, "Я.", "Кто?",
         nullptr, true, {"В?"}, {"У.", "Я."}},
        {"question not in W1 but in W2, previous a statement: W2 twice", {"В?"}, {"У.", "Кто?"}, "Кто?", "Ну.",
         "В?", true, {"В?"}, {"У.", "Кто?", "Кто?"}},
        {"empty answering pool: empty reply, still learned", {"В?"}, {}, "Я.", "Ну.", "", true, {"В?"}, {"Я."}},
        {"case and a trailing space make a different phrase", {"В?"}, {"У.", "я.", "Я. "}, "Я.", "Ну.", nullptr,
         true, {"В?"}, {"У.", "я.", "Я. ", "Я."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_plain("Base/W1.Dat", cp_lines(c.w1));
        // An empty pool is a 0-byte file; the others are RTF.
        if (c.w2.empty())
            write_plain("Base/W2.Dat", {});
        else
            write_rich("Base/W2.Dat", cp_lines(c.w2));
        const auto answering = cp(c.shown).back() == '?' ? cp_lines(c.w1) : cp_lines(c.w2);

        Random expected([] { return 0u; });
        expected.seed(ms);
        random.seed(ms);
        std::string reply = "old";
        EXPECT_EQ(pool_stage(random, cp(c.shown), cp(c.last_shown), reply), c.learning_follows);
        if (c.reply) {
            EXPECT_EQ(reply, cp(c.reply));
        }
        const auto r = expected.draw(static_cast<std::uint32_t>(answering.size()));
        EXPECT_EQ(reply, r < answering.size() ? answering[r] : std::string());
        EXPECT_EQ(lines_of("Base/W1.Dat"), cp_lines(c.w1_after));
        EXPECT_EQ(lines_of("Base/W2.Dat"), cp_lines(c.w2_after));
    }
}

TEST_F(PoolsTest, MissingPools)
{
    write_plain("Base/W1.Dat", {cp("В?")});
    std::string reply = "old";
    // The answering pool is missing: no reply, nothing learned.
    EXPECT_EQ(file_error_of([&] { pool_stage(random, cp("Я."), cp("Ну?"), reply); }),
              "Cannot open file Base\\W2.Dat");
    EXPECT_EQ(reply, "old");
    EXPECT_EQ(lines_of("Base/W1.Dat"), std::vector<std::string>{cp("В?")});

    // The target pool is missing: the reply is already drawn.
    std::filesystem::remove("Base/W1.Dat");
    write_plain("Base/W2.Dat", {cp("У.")});
    EXPECT_EQ(file_error_of([&] { pool_stage(random, cp("Я."), cp("Ну?"), reply); }),
              "Cannot open file Base\\W1.Dat");
    EXPECT_EQ(reply, cp("У."));
    EXPECT_EQ(lines_of("Base/W2.Dat"), std::vector<std::string>{cp("У.")});
    EXPECT_FALSE(std::filesystem::exists("Base/W1.Dat"));
}

TEST_F(PoolsTest, FixedPoolPick)
{
    write_plain("Base/Pause.Dat", {});
    EXPECT_EQ(fixed_pool_pick(random, "Base\\Pause.Dat"), "");

    // Every line can come out, line 0 included, rich or plain alike.
    const auto lines = cp_lines({"Ноль", "", "Два"});
    for (bool rich : {false, true}) {
        rich ? write_rich("Base/Povtor.Dat", lines) : write_plain("Base/Povtor.Dat", lines);
        for (std::uint32_t seed : {3u, 900u, 123456u}) {
            Random expected([] { return 0u; });
            expected.seed(seed);
            random.seed(seed);
            EXPECT_EQ(fixed_pool_pick(random, "base\\POVTOR.DAT"), lines[expected.draw(3)]);
        }
    }
    EXPECT_THROW(fixed_pool_pick(random, "Base\\X.Dat"), FileError);
}

} // namespace
} // namespace tarsel::test
