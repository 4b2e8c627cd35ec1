#pragma once
// The program's random draw: a deterministic generator reseeded from the
// time of day in milliseconds. Two reseeds within the same millisecond give
// the same numbers.
#include <cstdint>
#include <functional>

namespace tarsel {

// Milliseconds since local midnight, 0..86399999.
std::uint32_t system_ms_of_day();

class Random {
public:
    using Clock = std::function<std::uint32_t()>;

    explicit Random(Clock clock = system_ms_of_day);

    // Sets the state from the clock alone.
    void reseed();
    // Sets the state from a given time of day (ms).
    void seed(std::uint32_t ms_of_day);
    // Uniform whole number 0..n-1; 0 when n is 0.
    std::uint32_t draw(std::uint32_t n);

    std::uint32_t now_ms() const { return clock_(); }

private:
    Clock clock_;
    std::uint64_t state_ = 0;
};

} // namespace tarsel
