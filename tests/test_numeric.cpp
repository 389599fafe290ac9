// Rounding and conversion rules of the game arithmetic, compared bit for bit.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "ConvenientMathMacros.h"
#include "SinglePrecisionFloat.h"

static uint32_t Bits(float f) {
    return std::bit_cast<uint32_t>(f);
}
static const float Below05 = std::nextafter(0.5f, 0.0f); // 0.49999997
static const float Inf = std::numeric_limits<float>::infinity();
static const float NaN = std::numeric_limits<float>::quiet_NaN();

TEST(NearestInt, TiesGoToEvenAndSumsRoundFirst) {
    struct Case {
        float x;
        int32_t want;
    } cases[] = {
        {0.5f, 0},
        {1.5f, 2},
        {2.5f, 2},
        {3.5f, 4},
        {-0.5f, 0},
        {-1.5f, -2},
        {-2.5f, -2},
        {99.5f + 1.0f, 100},
        {0.49999997f, 0},
        {-0.7f, -1},
        {16777215.0f, 16777215},
    };
    for (const Case& c : cases) EXPECT_EQ(NearestInt(c.x), c.want) << c.x;
}

TEST(NearestInt, OutOfRangeSaturatesAndNaNIsZero) {
    const int32_t max = std::numeric_limits<int32_t>::max(),
                  min = std::numeric_limits<int32_t>::min();
    struct Case {
        float x;
        int32_t want;
    } cases[] = {
        {2147483648.0f, max},  {1e30f, max}, {Inf, max}, {-2147483648.0f, min},
        {-2147483904.0f, min}, {-Inf, min},  {NaN, 0},   {2147483520.0f, 2147483520},
    };
    for (const Case& c : cases) EXPECT_EQ(NearestInt(c.x), c.want) << c.x;
    EXPECT_EQ(TruncToInt(1e20f), max);
    EXPECT_EQ(TruncToInt(-1e20f), min);
    EXPECT_EQ(TruncToInt(NaN), 0);
}

TEST(RoundHalfAway, HalvesAwayAfterSinglePrecisionSum) {
    struct Case {
        float x;
        float want;
    } cases[] = {
        {2.5f, 3.0f},    {-2.5f, -3.0f}, {Below05, 1.0f}, {-Below05, -1.0f}, {0.25f, 0.0f},
        {-0.25f, -0.0f}, {0.0f, -0.0f},  {7.0f, 7.0f},    {-7.0f, -7.0f},
    };
    for (const Case& c : cases) EXPECT_EQ(Bits(RoundHalfAway(c.x)), Bits(c.want)) << c.x;
}

TEST(RoundUp, Ceiling) {
    struct Case {
        float x;
        float want;
    } cases[] = {
        {0.0f, 0.0f}, {0.0001f, 1.0f}, {3.0f, 3.0f}, {1.0f, 1.0f}, {-0.5f, -0.0f},
    };
    for (const Case& c : cases) EXPECT_EQ(Bits(RoundUp(c.x)), Bits(c.want)) << c.x;
}

TEST(SignF, SignOrZero) {
    struct Case {
        float x;
        float want;
    } cases[] = {
        {-0.0f, 0.0f}, {0.0f, 0.0f}, {1e-30f, 1.0f}, {-1e-30f, -1.0f}, {5.0f, 1.0f}, {-Inf, -1.0f},
    };
    for (const Case& c : cases) EXPECT_EQ(Bits(SignF(c.x)), Bits(c.want)) << c.x;
}

TEST(SmallRoutines, TruncMaxAndRange) {
    EXPECT_EQ(TruncToInt(-2.7f), -2);
    EXPECT_EQ(TruncToInt(2.7f), 2);
    EXPECT_EQ(Bits(MaxF(1.0f, 1.0f)), Bits(1.0f));
    EXPECT_EQ(MaxF(0.5f, 2.0f), 2.0f);
    EXPECT_EQ(Bits(MaxF(0.0f, -0.0f)), Bits(0.0f)); // equal values give a
    EXPECT_EQ(Bits(MaxF(-0.0f, 0.0f)), Bits(-0.0f));
    EXPECT_EQ(InRange(5, 0, 5), 1);
    EXPECT_EQ(InRange(-1, 0, 5), 0);
    EXPECT_EQ(InRange(0, 0, -1), 0);
    EXPECT_EQ(InRange(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min(), 0),
              1);
}

#if defined(__x86_64__) || defined(__i386__)
static uint16_t ControlWord() {
    uint16_t cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    return cw;
}

TEST(SetSinglePrecision, SetsOnlyThePrecisionField) {
    const uint16_t start = ControlWord();
    EXPECT_EQ(SetSinglePrecision(1), 0);
    EXPECT_EQ(ControlWord() & 0x0300, 0x0000);
    EXPECT_EQ(ControlWord() & ~0x0300, start & ~0x0300);
    EXPECT_EQ(SetSinglePrecision(7), 0);
    EXPECT_EQ(ControlWord() & 0x0300, 0x0000);
    EXPECT_EQ(SetSinglePrecision(0), 0);
    EXPECT_EQ(ControlWord() & 0x0300, 0x0200);
    EXPECT_EQ(ControlWord() & ~0x0300, start & ~0x0300);

    // With 24-bit precision, x87 long double arithmetic rounds to single.
    SetSinglePrecision(1);
    volatile long double third = 1.0L;
    third = third / 3.0L;
    EXPECT_EQ(static_cast<float>(third), 1.0f / 3.0f);
    EXPECT_EQ(third, static_cast<long double>(1.0f / 3.0f));
    __asm__ volatile("fldcw %0" : : "m"(start));
}
#endif
