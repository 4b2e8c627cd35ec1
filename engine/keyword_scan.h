#pragma once
// The one containment test of the dialogue engine: a forward scan without
// backtracking. After a failed partial match the scan resumes at the byte
// after the failing one, so "ДУРА" is not found in "ДДУРА".
#include <cstddef>
#include <optional>
#include <string_view>

namespace tarsel {

class LineList;

// True when the keyword (length >= 1) occurs in the phrase under the
// forward-scan rule. An empty keyword matches nothing.
bool keyword_scan(std::string_view keyword, std::string_view phrase);

// Scans lines 1..count-1 of the list in order with each whole line as the
// keyword; empty lines match nothing. Gives the first matching line's index.
std::optional<std::size_t> list_scan(const LineList& list, std::string_view phrase);

} // namespace tarsel
