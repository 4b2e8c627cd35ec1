#pragma once
// Windows-1251 <-> Unicode at the edges of the program (windows, terminal).
#include <string>
#include <string_view>

namespace tarsel {

// The Unicode code point of a Windows-1251 byte. Every byte maps; 0x98,
// unassigned in the code page, maps to U+0098.
char32_t cp1251_to_unicode(unsigned char byte);
// The Windows-1251 byte of a code point; '?' when the code page has none.
char unicode_to_cp1251(char32_t code_point);

std::string cp1251_to_utf8(std::string_view cp1251);
// Invalid UTF-8 sequences and characters outside the code page become '?'.
std::string utf8_to_cp1251(std::string_view utf8);

} // namespace tarsel
