#include "SinglePrecisionFloat.h"

#include <cmath>
#include <limits>

// 2^31 is exact in single precision; everything at or above it is out of range.
static constexpr float TwoTo31 = 2147483648.0f;

int32_t SetSinglePrecision(int32_t flag) {
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
    uint16_t cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    if (flag == 1)
        cw = static_cast<uint16_t>(cw & ~0x0300u);
    else if (flag == 0)
        cw = static_cast<uint16_t>((cw & ~0x0100u) | 0x0200u);
    __asm__ volatile("fldcw %0" : : "m"(cw));
#else
    (void)flag;
#endif
    return 0;
}

static int32_t SaturatedInt(float whole) {
    if (std::isnan(whole)) return 0;
    if (whole >= TwoTo31) return std::numeric_limits<int32_t>::max();
    if (whole < -TwoTo31) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(whole);
}

int32_t NearestInt(float x) {
    return SaturatedInt(std::nearbyint(x));
}

float RoundUp(float x) {
    return std::ceil(x);
}

float RoundHalfAway(float x) {
    if (x > 0.0f) {
        float sum = x + 0.5f;
        return std::floor(sum);
    }
    float diff = x - 0.5f;
    return std::ceil(diff);
}

float SignF(float x) {
    if (x > 0.0f) return 1.0f;
    if (x < 0.0f) return -1.0f;
    return 0.0f;
}

int32_t TruncToInt(float x) {
    return SaturatedInt(std::trunc(x));
}
