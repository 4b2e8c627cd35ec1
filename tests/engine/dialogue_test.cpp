#include "engine/dialogue.h"

#include <sys/resource.h>

#include <csignal>
#include <optional>

#include "engine/phrase.h"
#include "engine/word_lists.h"
#include "engine_fixture.h"

namespace tarsel::test {
namespace {

class DialogueTest : public WorkDirTest {
protected:
    void SetUp() override
    {
        WorkDirTest::SetUp();
        write_plain("Base/Povtor.Dat", cp_lines({"Ты повторяешься."}));
        write_plain("Base/X.Dat", cp_lines({"Не груби."}));
        write_plain("Base/BigString.Dat", cp_lines({"Слишком длинно."}));
        write_plain("Base/Pause.Dat", cp_lines({"Ау!"}));
        write_plain("Base/W1.Dat", cp_lines({"Как дела?"}));
        write_plain("Base/W2.Dat", cp_lines({"Привет."}));
        write_plain("Base/Words.Dat", {"H"});
    }

    // One turn in Cpu\User mode with the phrase typed as `utf8`.
    void say(std::string_view utf8)
    {
        host.input = cp(utf8);
        dialogue.say(host);
    }
    std::string last_view_line() const { return host.view.line(static_cast<std::ptrdiff_t>(host.view.count()) - 1); }

