// Single-precision rules of all game arithmetic: the precision switch and the
// conversions from fractional values to whole numbers.
#pragma once
#include <cstdint>

// Sets the x87 precision control: 1 = 24-bit significand, 0 = 53-bit, other
// values leave it. Returns 0. A no-op where there is no x87 unit.
int32_t SetSinglePrecision(int32_t flag);

// Nearest integer, ties to even. Values beyond the 32-bit range saturate to
// INT32_MIN / INT32_MAX and NaN gives 0, so every input is defined.
int32_t NearestInt(float x);

// Smallest whole number not below x.
float RoundUp(float x);

// Nearest whole number, halves away from zero; x +/- 0.5 is rounded to single
// precision first, so 0.49999997 gives 1.
float RoundHalfAway(float x);

// +1, -1, or 0 for a zero of either sign (and NaN).
float SignF(float x);

// x with its fraction dropped, toward zero; saturates like NearestInt.
int32_t TruncToInt(float x);
