#include "engine/random.h"

#include <chrono>
#include <ctime>
#include <utility>

namespace tarsel {
namespace {

// SplitMix64: the state advances by a fixed odd constant and each output is
// a bijective mix of the state, so any seed gives a full-period sequence.
constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15ULL;

std::uint64_t mix(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

} // namespace

std::uint32_t system_ms_of_day()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr)
        return 0;
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    const int sec = local.tm_sec > 59 ? 59 : local.tm_sec;  // leap second
    const auto total = ((local.tm_hour * 60 + local.tm_min) * 60 + sec) * 1000LL + (ms < 0 ? ms + 1000 : ms);
    return static_cast<std::uint32_t>(total);
}

Random::Random(Clock clock)
    : clock_(std::move(clock))
{
    reseed();
}

void Random::reseed()
{
    seed(clock_());
}

void Random::seed(std::uint32_t ms_of_day)
{
    // Spread the small seed over the whole state so that neighbouring
    // milliseconds start far apart.
    state_ = mix(static_cast<std::uint64_t>(ms_of_day) + kGolden);
}

std::uint32_t Random::draw(std::uint32_t n)
{
    state_ += kGolden;
    const std::uint64_t bits = mix(state_) >> 32;
    // Multiply-shift: the bias is below n / 2^32, far too small to matter.
    return static_cast<std::uint32_t>((bits * n) >> 32);
}

} // namespace tarsel