    std::uint32_t ms = 1000;
    Random random{[this] { return ms; }};
    Dialogue dialogue{random};
    RecordingHost host{&dialogue};
};

// A phrase of `n` bytes that trips no rule: no rude word, no topic word.
std::string plain_phrase(std::size_t n)
{
    std::string s;
    while (s.size() < n)
        s += cp("о");
    return s;
}

TEST_F(DialogueTest, ConversationThroughEveryReplySource)
{
    // 1. First turn: answered from the statement pool, nothing learned.
    say("привет");
    EXPECT_EQ(last_view_line(), cp("Привет."));
    EXPECT_EQ(dialogue.state().current_phrase, cp("ПРИВЕТ"));
    EXPECT_EQ(lines_of("Base/W2.Dat"), cp_lines({"Привет."}));
    EXPECT_EQ(lines_of("Base/Words.Dat"), std::vector<std::string>{"H"});

    // 2. A question: answered from W1, learned into W2 (the previous reply had
    // no "?") and into the base as a new pattern.
    say("как дела?");
    EXPECT_EQ(last_view_line(), cp("Как дела?"));
    EXPECT_EQ(lines_of("Base/W2.Dat"), cp_lines({"Привет.", "Как дела?"}));
    EXPECT_EQ(lines_of("Base/Words.Dat"), cp_lines({"H", "КАК ДЕЛА?^"}));
    EXPECT_TRUE(is_rtf(bytes_of("Base/Words.Dat")));

    // 3. The answer to the bot's question: into W1, and filed in the base
    // under the bot's "Как дела?". The reply draw is over W2's two lines.
    ms = clock_where([](Random& r) { r.draw(6); return r.draw(2) == 0; });
    say("хорошо");
    EXPECT_EQ(last_view_line(), cp("Привет."));
    EXPECT_EQ(lines_of("Base/W1.Dat"), cp_lines({"Как дела?", "Хорошо."}));
    EXPECT_EQ(lines_of("Base/Words.Dat"), cp_lines({"H", "ХОРОШО.^", "КАК ДЕЛА?^Хорошо.;"}));
    EXPECT_EQ(dialogue.state().last_reply, cp("Привет."));
    const auto words = bytes_of("Base/Words.Dat");
    const auto w1 = bytes_of("Base/W1.Dat");
    const auto w2 = bytes_of("Base/W2.Dat");

    // 4. The base answers a phrase that holds a learned pattern.
    say("ну как дела? скажи");
    EXPECT_EQ(last_view_line(), cp("Хорошо."));
    // 5. A topic word without a match: the last reply once more.
    say("я устал");
    EXPECT_EQ(last_view_line(), cp("Хорошо."));
    // 6. The same phrase again: the repeat pool.
    say("я устал");
    EXPECT_EQ(last_view_line(), cp("Ты повторяешься."));
    // 7. A rude word.
    say("ты хам");
    EXPECT_EQ(last_view_line(), cp("Не груби."));
    // 8. A long phrase on a length-test draw: the long-phrase pool, even with
    // a pattern of the base in it.
    const std::string long_phrase = cp("как дела? ") + plain_phrase(100);
    ms = clock_where([](Random& r) { const auto n = r.draw(6) + 1; return n != 2 && n != 6; });
    host.input = long_phrase;
    dialogue.say(host);
    EXPECT_EQ(last_view_line(), cp("Слишком длинно."));
    // 9. The same length on a draw of 2 or 6: the base.
    ms = clock_where([](Random& r) { const auto n = r.draw(6) + 1; return n == 2 || n == 6; });
    host.input = long_phrase + cp("!");
    dialogue.say(host);
    EXPECT_EQ(last_view_line(), cp("Хорошо."));

    // Turns 4-9 learned nothing.
    EXPECT_EQ(bytes_of("Base/Words.Dat"), words);
    EXPECT_EQ(bytes_of("Base/W1.Dat"), w1);
    EXPECT_EQ(bytes_of("Base/W2.Dat"), w2);

    const auto& t = dialogue.transcript().lines();
    ASSERT_EQ(t.size(), 18u);
    EXPECT_EQ(t[0], cp("USER:     Привет."));
    EXPECT_EQ(t[1], cp("CPU:     Привет."));
    EXPECT_EQ(t[6], cp("USER:     Ну как дела? скажи."));
    EXPECT_EQ(t[7], cp("CPU:     Хорошо."));
    EXPECT_EQ(t[15], cp("CPU:     Слишком длинно."));
    EXPECT_EQ(host.view.lines().size(), 18u);
    EXPECT_EQ(dialogue.state().last_reply_shown, cp("Хорошо."));
    EXPECT_EQ(dialogue.state().last_reply, cp("Хорошо."));
    EXPECT_EQ(host.farewells, 0);
}

TEST_F(DialogueTest, TopicWordOnTheFirstTurnShowsAnEmptyReply)
{
    say("я устал");
    EXPECT_EQ(host.view.lines(), cp_lines({"Я устал.", ""}));
    EXPECT_EQ(dialogue.transcript().lines(), cp_lines({"USER:     Я устал.", "CPU:     "}));
}

TEST_F(DialogueTest, LengthIsCountedAfterFinalPunctuation)
{
    const auto long_draw = clock_where([](Random& r) { const auto n = r.draw(6) + 1; return n != 2 && n != 6; });
    ms = long_draw;
    // 109 bytes + "." = 110: long.
    host.input = plain_phrase(109);
    dialogue.say(host);
    EXPECT_EQ(last_view_line(), cp("Слишком длинно."));
    // 108 bytes + "." = 109: never long.
    host.input = plain_phrase(108);
    dialogue.say(host);
    EXPECT_NE(last_view_line(), cp("Слишком длинно."));
}

TEST_F(DialogueTest, HostIsAskedInOrder)
{
    dialogue.state().idle_ticks = 7;
    say("пока");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"play user @0", "user @0", "play reply @1", "reply @1",
                                                    "clear @2", "farewell @2"}));
    EXPECT_EQ(host.input, "");
    EXPECT_EQ(dialogue.state().idle_ticks, 0);
}

TEST_F(DialogueTest, FarewellNeedsTheWholeUpperCasedPhrase)
{
    const std::vector<std::pair<const char*, int>> cases = {
        {"пока", 1}, {"Пока!", 1}, {"ПОКА.", 1}, {"GOOD BY", 1},
        {"пока?", 0}, {"пока ", 0}, {"ну всё, пока", 0}, {"good by", 0},
    };
    for (const auto& [phrase, expected] : cases) {
        SCOPED_TRACE(phrase);
        host.farewells = 0;
        host.view.clear();  // keep the repeat rule out of the way
        say(phrase);
        EXPECT_EQ(host.farewells, expected);
    }
}

