#include "engine/wav_header.h"

namespace tarsel {
namespace {

std::uint32_t le32(std::string_view bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

std::uint16_t le16(std::string_view bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at])
                                      | (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

WavParseResult fail(std::string error)
{
    return {std::nullopt, std::move(error)};
}

// A chunk id as text for an error message; bytes that are not printable
// ASCII show as '?'.
std::string chunk_name(std::string_view id)
{
    std::string name;
    for (char c : id)
        name += (c >= 0x20 && c < 0x7F) ? c : '?';
    return name;
}

// Reads the 16 bytes of a PCM "fmt " chunk body into `header`; returns the
// error text, or an empty string when the format can be played.
std::string read_format(std::string_view body, WavHeader& header)
{
    if (body.size() < 16)
        return "fmt chunk too short";
    const std::uint16_t tag = le16(body, 0);
    const std::uint16_t channels = le16(body, 2);
    const std::uint32_t rate = le32(body, 4);
    const std::uint16_t block_align = le16(body, 12);
    const std::uint16_t bits = le16(body, 14);
    if (tag != 1)
        return "unsupported format: format tag " + std::to_string(tag) + ", not PCM";
    if (channels != 1 && channels != 2)
        return "unsupported format: " + std::to_string(channels) + " channels";
    if (bits != 8 && bits != 16)
        return "unsupported format: " + std::to_string(bits) + " bits per sample";
    if (rate == 0)
        return "invalid sample rate 0";
    if (block_align != channels * bits / 8)
        return "inconsistent block align " + std::to_string(block_align) + " for "
               + std::to_string(channels) + " channels of " + std::to_string(bits) + " bits";
    header.channels = channels;
    header.sample_rate = rate;
    header.bits_per_sample = bits;
    header.block_align = block_align;
    return {};
}

} // namespace

WavParseResult parse_wav(std::string_view bytes)
{
    if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "WAVE")
        return fail("not a RIFF/WAVE file");

    // The RIFF size field is not trusted: files with a wrong one are common,
    // and what counts is that every chunk up to the samples lies in the file.
    WavHeader header;
    bool have_format = false;
    std::size_t pos = 12;
    while (bytes.size() - pos >= 8) {
        const std::string_view id = bytes.substr(pos, 4);
        const std::size_t size = le32(bytes, pos + 4);
        const std::size_t body = pos + 8;
        const std::size_t room = bytes.size() - body;

        if (id == "data") {
            if (!have_format)
                return fail("data chunk before fmt chunk");
            if (size > room)
                return fail("truncated data chunk");
            // A trailing partial frame cannot be played; leave it out.
            const std::size_t frames = size / static_cast<std::size_t>(header.block_align);
            if (frames == 0)
                return fail("empty data chunk");
            header.data_offset = body;
            header.data_size = frames * static_cast<std::size_t>(header.block_align);
            const std::uint64_t ms =
                (static_cast<std::uint64_t>(frames) * 1000 + header.sample_rate - 1) / header.sample_rate;
            header.duration_ms = static_cast<std::uint32_t>(ms);
            return {header, {}};
        }
        if (size > room)
            return fail("truncated \"" + chunk_name(id) + "\" chunk");
        if (id == "fmt " && !have_format) {
            std::string error = read_format(bytes.substr(body, size), header);
            if (!error.empty())
                return fail(std::move(error));
            have_format = true;
        }
        // Chunks are padded to an even size; the pad byte of the last chunk
        // may be missing, which simply ends the walk.
        pos = body + size + (size & 1);
        if (pos > bytes.size())
            break;
    }
    return fail(have_format ? "missing data chunk" : "missing fmt chunk");
}

} // namespace tarsel
