#include "engine/pools.h"

#include <algorithm>

#include "engine/dialogue.h"
#include "engine/line_list.h"

namespace tarsel {

bool pool_stage(Random& random, std::string_view shown_phrase,
                std::string_view last_reply_shown, std::string& reply_text)
{
    const bool question = !shown_phrase.empty() && shown_phrase.back() == '?';
    const char* answering = question ? files::kQuestions : files::kStatements;

    LineList pool;
    pool.load_rich(answering);
    const auto r = random.draw(static_cast<std::uint32_t>(pool.count()));
    reply_text = pool.line(static_cast<std::ptrdiff_t>(r));

    // Membership counts lines 1.. of the pool that answered.
    const auto& lines = pool.lines();
    if (lines.size() > 1 && std::find(lines.begin() + 1, lines.end(), shown_phrase) != lines.end())
        return true;

    if (last_reply_shown.empty())
        return false;

    const char* target = last_reply_shown.find('?') != std::string_view::npos
                             ? files::kQuestions
                             : files::kStatements;
    pool.load_rich(target);
    pool.add(shown_phrase);
    pool.save_rich(target);
    return true;
}

} // namespace tarsel
