#include "engine/phrase.h"

namespace tarsel {

unsigned char upper_byte(unsigned char byte)
{
    if (byte >= 0xE0)
        return static_cast<unsigned char>(byte - 0x20);  // а-я -> А-Я
    if (byte == 0xB8)
        return 0xA8;  // ё -> Ё
    return byte;
}

std::string to_upper(std::string_view phrase)
{
    std::string out(phrase);
    make_upper(out);
    return out;
}

void make_upper(std::string& phrase)
{
    for (char& c : phrase)
        c = static_cast<char>(upper_byte(static_cast<unsigned char>(c)));
}

void capitalize_first(std::string& phrase)
{
    if (!phrase.empty())
        phrase[0] = static_cast<char>(upper_byte(static_cast<unsigned char>(phrase[0])));
}

void apply_final_punctuation(std::string& phrase)
{
    if (phrase.empty())
        return;
    switch (phrase.back()) {
    case ',':
        phrase.back() = '.';
        break;
    case '!':
    case '?':
    case '.':
        break;
    default:
        phrase += '.';
        break;
    }
}

} // namespace tarsel
