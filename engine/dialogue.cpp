#include "engine/dialogue.h"

#include <cstdint>

#include "engine/fixed_pools.h"
#include "engine/keyword_scan.h"
#include "engine/knowledge_base.h"
#include "engine/paths.h"
#include "engine/phrase.h"
#include "engine/pools.h"
#include "engine/word_lists.h"

namespace tarsel {

namespace {

constexpr std::size_t kLongPhraseLength = 110;
constexpr std::uint32_t kMsPerDay = 86'400'000;
constexpr std::uint32_t kIdleThresholdMin = 60;
constexpr std::uint32_t kIdleThresholdMax = 90;

} // namespace

Dialogue::Dialogue(Random& random)
    : random_(random), memo1_(rude_word_list()), memo2_(farewell_list()), memo4_(topic_list())
{
}

void Dialogue::say(DialogueHost& host)
{
    const bool cpu_cpu = host.cpu_cpu_mode();
    // In Cpu\Cpu mode the phrase is the exchange buffer's whole text, line
    // breaks included.
    std::string shown = cpu_cpu ? memo1_.text() : host.input_text();
    if (shown.empty())
        return;  // nothing to answer (an empty exchange file): no effect at all

    random_.reseed();
    const std::string previous_line = host.previous_line();
    bool topic = false;

    state_.current_phrase = to_upper(shown);
    if (!state_.last_reply.empty())
        make_upper(state_.last_reply);
    capitalize_first(shown);
    apply_final_punctuation(shown);
    const std::string learning_copy = shown;
    const std::string& current = state_.current_phrase;

    // Decision: the first rule that sets the reply ends it.
    [&] {
        if (shown == previous_line) {
            state_.reply_text = fixed_pool_pick(random_, files::kRepeat);
            return;
        }
        if (list_scan(memo1_, current)) {
            state_.reply_text = fixed_pool_pick(random_, files::kRude);
            return;
        }
        topic = list_scan(memo4_, current).has_value();

        const std::uint32_t branch = random_.draw(6) + 1;
        if (branch != 2 && branch != 6 && shown.size() >= kLongPhraseLength) {
            state_.reply_text = fixed_pool_pick(random_, files::kLongPhrase);
            return;
        }
        if (knowledge_base_lookup(random_, current, state_.reply_text))
            return;
        if (topic)
            return;  // says again whatever it said last
        if (pool_stage(random_, shown, state_.last_reply_shown, state_.reply_text))
            knowledge_base_learn(learning_copy, current, shown, state_.last_reply);
    }();

    const std::string& reply = state_.reply_text;
    host.play(Cue::UserLine);
    host.add_user_line(shown);
    transcript_.add("USER:     " + shown);
    host.play(Cue::BotReply);
    host.add_reply_line(reply);
    transcript_.add("CPU:     " + reply);

    if (cpu_cpu) {
        memo1_.clear();
        memo1_.add(reply);
        const std::string path = host.exchange_path();
        ensure_drive_folder(path);
        memo1_.save_plain(path);
    }

    state_.last_reply_shown = reply;
    state_.last_reply = reply;
    host.clear_input();
    state_.idle_ticks = 0;

    const auto& farewells = memo2_.lines();
    for (std::size_t i = 1; i < farewells.size(); ++i) {
        if (farewells[i] == current)
            host.start_farewell();
    }
}

bool Dialogue::idle_tick(DialogueHost& host)
{
    // Reseed from the clock and draw until the threshold is 60 or more. Each
    // try with the clock unchanged gives the same number again, so the tries
    // that succeed are those of the following milliseconds: try them in turn
    // instead of waiting for the clock to move on.
    std::uint32_t ms = random_.now_ms() % kMsPerDay;
    std::uint32_t threshold = 0;
    for (std::uint32_t tries = 0; tries < kMsPerDay; ++tries) {
        random_.seed(ms);
        threshold = random_.draw(kIdleThresholdMax) + 1;
        if (threshold >= kIdleThresholdMin)
            break;
        ms = (ms + 1) % kMsPerDay;
    }

    ++state_.idle_ticks;
    if (state_.idle_ticks < static_cast<int>(threshold))
        return false;

    state_.reply_text = fixed_pool_pick(random_, files::kIdle);
    host.add_idle_remark(state_.reply_text);
    host.play(Cue::BotReply);
    state_.idle_ticks = 0;
    return true;
}

void Dialogue::load_exchange(std::string_view read_path)
{
    LineList buffer;
    buffer.load_plain(read_path);
    memo1_ = std::move(buffer);
}

} // namespace tarsel
