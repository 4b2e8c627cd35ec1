#pragma once
// Phrase normalisation on Windows-1251 bytes. Only the Russian letters
// а-я (0xE0-0xFF) and ё (0xB8) fold to upper case; nothing depends on the
// system locale.
#include <string>
#include <string_view>

namespace tarsel {

unsigned char upper_byte(unsigned char byte);
// Upper-cases every byte.
std::string to_upper(std::string_view phrase);
void make_upper(std::string& phrase);
// Upper-cases the first byte only; an empty string stays empty.
void capitalize_first(std::string& phrase);
// "," at the end becomes "."; "!", "?" and "." stay; anything else gets a
// "." appended. An empty string stays empty.
void apply_final_punctuation(std::string& phrase);

} // namespace tarsel
