#include "engine/keyword_scan.h"

#include "engine/line_list.h"

namespace tarsel {

bool keyword_scan(std::string_view keyword, std::string_view phrase)
{
    // A keyword longer than the phrase can never be matched in full.
    if (keyword.empty() || keyword.size() > phrase.size())
        return false;
    std::size_t matched = 0;
    for (char c : phrase) {
        // No backtracking: a byte that breaks a partial match is not tried
        // again as the start of a new one.
        if (c == keyword[matched])
            ++matched;
        else
            matched = 0;
        if (matched == keyword.size())
            return true;
    }
    return false;
}

std::optional<std::size_t> list_scan(const LineList& list, std::string_view phrase)
{
    // Line 0 is never a keyword.
    for (std::size_t n = 1; n < list.count(); ++n) {
        const std::string& keyword = list.line(static_cast<std::ptrdiff_t>(n));
        if (!keyword.empty() && keyword_scan(keyword, phrase))
            return n;
    }
    return std::nullopt;
}

} // namespace tarsel
