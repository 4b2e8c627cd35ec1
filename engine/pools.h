#pragma once
// The question pool Base\W1.Dat and the statement pool Base\W2.Dat: phrases
// users once typed, as they were shown. A phrase ending in "?" is answered
// from the question pool, any other from the statement pool; the phrase is
// learned into the question pool when the bot's previous reply held a "?".
#include <string>
#include <string_view>

#include "engine/random.h"

namespace tarsel {

// The pool stage of a Say turn. Draws `reply_text` from the answering pool
// (set before anything else can fail), then learns the shown phrase into the
// target pool unless it already stands in the answering pool. Returns whether
// the knowledge-base learning follows: false only when the phrase was not a
// member and no reply has been shown yet (`last_reply_shown` empty).
// Throws FileError.
bool pool_stage(Random& random, std::string_view shown_phrase,
                std::string_view last_reply_shown, std::string& reply_text);

} // namespace tarsel
