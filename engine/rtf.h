#pragma once
// A small RTF reader and writer for line lists: one paragraph per line,
// Windows-1251 text.
#include <string>
#include <string_view>
#include <vector>

namespace tarsel {

// True when the bytes form an RTF document (they start with "{\rtf",
// leading whitespace allowed).
bool is_rtf(std::string_view bytes);

// The text of an RTF document as lines of Windows-1251 bytes, one per
// paragraph. Never throws on malformed input, never recurses without bound.
std::vector<std::string> read_rtf(std::string_view rtf);

// An RTF document with one paragraph per line; read_rtf() gives the lines
// back unchanged for every byte value except CR and LF.
std::string write_rtf(const std::vector<std::string>& lines);

} // namespace tarsel
