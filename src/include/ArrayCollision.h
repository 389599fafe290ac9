// The pixel-exact overlap test of two bodies' masks.
#pragma once
#include <cstdint>

#include "Body.h"

// 1 when a solid cell of a's mask, placed with its centre cell on (ax, ay),
// falls on a solid cell of b's mask placed on (bx, by); otherwise 0, also when
// either mask has no cells. Reads only the masks.
int32_t MaskOverlap(const Body& a, int32_t ax, int32_t ay, const Body& b, int32_t bx, int32_t by);
