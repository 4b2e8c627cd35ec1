#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/random.h"

namespace tarsel {
namespace {

Random fixed(std::uint32_t ms)
{
    return Random([ms] { return ms; });
}

std::vector<std::uint32_t> draws(Random& r, std::uint32_t n, int count)
{
    std::vector<std::uint32_t> out;
    for (int i = 0; i < count; ++i)
        out.push_back(r.draw(n));
    return out;
}

TEST(Random, DrawOfZeroAndOneIsZero)
{
    Random r = fixed(12345);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(r.draw(0), 0u);
        EXPECT_EQ(r.draw(1), 0u);
    }
}

TEST(Random, TheTimeOfDayAloneDeterminesTheSequence)
{
    Random a = fixed(43200000);
    Random b = fixed(7);
    b.seed(43200000);
    const auto expected = draws(a, 1000, 50);
    EXPECT_EQ(draws(b, 1000, 50), expected);

    // Reseeding from the same millisecond starts the same sequence again,
    // whatever was drawn before.
    draws(a, 1000, 17);
    a.reseed();
    EXPECT_EQ(draws(a, 1000, 50), expected);
    a.seed(43200000);
    EXPECT_EQ(draws(a, 1000, 50), expected);
}

TEST(Random, NeighbouringMillisecondsGiveDifferentSequences)
{
    for (std::uint32_t ms : {0u, 1u, 86399998u}) {
        Random a = fixed(ms);
        Random b = fixed(ms + 1);
        EXPECT_NE(draws(a, 1000000, 8), draws(b, 1000000, 8)) << ms;
    }
}

TEST(Random, ReseedReadsTheClockEachTime)
{
    std::uint32_t now = 500;
    Random r([&now] { return now; });
    const auto at500 = draws(r, 1000000, 8);
    now = 501;
    r.reseed();
    const auto at501 = draws(r, 1000000, 8);
    EXPECT_NE(at500, at501);
    EXPECT_EQ(r.now_ms(), 501u);
    now = 500;
    r.reseed();
    EXPECT_EQ(draws(r, 1000000, 8), at500);
}

TEST(Random, DrawsStayInRangeAndAreRoughlyUniform)
{
    Random r = fixed(1000);
    for (std::uint32_t n : {2u, 3u, 7u, 1000u, 0xFFFFFFFFu}) {
        for (int i = 0; i < 2000; ++i)
            ASSERT_LT(r.draw(n), n) << n;
    }

    // Fixed seed, so this is deterministic; the bounds are wide (about six
    // standard deviations) and only catch a badly skewed draw.
    constexpr std::uint32_t kBuckets = 10;
    constexpr int kDraws = 100000;
    std::vector<int> hits(kBuckets, 0);
    for (int i = 0; i < kDraws; ++i)
        ++hits[r.draw(kBuckets)];
    for (std::uint32_t b = 0; b < kBuckets; ++b) {
        EXPECT_GT(hits[b], 9400) << b;
        EXPECT_LT(hits[b], 10600) << b;
    }
}

TEST(Random, SystemTimeOfDayIsWithinADay)
{
    EXPECT_LT(system_ms_of_day(), 86400000u);
}

} // namespace
} // namespace tarsel
