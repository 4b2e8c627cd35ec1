#pragma once
// The knowledge base Base\Words.Dat. Line 0 is a header; every later line
// that has a pattern is an entry: the upper-cased pattern, "^", then the
// replies, each followed by ";". Nothing is escaped, so ";" and "^" typed in
// a phrase are stored as they are and shift the separators.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/line_list.h"
#include "engine/random.h"

namespace tarsel {

// Index of the "^" that ends the line's pattern: the first "^" after the
// line's first character. nullopt when the line has none (no pattern).
std::optional<std::size_t> pattern_end(std::string_view line);

// The characters before that "^"; nullopt for a line without a pattern.
std::optional<std::string_view> line_pattern(std::string_view line);

// Number of ";" in the whole line, pattern included.
std::size_t reply_count(std::string_view line);

// Reply r (r >= 1) of an entry line: the separator is the pattern's "^" for
// r = 1 and the (r-1)-th ";" of the line otherwise; the reply starts right
// after the separator (whatever that character is) and runs to the next ";"
// after its first character, or to the end of the line. "" when the line
// has no such separator or nothing follows it.
std::string_view line_reply(std::string_view line, std::size_t r);

// First line from 1 on with replies whose pattern occurs in the phrase
// (keyword scan); lines without a pattern or without replies are passed over.
std::optional<std::size_t> find_answering_line(const std::vector<std::string>& lines,
                                               std::string_view current_phrase);

// First line from 1 on whose pattern equals `pattern` byte for byte.
std::optional<std::size_t> find_pattern(const std::vector<std::string>& lines,
                                        std::string_view pattern);

// Knowledge-base lookup: loads Base\Words.Dat and, on a match, draws one of
// the answering line's replies into `reply_text`. Returns whether it matched;
// `reply_text` is untouched otherwise. Throws FileError.
bool knowledge_base_lookup(Random& random, std::string_view current_phrase,
                           std::string& reply_text);

// Knowledge-base learning: adds the upper-cased learning copy as a new
// pattern unless a pattern equal to the current phrase already exists, then
// files the shown phrase as a reply under the first line whose pattern equals
// the bot's previous reply. Each change is saved at once. Throws FileError;
// what was saved before the failing step stays saved.
void knowledge_base_learn(std::string_view learning_copy, std::string_view current_phrase,
                          std::string_view shown_phrase, std::string_view last_reply);

} // namespace tarsel
