#include "engine/cp1251.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarsel {
namespace {

// Code points of the bytes 0x80-0xBF. 0xC0-0xFF are А-я (U+0410-U+044F) and
// 0x00-0x7F are ASCII. 0x98 is unassigned in the code page and is carried
// through as U+0098 so that every byte survives a round trip.
constexpr std::array<char32_t, 64> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
};

constexpr char32_t kFirstCyrillic = 0x0410;  // А, byte 0xC0
constexpr char32_t kLastCyrillic = 0x044F;   // я, byte 0xFF

void append_utf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

struct Decoded {
    char32_t code_point;  // meaningful only when valid
    std::size_t length;   // bytes consumed, at least 1
    bool valid;
};

// Decodes one UTF-8 sequence at the start of `in` (not empty). An invalid
// sequence consumes its lead byte and the continuation bytes that were still
// acceptable, so the byte that broke it is looked at again as a new lead.
Decoded decode_one(std::string_view in)
{
    const auto lead = static_cast<unsigned char>(in[0]);
    if (lead < 0x80)
        return {lead, 1, true};

    std::size_t need = 0;
    char32_t cp = 0;
    unsigned char lo = 0x80;  // accepted range of the second byte
    unsigned char hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        cp = lead & 0x0F;
        if (lead == 0xE0) lo = 0xA0;  // no overlong forms
        if (lead == 0xED) hi = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        cp = lead & 0x07;
        if (lead == 0xF0) lo = 0x90;  // no overlong forms
        if (lead == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else {
        return {0, 1, false};  // stray continuation byte, C0, C1 or F5-FF
    }

    std::size_t i = 1;
    for (; i <= need; ++i) {
        if (i >= in.size())
            return {0, i, false};
        const auto b = static_cast<unsigned char>(in[i]);
        const unsigned char min = (i == 1) ? lo : 0x80;
        const unsigned char max = (i == 1) ? hi : 0xBF;
        if (b < min || b > max)
            return {0, i, false};
        cp = (cp << 6) | (b & 0x3F);
    }
    return {cp, i, true};
}

} // namespace

char32_t cp1251_to_unicode(unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return kFirstCyrillic + (byte - 0xC0);
    return kUpperHalf[byte - 0x80];
}

char unicode_to_cp1251(char32_t code_point)
{
    if (code_point < 0x80)
        return static_cast<char>(code_point);
    if (code_point >= kFirstCyrillic && code_point <= kLastCyrillic)
        return static_cast<char>(0xC0 + (code_point - kFirstCyrillic));
    for (std::size_t i = 0; i < kUpperHalf.size(); ++i) {
        if (kUpperHalf[i] == code_point)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

std::string cp1251_to_utf8(std::string_view cp1251)
{
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (char c : cp1251)
        append_utf8(out, cp1251_to_unicode(static_cast<unsigned char>(c)));
    return out;
}

std::string utf8_to_cp1251(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const Decoded d = decode_one(utf8);
        out += d.valid ? unicode_to_cp1251(d.code_point) : '?';
        utf8.remove_prefix(d.length);
    }
    return out;
}

} // namespace tarsel
