#include "engine/layout_converter.h"

#include <array>

namespace tarsel {
namespace {

struct Key {
    char latin;
    unsigned char cyrillic;  // Windows-1251
};

// What the Russian layout types on the key that carries the US character.
constexpr Key kKeys[] = {
    {'q', 0xE9}, {'w', 0xF6}, {'e', 0xF3}, {'r', 0xEA}, {'t', 0xE5}, {'y', 0xED},
    {'u', 0xE3}, {'i', 0xF8}, {'o', 0xF9}, {'p', 0xE7}, {'a', 0xF4}, {'s', 0xFB},
    {'d', 0xE2}, {'f', 0xE0}, {'g', 0xEF}, {'h', 0xF0}, {'j', 0xEE}, {'k', 0xEB},
    {'l', 0xE4}, {'z', 0xFF}, {'x', 0xF7}, {'c', 0xF1}, {'v', 0xEC}, {'b', 0xE8},
    {'n', 0xF2}, {'m', 0xFC},
    {'Q', 0xC9}, {'W', 0xD6}, {'E', 0xD3}, {'R', 0xCA}, {'T', 0xC5}, {'Y', 0xCD},
    {'U', 0xC3}, {'I', 0xD8}, {'O', 0xD9}, {'P', 0xC7}, {'A', 0xD4}, {'S', 0xDB},
    {'D', 0xC2}, {'F', 0xC0}, {'G', 0xCF}, {'H', 0xD0}, {'J', 0xCE}, {'K', 0xCB},
    {'L', 0xC4}, {'Z', 0xDF}, {'X', 0xD7}, {'C', 0xD1}, {'V', 0xCC}, {'B', 0xC8},
    {'N', 0xD2}, {'M', 0xDC},
    {'`', 0xB8},   // ё
    {'~', 0xA8},   // Ё
    {'[', 0xF5},   // х
    {'{', 0xD5},   // Х
    {']', 0xFA},   // ъ
    {'}', 0xDA},   // Ъ
    {';', 0xE6},   // ж
    {':', 0xC6},   // Ж
    {'"', 0xDD},   // Э
    {'<', 0xE1},   // б
    {'>', 0xFE},   // ю
    {'/', '.'},
    {'@', '"'},
    {'#', 0xB9},   // №
    {'$', ';'},
    {'^', ':'},
    {'&', '?'},
    {'\\', '\\'},
    {'|', '/'},
};
static_assert(std::size(kKeys) == 71);

constexpr std::array<unsigned char, 256> make_table()
{
    std::array<unsigned char, 256> table{};
    for (unsigned i = 0; i < table.size(); ++i)
        table[i] = static_cast<unsigned char>(i);
    for (const Key& k : kKeys)
        table[static_cast<unsigned char>(k.latin)] = k.cyrillic;
    return table;
}

constexpr std::array<unsigned char, 256> kTable = make_table();

} // namespace

unsigned char convert_layout_byte(unsigned char byte)
{
    return kTable[byte];
}

std::string convert_layout(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(kTable[static_cast<unsigned char>(c)]);
    return out;
}

} // namespace tarsel