TEST_F(DialogueTest, EmptyPhraseDoesNothing)
{
    dialogue.state().last_reply = cp("ну");
    dialogue.state().idle_ticks = 3;
    host.input = "";
    dialogue.say(host);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(dialogue.state().last_reply, cp("ну"));
    EXPECT_EQ(dialogue.state().idle_ticks, 3);
    EXPECT_TRUE(dialogue.transcript().empty());

    // Cpu\Cpu mode with an empty exchange file.
    write_bytes(dir_ / "empty.txt", "");
    dialogue.load_exchange((dir_ / "empty.txt").string());
    host.cpu_cpu = true;
    dialogue.say(host);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(DialogueTest, CpuCpuTurnReadsTheBufferAndWritesTheReply)
{
    std::filesystem::create_directories(dir_ / "drives" / "d");
    write_bytes(dir_ / "drives" / "d" / "txt.dat", cp("пока\n"));  // a lone LF, any spelling of the name
    dialogue.load_exchange();
    EXPECT_EQ(dialogue.exchange_buffer().text(), cp("пока\r\n"));

    host.cpu_cpu = true;
    host.input = cp("набрано");
    host.exchange = "E:\\Reply.Dat";
    dialogue.say(host);

    // The phrase keeps its line break, so "." lands on a line of its own and
    // it is no farewell.
    EXPECT_EQ(host.view.lines(), cp_lines({"Пока", ".", "Привет."}));
    EXPECT_EQ(dialogue.transcript().lines(), cp_lines({"USER:     Пока", ".", "CPU:     Привет."}));
    EXPECT_EQ(host.farewells, 0);
    EXPECT_EQ(host.input, "");
    EXPECT_EQ(dialogue.exchange_buffer().lines(), cp_lines({"Привет."}));
    EXPECT_EQ(bytes_of(dir_ / "drives" / "e" / "Reply.Dat"), cp("Привет.\r\n"));
}

TEST_F(DialogueTest, ExchangeBufferReplacesTheRudeWordsForGood)
{
    EXPECT_EQ(dialogue.exchange_buffer(), rude_word_list());
    // Before any load the buffer's whole text is the phrase.
    host.cpu_cpu = true;
    host.exchange = "D:\\Txt.Dat";
    dialogue.say(host);
    EXPECT_EQ(dialogue.transcript().line(0), "USER:     ");
    EXPECT_EQ(dialogue.exchange_buffer().count(), 1u);

    // Back in Cpu\User mode the rude-word rule has nothing left to test.
    host.cpu_cpu = false;
    say("ты дура");
    EXPECT_NE(last_view_line(), cp("Не груби."));

    // A failed load leaves the buffer alone.
    const LineList before = dialogue.exchange_buffer();
    EXPECT_EQ(file_error_of([&] { dialogue.load_exchange("Q:\\Nowhere.Dat"); }),
              "Cannot open file Q:\\Nowhere.Dat");
    EXPECT_EQ(dialogue.exchange_buffer(), before);
}

// Limits the size of files this process may write, to make one save fail
// while the loads before it succeed.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, old_handler_);
    }

private:
    rlimit old_{};
    void (*old_handler_)(int) = nullptr;
};

struct FailureCase {
    const char* name;
    const char* phrase;
    const char* missing;           // file removed before the turn
    int fail_save;                 // 0: none; 4 or 7: the knowledge-base save that fails
    const char* message;
    const char* reply_after;       // nullptr: ReplyText unchanged
    std::vector<const char*> w2_after;
    std::vector<const char*> words_after;
};

