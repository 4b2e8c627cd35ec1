#include "engine/line_list.h"

#include "engine/file_io.h"
#include "engine/rich_file_cache.h"

namespace tarsel {

std::vector<std::string> split_lines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.emplace_back(text.substr(start, i - start));
        i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

const std::string& LineList::line(std::ptrdiff_t i) const
{
    static const std::string empty;
    if (i < 0 || static_cast<std::size_t>(i) >= lines_.size())
        return empty;
    return lines_[static_cast<std::size_t>(i)];
}

void LineList::add(std::string_view text)
{
    std::vector<std::string> pieces = split_lines(text);
    if (pieces.empty()) {
        lines_.emplace_back();
        return;
    }
    lines_.insert(lines_.end(), std::make_move_iterator(pieces.begin()),
                  std::make_move_iterator(pieces.end()));
}

void LineList::remove(std::ptrdiff_t i)
{
    if (i < 0 || static_cast<std::size_t>(i) >= lines_.size())
        return;
    lines_.erase(lines_.begin() + i);
}

std::string LineList::text() const
{
    std::size_t size = 0;
    for (const auto& l : lines_)
        size += l.size() + 2;
    std::string out;
    out.reserve(size);
    for (const auto& l : lines_) {
        out += l;
        out += "\r\n";
    }
    return out;
}

void LineList::set_text(std::string_view text)
{
    lines_ = split_lines(text);
}

void LineList::load_plain(std::string_view program_path)
{
    lines_ = split_lines(read_file(program_path));
}

void LineList::save_plain(std::string_view program_path) const
{
    write_file(program_path, text());
}

void LineList::load_rich(std::string_view program_path)
{
    // Parsed once per state of the file; see rich_file_cache.h.
    SharedLines lines = load_rich_lines(program_path);
    if (lines.use_count() == 1)
        lines_ = std::move(*std::const_pointer_cast<Lines>(lines));  // not kept: no copy
    else
        lines_ = *lines;
}

void LineList::save_rich(std::string_view program_path) const
{
    save_rich_lines_uncached(program_path, lines_);
}

} // namespace tarsel
