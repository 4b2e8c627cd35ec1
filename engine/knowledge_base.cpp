#include "engine/knowledge_base.h"

#include <algorithm>

#include "engine/dialogue.h"
#include "engine/keyword_scan.h"
#include "engine/phrase.h"

namespace tarsel {

std::optional<std::size_t> pattern_end(std::string_view line)
{
    // The first character always belongs to the pattern, even a "^".
    if (line.size() < 2)
        return std::nullopt;
    const std::size_t caret = line.find('^', 1);
    if (caret == std::string_view::npos)
        return std::nullopt;
    return caret;
}

std::optional<std::string_view> line_pattern(std::string_view line)
{
    const auto end = pattern_end(line);
    if (!end)
        return std::nullopt;
    return line.substr(0, *end);
}

std::size_t reply_count(std::string_view line)
{
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), ';'));
}

std::string_view line_reply(std::string_view line, std::size_t r)
{
    std::size_t separator = std::string_view::npos;
    if (r <= 1) {
        const auto end = pattern_end(line);
        if (!end)
            return {};
        separator = *end;
    } else {
        std::size_t seen = 0;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == ';' && ++seen == r - 1) {
                separator = i;
                break;
            }
        }
        if (separator == std::string_view::npos)
            return {};
    }
    const std::size_t first = separator + 1;
    if (first >= line.size())
        return {};
    // The first character is taken whatever it is, a ";" included.
    const std::size_t stop = line.find(';', first + 1);
    return line.substr(first, stop == std::string_view::npos ? std::string_view::npos : stop - first);
}

std::optional<std::size_t> find_answering_line(const LineList& base,
                                               std::string_view current_phrase)
{
    const auto& lines = base.lines();
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const auto end = pattern_end(line);
        if (!end || *end + 1 == line.size())
            continue;  // no pattern, or no replies yet
        if (keyword_scan(line.substr(0, *end), current_phrase))
            return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> find_pattern(const LineList& base, std::string_view pattern)
{
    const auto& lines = base.lines();
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto p = line_pattern(lines[i]);
        if (p && *p == pattern)
            return i;
    }
    return std::nullopt;
}

bool knowledge_base_lookup(Random& random, std::string_view current_phrase,
                           std::string& reply_text)
{
    LineList base;
    base.load_rich(files::kWords);
    const auto i = find_answering_line(base, current_phrase);
    if (!i)
        return false;
    const std::string& line = base.line(static_cast<std::ptrdiff_t>(*i));
    const auto count = static_cast<std::uint32_t>(reply_count(line));
    // A line without ";" still has its one reply after the "^" (draw(0) = 0).
    const std::size_t r = random.draw(count) + 1;
    reply_text = std::string(line_reply(line, r));
    return true;
}

void knowledge_base_learn(std::string_view learning_copy, std::string_view current_phrase,
                          std::string_view shown_phrase, std::string_view last_reply)
{
    LineList base;
    base.load_rich(files::kWords);
    std::string pattern = to_upper(learning_copy);

    if (find_pattern(base, current_phrase))
        return;  // already known: nothing is learned

    pattern += '^';
    base.add(pattern);
    base.save_rich(files::kWords);
    base.load_rich(files::kWords);

    if (last_reply.empty())
        return;  // the bot has not spoken yet: nothing to file the phrase under

    auto i = find_pattern(base, last_reply);
    if (!i)
        return;

    base.load_rich(files::kWords);
    // The file was saved by this turn a moment ago; should anyone have changed
    // it since, look the line up again rather than extend the wrong one.
    const auto at = static_cast<std::ptrdiff_t>(*i);
    const auto p = line_pattern(base.line(at));
    if (!p || *p != last_reply) {
        i = find_pattern(base, last_reply);
        if (!i)
            return;
    }
    const auto index = static_cast<std::ptrdiff_t>(*i);
    std::string extended = std::move(base.lines()[*i]);
    base.remove(index);
    extended.append(shown_phrase);
    extended += ';';
    base.add(extended);
    base.save_rich(files::kWords);
}

} // namespace tarsel
