#pragma once
// Rewrites text typed in the US keyboard layout as the Russian layout would
// have typed it (Windows-1251), one pass, one byte for one byte.
#include <string>
#include <string_view>

namespace tarsel {

unsigned char convert_layout_byte(unsigned char byte);
std::string convert_layout(std::string_view text);

} // namespace tarsel
