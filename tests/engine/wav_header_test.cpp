#include "engine/wav_header.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

namespace {

using tarsel::parse_wav;

std::string u16(unsigned v)
{
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

std::string u32(std::uint32_t v)
{
    return u16(v & 0xFFFF) + u16(v >> 16);
}

std::string chunk(const std::string& id, const std::string& body)
{
    std::string c = id + u32(static_cast<std::uint32_t>(body.size())) + body;
    if (body.size() % 2 != 0)
        c += '\0';
    return c;
}

// A chunk whose size field says `declared`, whatever follows it.
std::string chunk_header(const std::string& id, std::uint32_t declared)
{
    return id + u32(declared);
}

std::string fmt_body(unsigned tag, unsigned channels, std::uint32_t rate, unsigned bits,
                     unsigned block_align)
{
    return u16(tag) + u16(channels) + u32(rate) + u32(rate * block_align) + u16(block_align)
           + u16(bits);
}

std::string pcm_fmt(unsigned channels, std::uint32_t rate, unsigned bits)
{
    return chunk("fmt ", fmt_body(1, channels, rate, bits, channels * bits / 8));
}

std::string riff(const std::string& chunks)
{
    return "RIFF" + u32(static_cast<std::uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

// Parses a copy that sits in a heap block of exactly its size, so that the
// address sanitizer reports any read past the end.
tarsel::WavParseResult parse_exact(const std::string& bytes)
{
    auto block = std::make_unique<char[]>(bytes.size() + (bytes.empty() ? 1 : 0));
    std::copy(bytes.begin(), bytes.end(), block.get());
    return parse_wav(std::string_view(block.get(), bytes.size()));
}

TEST(WavHeader, ReadsPcmFormatAndDataPosition)
{
    // 16-bit mono at 22050 Hz, 441 frames = exactly 20 ms.
    const std::string wav = riff(pcm_fmt(1, 22050, 16) + chunk("data", std::string(882, '\x01')));
    const auto result = parse_exact(wav);
    ASSERT_TRUE(result) << result.error;
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.header->channels, 1);
    EXPECT_EQ(result.header->sample_rate, 22050u);
    EXPECT_EQ(result.header->bits_per_sample, 16);
    EXPECT_EQ(result.header->block_align, 2);
    EXPECT_EQ(result.header->data_offset, 44u);
    EXPECT_EQ(result.header->data_size, 882u);
    EXPECT_EQ(result.header->duration_ms, 20u);
}

TEST(WavHeader, SkipsOtherChunksWithTheirPaddingAndRoundsDurationUp)
{
    // An odd-sized chunk before "fmt " and another between "fmt " and
    // "data"; 8-bit stereo, 8001 frames at 8000 Hz = 1000.125 ms.
    const std::string list = chunk("LIST", "INFOabc");  // 7 bytes + 1 pad
    const std::string fact = chunk("fact", u32(8001));
    const std::string wav =
        riff(list + pcm_fmt(2, 8000, 8) + fact + chunk("data", std::string(16002, '\x80')));
    const auto result = parse_exact(wav);
    ASSERT_TRUE(result) << result.error;
    EXPECT_EQ(result.header->channels, 2);
    EXPECT_EQ(result.header->bits_per_sample, 8);
    EXPECT_EQ(result.header->data_offset, 12 + list.size() + 24 + fact.size() + 8);
    EXPECT_EQ(result.header->data_size, 16002u);
    EXPECT_EQ(result.header->duration_ms, 1001u);
}

TEST(WavHeader, LeavesOutATrailingPartialFrame)
{
    const auto result = parse_exact(riff(pcm_fmt(2, 1000, 16) + chunk("data", std::string(4 * 10 + 3, 'x'))));
    ASSERT_TRUE(result) << result.error;
    EXPECT_EQ(result.header->data_size, 40u);
    EXPECT_EQ(result.header->duration_ms, 10u);
}

TEST(WavHeader, RejectsBrokenFiles)
{
    const std::string fmt = pcm_fmt(1, 22050, 16);
    const std::string data = chunk("data", std::string(100, '\0'));
    const struct {
        const char* what;
        std::string bytes;
        const char* error;
    } cases[] = {
        {"empty", "", "not a RIFF/WAVE file"},
        {"shorter than the RIFF header", "RIFF\x04\0\0\0WAV", "not a RIFF/WAVE file"},
        {"not RIFF", "RIFX" + riff(fmt + data).substr(4), "not a RIFF/WAVE file"},
        {"RIFF but not WAVE", "RIFF" + u32(4) + "AVI " + fmt + data, "not a RIFF/WAVE file"},
        {"float samples", riff(chunk("fmt ", fmt_body(3, 1, 44100, 32, 4)) + data),
         "unsupported format: format tag 3, not PCM"},
        {"24-bit", riff(chunk("fmt ", fmt_body(1, 1, 44100, 24, 3)) + data),
         "unsupported format: 24 bits per sample"},
        {"six channels", riff(chunk("fmt ", fmt_body(1, 6, 44100, 16, 12)) + data),
         "unsupported format: 6 channels"},
        {"no channels", riff(chunk("fmt ", fmt_body(1, 0, 44100, 16, 0)) + data),
         "unsupported format: 0 channels"},
        {"sample rate 0", riff(chunk("fmt ", fmt_body(1, 1, 0, 16, 2)) + data),
         "invalid sample rate 0"},
        {"block align not channels * bytes", riff(chunk("fmt ", fmt_body(1, 2, 44100, 16, 2)) + data),
         "inconsistent block align 2 for 2 channels of 16 bits"},
        {"fmt chunk too short", riff(chunk("fmt ", fmt_body(1, 1, 22050, 16, 2).substr(0, 14)) + data),
         "fmt chunk too short"},
        {"data chunk larger than the file", riff(fmt + chunk_header("data", 1000) + std::string(10, '\0')),
         "truncated data chunk"},
        {"data size near 4 GiB", riff(fmt + chunk_header("data", 0xFFFFFFFF) + std::string(10, '\0')),
         "truncated data chunk"},
        {"chunk before fmt overflows the file", riff(chunk_header("LIST", 0xFFFFFFF8) + fmt + data),
         "truncated \"LIST\" chunk"},
        {"fmt chunk overflows the file", riff(chunk_header("fmt ", 0x7FFFFFFF) + std::string(16, '\0')),
         "truncated \"fmt \" chunk"},
        {"unprintable chunk id", riff(chunk_header("\x01\xFFxy", 99) + "abc"), "truncated \"??xy\" chunk"},
        {"no data chunk", riff(fmt), "missing data chunk"},
        {"cut inside the next chunk header", riff(fmt + "dat"), "missing data chunk"},
        {"no fmt chunk", riff(chunk("LIST", "abcd")), "missing fmt chunk"},
        {"data before fmt", riff(data + fmt), "data chunk before fmt chunk"},
        {"no whole frame", riff(fmt + chunk("data", "x")), "empty data chunk"},
        {"empty data chunk", riff(fmt + chunk("data", "")), "empty data chunk"},
    };
    for (const auto& c : cases) {
        const auto result = parse_exact(c.bytes);
        EXPECT_FALSE(result) << c.what;
        EXPECT_FALSE(result.header.has_value()) << c.what;
        EXPECT_EQ(result.error, c.error) << c.what;
    }
}

TEST(WavHeader, EveryCutOfAValidFileIsRejected)
{
    const std::string wav = riff(chunk("LIST", "INFOabc") + pcm_fmt(1, 8000, 16)
                                 + chunk("data", std::string(64, '\x10')));
    ASSERT_TRUE(parse_exact(wav));
    for (std::size_t n = 0; n < wav.size(); ++n) {
        const auto result = parse_exact(wav.substr(0, n));
        EXPECT_FALSE(result) << "cut at " << n;
        EXPECT_FALSE(result.error.empty()) << "cut at " << n;
    }
}

} // namespace
