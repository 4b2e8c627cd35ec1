#pragma once
// The conversation log Base\Log.Tarsel: every exit appends one block with
// the date, the knowledge base's size and the transcript.
#include <cstddef>
#include <string>
#include <string_view>

#include "engine/line_list.h"

namespace tarsel {

// The block's lines; date and time are already formatted in the system's
// short date and long time formats (Windows-1251).
LineList log_block(std::string_view date, std::string_view time,
                   std::size_t learned_phrases, const LineList& transcript);

// Loads the log (it must exist), counts Base\Words.dat, appends the block
// and saves the log. Throws FileError; nothing is written on failure.
void append_conversation_log(std::string_view date, std::string_view time,
                             const LineList& transcript);

// Lines of the knowledge base minus its header line (never below 0).
// Throws FileError when the file cannot be opened.
std::size_t learned_phrase_count();

} // namespace tarsel
