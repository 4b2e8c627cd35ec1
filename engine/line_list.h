#pragma once
// An ordered list of text lines numbered from 0, as the program's text
// controls hold them: the dialogue view, the hidden work lists, the built-in
// word lists and the exchange buffer.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel {

class LineList {
public:
    LineList() = default;
    explicit LineList(std::vector<std::string> lines) : lines_(std::move(lines)) {}

    std::size_t count() const { return lines_.size(); }
    bool empty() const { return lines_.empty(); }

    // Line i, or "" when i is outside the list (negative included).
    const std::string& line(std::ptrdiff_t i) const;

    // Adds one line per piece of `text` split at CR LF, lone CR or lone LF.
    // A final line break adds no empty line after it; "" adds one empty line.
    void add(std::string_view text);
    // Deletes line i; an index outside the list changes nothing.
    void remove(std::ptrdiff_t i);
    void clear() { lines_.clear(); }

    // Every line followed by CR LF.
    std::string text() const;
    // Replaces the content with the lines of `text` (line breaks as in add(),
    // the empty text after a final break not counted; "" gives no lines).
    void set_text(std::string_view text);

    const std::vector<std::string>& lines() const { return lines_; }
    std::vector<std::string>& lines() { return lines_; }

    // Plain flavour: Windows-1251 text, CR LF line ends.
    void load_plain(std::string_view program_path);
    void save_plain(std::string_view program_path) const;
    // Rich flavour: reads RTF when the file is RTF, plain text otherwise;
    // writes RTF, one paragraph per line.
    void load_rich(std::string_view program_path);
    void save_rich(std::string_view program_path) const;

    friend bool operator==(const LineList&, const LineList&) = default;

private:
    std::vector<std::string> lines_;
};

// Splits text into lines as LineList::set_text does.
std::vector<std::string> split_lines(std::string_view text);

} // namespace tarsel
