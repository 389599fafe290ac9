#include "PlatformRandom.h"

#include <random>

// splitmix64: small, fast and fully specified, so a seed gives the same draws
// on every platform and standard library.
static uint64_t State = 0;
static bool Seeded = false;
static std::vector<int32_t> Script;
static size_t ScriptPos = 0;

static uint64_t NextRandom() {
    uint64_t z = (State += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void PlatRandomSeed(uint64_t seed) {
    State = seed;
    Seeded = true;
    Script.clear();
}

void PlatRandomScript(const std::vector<int32_t>& draws) {
    Script = draws;
    ScriptPos = 0;
}

int32_t PlatRandomInt(int32_t min, int32_t max) {
    if (max <= min) return min;
    if (!Script.empty()) {
        int32_t v = Script[ScriptPos];
        ScriptPos = (ScriptPos + 1) % Script.size();
        return v < min ? min : v > max ? max : v;
    }
    if (!Seeded) {
        std::random_device device;
        State = (static_cast<uint64_t>(device()) << 32) ^ device();
        Seeded = true;
    }
    const uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(max) - min) + 1;
    // Rejection keeps the draw uniform for spans that don't divide 2^64.
    const uint64_t limit = UINT64_MAX - UINT64_MAX % span;
    uint64_t r;
    do r = NextRandom();
    while (r >= limit);
    return static_cast<int32_t>(static_cast<int64_t>(min) + static_cast<int64_t>(r % span));
}
