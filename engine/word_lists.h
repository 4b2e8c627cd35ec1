#pragma once
// The built-in word lists of the main window. Each begins with an empty
// line 0; entries are upper-case Windows-1251 text, spaces significant.
#include "engine/line_list.h"

namespace tarsel {

LineList rude_word_list(); // 83 lines
LineList topic_list();     // 80 lines
LineList farewell_list();  // 55 lines

} // namespace tarsel
