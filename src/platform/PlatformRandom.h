// The random integer source of the game.
#pragma once
#include <cstdint>
#include <vector>

// A uniformly distributed integer from min to max inclusive. Unseeded by the
// game: the sequence differs from run to run.
int32_t PlatRandomInt(int32_t min, int32_t max);

// For reproducible runs: a fixed seed, or a list of draws taken in order and
// wrapped around (each draw is clamped into the asked range).
void PlatRandomSeed(uint64_t seed);
void PlatRandomScript(const std::vector<int32_t>& draws);
