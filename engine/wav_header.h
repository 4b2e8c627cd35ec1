#pragma once
// Reading the header of a RIFF/WAVE sound file: only uncompressed PCM with
// 8 or 16 bits per sample, mono or stereo, is accepted, which is what the
// sound cues are made of.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarsel {

struct WavHeader {
    int channels = 0;            // 1 or 2
    std::uint32_t sample_rate = 0;  // frames per second, > 0
    int bits_per_sample = 0;     // 8 or 16
    int block_align = 0;         // bytes per frame: channels * bits / 8
    std::size_t data_offset = 0;  // where the samples start in the file
    std::size_t data_size = 0;    // bytes of samples, > 0
    // Playing time, rounded up to the next whole millisecond.
    std::uint32_t duration_ms = 0;
};

struct WavParseResult {
    std::optional<WavHeader> header;
    // Why the bytes are not a playable PCM wave file; empty on success.
    std::string error;

    explicit operator bool() const { return header.has_value(); }
};

// Checks a whole file's bytes. Chunks before the "data" chunk are walked
// with their sizes (odd sizes padded to even) and never read past the end;
// the "fmt " chunk must come before "data". Never throws for bad input.
WavParseResult parse_wav(std::string_view bytes);

} // namespace tarsel
