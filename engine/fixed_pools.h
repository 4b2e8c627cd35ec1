#pragma once
// The fixed reply pools (Base\Povtor.Dat, Base\X.Dat, Base\BigString.Dat,
// Base\Pause.Dat): stock replies that are drawn but never learned into.
#include <string>
#include <string_view>

#include "engine/random.h"

namespace tarsel {

// Loads the pool file and returns one of its lines drawn at random, line 0
// included; an empty file gives "". Throws FileError "Cannot open file ...".
std::string fixed_pool_pick(Random& random, std::string_view program_path);

} // namespace tarsel
