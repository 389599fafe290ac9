// Moving a body by one frame's velocity against the mask of another body.
#pragma once
#include <cstdint>

#include "Body.h"

// Moves `body` by its velocity in sub-steps of at most one pixel, climbing
// one-pixel rises and bouncing off `other`'s mask. Changes body's x, y, vx, vy,
// hitX, hitY; with transfer == 1 also other's vx and vy on a block. Returns 1
// when the body was blocked on an axis, else 0 (also when the velocity is zero).
int32_t MoveBody(Body& body, Body& other, int32_t transfer);

// The same without the climb and without transfer; `other` is only read.
int32_t MoveBodyPlain(Body& body, const Body& other);

// x after `count` repeated single-precision additions x = x + step (every sum
// rounded), computed without making each addition one by one.
float RepeatAdd(float x, float step, int64_t count);

// Passes of one move that are worked one at a time near the other body. Passes
// that provably cannot touch it, and repeats of a pass that changed nothing,
// are taken in bulk and do not count; past this many the rest are dropped.
constexpr int64_t MaxWorkedPasses = int64_t{1} << 20;
