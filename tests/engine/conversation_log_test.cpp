#include "engine/conversation_log.h"

#include "engine_fixture.h"

namespace tarsel::test {
namespace {

std::vector<std::string> expected_block(std::string_view date, std::string_view time, std::size_t count,
                                        const std::vector<std::string>& transcript)
{
    const std::string indent(22, ' ');
    std::vector<std::string> lines = {
        "",
        std::string(80, '-'),
        indent + std::string(30, '_'),
        indent + cp("Дата - ") + std::string(date) + "   |   " + cp("Время -") + std::string(time),
        indent + std::string(30, '~'),
        cp("//Загружено фраз выученных программой: ") + std::to_string(count),
    };
    lines.insert(lines.end(), transcript.begin(), transcript.end());
    lines.push_back(std::string(53, '='));
    return lines;
}

TEST(LogBlock, Lines)
{
    const auto transcript = cp_lines({"USER:     Привет.", "CPU:     Здравствуй."});
    EXPECT_EQ(log_block("17.03.2024", "12:34:56", 41, LineList(transcript)).lines(),
              expected_block("17.03.2024", "12:34:56", 41, transcript));
    // Without a transcript the count line meets the closing rule.
    const auto empty = log_block("1/2/24", "1:02:03 PM", 0, LineList()).lines();
    ASSERT_EQ(empty.size(), 7u);
    EXPECT_EQ(empty[5], cp("//Загружено фраз выученных программой: 0"));
    EXPECT_EQ(empty[6], std::string(53, '='));
}

class ConversationLogTest : public WorkDirTest {};

TEST_F(ConversationLogTest, LearnedPhraseCount)
{
    const std::vector<std::pair<std::vector<std::string>, std::size_t>> cases = {
        {{}, 0}, {{"H"}, 0}, {{"H", "А.^", "Б.^Да.;"}, 2}};
    for (const auto& [lines, count] : cases) {
        write_rich("Base/words.DAT", lines);
        EXPECT_EQ(learned_phrase_count(), count);
    }
    std::filesystem::remove("Base/words.DAT");
    EXPECT_EQ(file_error_of([] { learned_phrase_count(); }), "Cannot open file Base\\Words.dat");
}

TEST_F(ConversationLogTest, EveryExitAppendsOneBlock)
{
    write_bytes("Base/Log.Tarsel", "");
    write_plain("Base/Words.Dat", {"H", "А.^", "Б.^"});
    const LineList first(cp_lines({"USER:     Привет.", "CPU:     Ну."}));
    append_conversation_log("01.02.2024", "10:00:00", first);
    write_plain("Base/Words.Dat", {"H", "А.^", "Б.^", "В.^"});
    append_conversation_log("02.02.2024", "11:00:00", LineList());

    auto expected = expected_block("01.02.2024", "10:00:00", 2, first.lines());
    const auto second = expected_block("02.02.2024", "11:00:00", 3, {});
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(lines_of("Base/Log.Tarsel"), expected);
    EXPECT_TRUE(is_rtf(bytes_of("Base/Log.Tarsel")));
}

TEST_F(ConversationLogTest, FailuresWriteNothing)
{
    write_plain("Base/Words.Dat", {"H"});
    EXPECT_EQ(file_error_of([] { append_conversation_log("d", "t", LineList()); }),
              "Cannot open file Base\\Log.Tarsel");
    EXPECT_FALSE(std::filesystem::exists("Base/Log.Tarsel"));

    write_plain("Base/Log.Tarsel", {"old"});
    std::filesystem::remove("Base/Words.Dat");
    EXPECT_EQ(file_error_of([] { append_conversation_log("d", "t", LineList()); }),
              "Cannot open file Base\\Words.dat");
    EXPECT_EQ(bytes_of("Base/Log.Tarsel"), "old\r\n");
}

} // namespace
} // namespace tarsel::test
