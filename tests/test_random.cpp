#include <gtest/gtest.h>

#include <cstdint>

#include "util/Random.h"

namespace {

// The recurrence worked in 64-bit arithmetic, reduced modulo 2^32 by hand
// rather than by unsigned wrap-around.
int referenceValue(std::uint64_t& state) {
    state = (state * 214013u + 2531011u) % 4294967296u;
    return static_cast<int>((state / 65536u) % 32768u);
}

}  // namespace

TEST(Random, FirstValuesFromSeedZeroAndOne) {
    // Seed 0: 0 · 214013 + 2531011 = 2531011 = 0x269EC3, whose bits 16..30 are 0x26.
    seedRandom(0);
    EXPECT_EQ(nextRandom(), 38);
    EXPECT_EQ(nextRandom(), 7719);
    EXPECT_EQ(nextRandom(), 21238);

    // Seed 1: 214013 + 2531011 = 2745024 = 0x29E2C0, bits 16..30 are 0x29.
    seedRandom(1);
    EXPECT_EQ(nextRandom(), 41);
    EXPECT_EQ(nextRandom(), 18467);
    EXPECT_EQ(nextRandom(), 6334);
}

TEST(Random, FollowsTheRecurrenceAcrossTheWrap) {
    for (std::uint32_t seed : {0u, 1u, 2u, 12345u, 0x7fffffffu, 0xffffffffu}) {
        seedRandom(seed);
        std::uint64_t reference = seed;
        for (int i = 0; i < 1000; ++i) {
            ASSERT_EQ(nextRandom(), referenceValue(reference)) << "seed " << seed << " draw " << i;
        }
        EXPECT_EQ(randomState().state, reference);
    }
}

TEST(Random, UniformVariateIsTheValueOver32767StoredAsFloat) {
    seedRandom(1);
    EXPECT_EQ(uniformRandom(), static_cast<float>(41 / 32767.0));
    EXPECT_EQ(uniformRandom(), static_cast<float>(18467 / 32767.0));

    // The state 0x7fff0000 minus the increment, reached backwards: the next
    // value is 32767 and the variate exactly 1; a next value of 0 gives 0.
    std::uint32_t inverse = 214013u;
    for (int i = 0; i < 5; ++i) {
        inverse *= 2u - 214013u * inverse;
    }
    ASSERT_EQ(214013u * inverse, 1u);
    seedRandom((0x7fff0000u - 2531011u) * inverse);
    EXPECT_EQ(uniformRandom(), 1.0f);
    seedRandom((0u - 2531011u) * inverse);
    EXPECT_EQ(uniformRandom(), 0.0f);
}
