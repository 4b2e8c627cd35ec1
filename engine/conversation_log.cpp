#include "engine/conversation_log.h"

#include "engine/dialogue.h"
#include "engine/rich_file_cache.h"

namespace tarsel {

namespace {

// "Base\Words.dat": the exit spells the knowledge base's name this way; names
// are matched without regard to case, so it is the same file as files::kWords.
constexpr const char* kWordsAtExit = "Base\\Words.dat";

const std::string kIndent(22, ' ');
// "Дата - ", "Время -" and "//Загружено фраз выученных программой: " in Windows-1251.
constexpr std::string_view kDateLabel = "\xC4\xE0\xF2\xE0 - ";
constexpr std::string_view kTimeLabel = "\xC2\xF0\xE5\xEC\xFF -";
constexpr std::string_view kCountLabel =
    "//\xC7\xE0\xE3\xF0\xF3\xE6\xE5\xED\xEE \xF4\xF0\xE0\xE7 "
    "\xE2\xFB\xF3\xF7\xE5\xED\xED\xFB\xF5 \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xEE\xE9: ";

} // namespace

LineList log_block(std::string_view date, std::string_view time,
                   std::size_t learned_phrases, const LineList& transcript)
{
    std::vector<std::string> lines;
    lines.reserve(transcript.count() + 7);
    lines.emplace_back();
    lines.emplace_back(80, '-');
    lines.push_back(kIndent + std::string(30, '_'));
    std::string date_line = kIndent;
    date_line.append(kDateLabel).append(date).append("   |   ").append(kTimeLabel).append(time);
    lines.push_back(std::move(date_line));
    lines.push_back(kIndent + std::string(30, '~'));
    lines.push_back(std::string(kCountLabel) + std::to_string(learned_phrases));
    lines.insert(lines.end(), transcript.lines().begin(), transcript.lines().end());
    lines.emplace_back(53, '=');
    return LineList(std::move(lines));
}

std::size_t learned_phrase_count()
{
    // Only counted: the kept lines are not copied.
    const SharedLines base = load_rich_lines(kWordsAtExit);
    return base->empty() ? 0 : base->size() - 1;
}

void append_conversation_log(std::string_view date, std::string_view time,
                             const LineList& transcript)
{
    LineList log;
    log.load_rich(files::kLog);  // the log must exist: it is never created
    const std::size_t learned = learned_phrase_count();
    const LineList block = log_block(date, time, learned, transcript);
    log.lines().insert(log.lines().end(), block.lines().begin(), block.lines().end());
    log.save_rich(files::kLog);
}

} // namespace tarsel
