// Small comparisons shared by the collision code.
#pragma once
#include <cstdint>

// a when a >= b, otherwise b (equal values give a).
inline float MaxF(float a, float b) {
    return a < b ? b : a;
}

// 1 when min <= v <= max, otherwise 0.
inline int32_t InRange(int32_t v, int32_t min, int32_t max) {
    return v >= min && v <= max ? 1 : 0;
}
