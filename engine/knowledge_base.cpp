#include "engine/knowledge_base.h"

#include <algorithm>

#include "engine/dialogue.h"
#include "engine/keyword_scan.h"
#include "engine/phrase.h"
#include "engine/rich_file_cache.h"

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

std::optional<std::size_t> find_answering_line(const std::vector<std::string>& lines,
                                               std::string_view current_phrase)
{
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.size() < 2)
            continue;
        // A pattern longer than the phrase cannot occur in it, so the "^"
        // is looked for only as far as the phrase is long.
        const std::string_view head = line.substr(0, current_phrase.size() + 1);
        const std::size_t end = head.find('^', 1);
        if (end == std::string_view::npos || end + 1 == line.size())
            continue;  // no pattern short enough, or no replies yet
        if (keyword_scan(line.substr(0, end), current_phrase))
            return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> find_pattern(const std::vector<std::string>& lines,
                                        std::string_view pattern)
{
    // A line's pattern ends at its first "^" after the first character, so
    // it holds no "^" after its first character; a wanted pattern that does
    // (or an empty one) is no line's pattern. Otherwise the line's pattern
    // equals `pattern` exactly when the line starts with it and a "^"
    // follows.
    const std::size_t n = pattern.size();
    if (n == 0 || pattern.find('^', 1) != std::string_view::npos)
        return std::nullopt;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.size() > n && line[n] == '^' && line.compare(0, n, pattern) == 0)
            return i;
    }
    return std::nullopt;
}

bool knowledge_base_lookup(Random& random, std::string_view current_phrase,
                           std::string& reply_text)
{
    const SharedLines base = load_rich_lines(files::kWords);
    const auto i = find_answering_line(*base, current_phrase);
    if (!i)
        return false;
    const std::string& line = (*base)[*i];
    const auto count = static_cast<std::uint32_t>(reply_count(line));
    // A line without ";" still has its one reply after the "^" (draw(0) = 0).
    const std::size_t r = random.draw(count) + 1;
    reply_text = std::string(line_reply(line, r));
    return true;
}

void knowledge_base_learn(std::string_view learning_copy, std::string_view current_phrase,
                          std::string_view shown_phrase, std::string_view last_reply)
{
    // Every step reads the file as it stands; the cache only spares parsing
    // it again while it has not changed (rich_file_cache.h).
    SharedLines base = load_rich_lines(files::kWords);
    std::string pattern = to_upper(learning_copy);

    if (find_pattern(*base, current_phrase))
        return;  // already known: nothing is learned

    pattern += '^';
    {
        LineList changed(take_rich_lines(files::kWords, std::move(base)));
        changed.add(pattern);
        save_rich_lines(files::kWords, std::move(changed.lines()));
    }
    base = load_rich_lines(files::kWords);

    if (last_reply.empty())
        return;  // the bot has not spoken yet: nothing to file the phrase under

    auto i = find_pattern(*base, last_reply);
    if (!i)
        return;

    base = load_rich_lines(files::kWords);
    // The file was saved by this turn a moment ago; should anyone have changed
    // it since, look the line up again rather than extend the wrong one.
    const auto p = *i < base->size() ? line_pattern((*base)[*i]) : std::nullopt;
    if (!p || *p != last_reply) {
        i = find_pattern(*base, last_reply);
        if (!i)
            return;
    }
    LineList changed(take_rich_lines(files::kWords, std::move(base)));
    std::string extended = std::move(changed.lines()[*i]);
    changed.remove(static_cast<std::ptrdiff_t>(*i));
    extended.append(shown_phrase);
    extended += ';';
    changed.add(extended);
    save_rich_lines(files::kWords, std::move(changed.lines()));
}

} // namespace tarsel