TEST_F(DialogueTest, FailureLeavesStateAndSavedFiles)
{
    // The bot's previous reply "ДА." is a pattern, so a statement that reaches
    // the learning saves W2, then the new pattern, then the extended line. The
    // long header keeps W2's file smaller than the base's for the size limit.
    const std::string header(300, 'h');
    const std::vector<FailureCase> cases = {
        {"repeat pool missing", "старое", "Base/Povtor.Dat", 0, "Cannot open file Base\\Povtor.Dat", nullptr,
         {"Привет."}, {"H", "ДА.^"}},
        {"rude pool missing", "ты хам", "Base/X.Dat", 0, "Cannot open file Base\\X.Dat", nullptr, {"Привет."},
         {"H", "ДА.^"}},
        {"base missing at the lookup", "новое", "Base/Words.Dat", 0, "Cannot open file Base\\Words.Dat", nullptr,
         {"Привет."}, {}},
        {"answering pool missing", "новое", "Base/W2.Dat", 0, "Cannot open file Base\\W2.Dat", nullptr, {},
         {"H", "ДА.^"}},
        {"target pool missing", "новое?", "Base/W2.Dat", 0, "Cannot open file Base\\W2.Dat", "Как дела?", {},
         {"H", "ДА.^"}},
        {"new pattern cannot be saved", "новое", nullptr, 4, "Cannot create file Base\\Words.Dat", "Привет.",
         {"Привет.", "Новое."}, {"H", "ДА.^"}},
        {"extended line cannot be saved", "новое", nullptr, 7, "Cannot create file Base\\Words.Dat", "Привет.",
         {"Привет.", "Новое."}, {"H", "ДА.^", "НОВОЕ.^"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_plain("Base/Povtor.Dat", cp_lines({"Ты повторяешься."}));
        write_plain("Base/X.Dat", cp_lines({"Не груби."}));
        write_plain("Base/W2.Dat", cp_lines({"Привет."}));
        write_rich("Base/Words.Dat", {header, cp("ДА.^")});
        if (c.missing)
            std::filesystem::remove(c.missing);
        host.calls.clear();
        host.view.clear();
        host.view.add(cp("Старое."));
        host.view.add(cp("Да."));
        dialogue.transcript().clear();
        auto& s = dialogue.state();
        s.last_reply = cp("да.");
        s.last_reply_shown = cp("да.");
        s.reply_text = cp("Да.");
        s.idle_ticks = 5;

        std::string error;
        {
            // Room for the base of step 4 but not for that of step 7, or too
            // little even for step 4.
            const auto step4 = write_rtf({header, cp("ДА.^"), cp("НОВОЕ.^")});
            std::optional<FileSizeLimit> guard;
            if (c.fail_save)
                guard.emplace(c.fail_save == 4 ? step4.size() - 1 : step4.size());
            host.input = cp(c.phrase);
            error = file_error_of([&] { dialogue.say(host); });
        }
        EXPECT_EQ(error, c.message);
        EXPECT_EQ(s.current_phrase, to_upper(cp(c.phrase)));
        EXPECT_EQ(s.last_reply, cp("ДА."));
        EXPECT_EQ(s.last_reply_shown, cp("да."));
        EXPECT_EQ(s.reply_text, cp(c.reply_after ? c.reply_after : "Да."));
        EXPECT_EQ(s.idle_ticks, 5);
        EXPECT_EQ(host.input, cp(c.phrase));
        EXPECT_TRUE(host.calls.empty());
        EXPECT_EQ(host.view.count(), 2u);
        EXPECT_TRUE(dialogue.transcript().empty());
        if (!c.w2_after.empty()) {
            EXPECT_EQ(lines_of("Base/W2.Dat"), cp_lines(c.w2_after));
        }
        if (!c.words_after.empty()) {
            auto words = cp_lines(c.words_after);
            words[0] = header;
            EXPECT_EQ(lines_of("Base/Words.Dat"), words);
        }
    }
}

TEST_F(DialogueTest, ExchangeWriteFailureShowsButDoesNotFinishTheTurn)
{
    write_bytes(dir_ / "file", "x");
    host.cpu_cpu = true;
    host.exchange = (dir_ / "file" / "Txt.Dat").string();
    host.input = cp("набрано");
    dialogue.state().idle_ticks = 4;
    dialogue.exchange_buffer().set_text(cp("пока\r\n"));

    EXPECT_EQ(file_error_of([&] { dialogue.say(host); }), "Cannot create file " + host.exchange);
    EXPECT_EQ(host.view.lines(), cp_lines({"Пока", ".", "Привет."}));
    EXPECT_EQ(dialogue.transcript().count(), 3u);
    EXPECT_EQ(dialogue.exchange_buffer().lines(), cp_lines({"Привет."}));
    EXPECT_EQ(dialogue.state().reply_text, cp("Привет."));
    EXPECT_EQ(dialogue.state().last_reply_shown, "");
    EXPECT_EQ(dialogue.state().last_reply, "");
    EXPECT_EQ(dialogue.state().idle_ticks, 4);
    EXPECT_EQ(host.input, cp("набрано"));
}

class IdleTest : public DialogueTest {
protected:
    // Ticks until a remark comes, with the clock standing still.
    int ticks_to_remark()
    {
        for (int tick = 1; tick <= 200; ++tick) {
            if (dialogue.idle_tick(host))
                return tick;
        }
        return -1;
    }
};

TEST_F(IdleTest, ThresholdLiesIn60To90AndFollowsTheClock)
{
    int lowest = 100;
    int highest = 0;
    for (std::uint32_t m : {0u, 1u, 59999u, 86399990u, 86399999u}) {
        for (std::uint32_t step = 0; step < 40; ++step) {
            ms = (m + step * 2161) % 86400000;
            // What the spinning clock would give: the first millisecond from
            // now (wrapping at midnight) whose draw is 60 or more.
            int expected = 0;
            for (std::uint32_t t = ms;; t = (t + 1) % 86400000) {
                Random r([] { return 0u; });
                r.seed(t);
                expected = static_cast<int>(r.draw(90)) + 1;
                if (expected >= 60)
                    break;
            }
            dialogue.state().idle_ticks = 0;
            const int got = ticks_to_remark();
            ASSERT_EQ(got, expected) << "clock " << ms;
            lowest = std::min(lowest, got);
            highest = std::max(highest, got);
        }
    }
    EXPECT_GE(lowest, 60);
    EXPECT_LE(highest, 90);
    EXPECT_LT(lowest, highest);  // really drawn, not a constant
}

TEST_F(IdleTest, RemarkShowsAndRestartsTheCount)
{
    dialogue.state().last_reply = cp("ДА.");
    dialogue.state().last_reply_shown = cp("Да.");
    for (int tick = 1; tick < 60; ++tick)
        ASSERT_FALSE(dialogue.idle_tick(host)) << tick;
    EXPECT_EQ(dialogue.state().idle_ticks, 59);
    host.calls.clear();
    const int more = ticks_to_remark();
    EXPECT_GE(more, 1);
    EXPECT_LE(more, 31);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"idle @0", "play reply @0"}));
    EXPECT_EQ(last_view_line(), cp("Ау!"));
    EXPECT_EQ(dialogue.state().reply_text, cp("Ау!"));
    EXPECT_EQ(dialogue.state().idle_ticks, 0);
    EXPECT_EQ(dialogue.state().last_reply, cp("ДА."));
    EXPECT_EQ(dialogue.state().last_reply_shown, cp("Да."));

    // The remark is what a topic-word turn repeats.
    say("я устал");
    EXPECT_EQ(last_view_line(), cp("Ау!"));
}

TEST_F(IdleTest, MissingIdlePoolKeepsCounting)
{
    std::filesystem::remove("Base/Pause.Dat");
    dialogue.state().reply_text = cp("Было.");
    dialogue.state().idle_ticks = 89;
    EXPECT_EQ(file_error_of([&] { dialogue.idle_tick(host); }), "Cannot open file Base\\Pause.Dat");
    EXPECT_EQ(dialogue.state().idle_ticks, 90);
    EXPECT_EQ(file_error_of([&] { dialogue.idle_tick(host); }), "Cannot open file Base\\Pause.Dat");
    EXPECT_EQ(dialogue.state().idle_ticks, 91);
    EXPECT_EQ(dialogue.state().reply_text, cp("Было."));
    EXPECT_TRUE(host.view.empty());

    // A Say turn resets the count.
    say("привет");
    EXPECT_EQ(dialogue.state().idle_ticks, 0);
}

} // namespace
} // namespace tarsel::test
