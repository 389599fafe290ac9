// The random integer source: range, uniformity, seeds and scripted draws.
#include <gtest/gtest.h>

#include <array>

#include "platform/PlatformRandom.h"

TEST(Random, StaysInRangeAndCoversItEvenly) {
    PlatRandomSeed(12345);
    std::array<int, 4> counts{};
    const int draws = 40000;
    for (int i = 0; i < draws; i++) {
        int32_t v = PlatRandomInt(0, 3);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 3);
        counts[static_cast<size_t>(v)]++;
    }
    for (int c : counts) EXPECT_NEAR(c, draws / 4, draws / 40); // within 10%
}

TEST(Random, SameSeedSameSequenceOtherSeedOther) {
    auto sequence = [](uint64_t seed) {
        PlatRandomSeed(seed);
        std::array<int32_t, 32> s{};
        for (auto& v : s) v = PlatRandomInt(0, 3);
        return s;
    };
    EXPECT_EQ(sequence(7), sequence(7));
    EXPECT_NE(sequence(7), sequence(8));
}

TEST(Random, ScriptWrapsAndClamps) {
    PlatRandomScript({3, 0, 9, -2});
    const int32_t want[] = {3, 0, 3, 0, 3, 0};
    for (int32_t w : want) EXPECT_EQ(PlatRandomInt(0, 3), w);
    PlatRandomSeed(1); // a seed ends the script
    PlatRandomScript({});
    EXPECT_GE(PlatRandomInt(0, 3), 0);
}

TEST(Random, DegenerateAndFullRanges) {
    PlatRandomSeed(3);
    EXPECT_EQ(PlatRandomInt(5, 5), 5);
    EXPECT_EQ(PlatRandomInt(5, 2), 5);
    bool sawNegative = false;
    for (int i = 0; i < 64; i++) sawNegative |= PlatRandomInt(INT32_MIN, INT32_MAX) < 0;
    EXPECT_TRUE(sawNegative);
}
