// Overlap tests and moves on a large synthetic level with hills, platforms and
// holes: the player, a debris particle and an orb as the game places them.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "ArrayCollision.h"
#include "Body.h"
#include "CollisionAPI.h"

namespace {

constexpr int32_t LevelW = 2048, LevelH = 1024;
// World position of the level's cell (0, 0) with the level at (0, 0).
constexpr int32_t Left = -(LevelW - 1) / 2, Top = -(LevelH - 1) / 2;

// Height of the ground's surface (cell row) in level column cx.
int32_t Surface(int32_t cx) {
    return 640 + static_cast<int32_t>(120.0 * std::sin(cx / 97.0) + 40.0 * std::sin(cx / 23.0));
}

const Body& Level() {
    static const Body level = [] {
        Body b;
        b.mask = NewMask(LevelW, LevelH);
        std::mt19937 rng(5);
        for (int32_t cx = 0; cx < LevelW; ++cx) {
            for (int32_t cy = Surface(cx); cy < LevelH; ++cy)
                if (rng() % 50 != 0) SetMaskCell(b.mask, cx, cy, 1); // ground with holes
            if ((cx / 64) % 3 == 1)                                  // platforms
                for (int32_t cy = 400; cy < 408; ++cy) SetMaskCell(b.mask, cx, cy, 1);
        }
        return b;
    }();
    return level;
}

// 12 x 24 with rounded corners, like a character's outline.
Body Player() {
    Body b;
    b.mask = NewMask(12, 24);
    for (int32_t cy = 0; cy < 24; ++cy)
        for (int32_t cx = 0; cx < 12; ++cx) {
            const bool corner = (cy < 3 || cy > 20) && (cx < 2 || cx > 9);
            if (!corner) SetMaskCell(b.mask, cx, cy, 1);
        }
    return b;
}

struct Spot {
    int32_t x, y;
};

// World positions whose centre lies within `spread` pixels of the ground's surface.
std::vector<Spot> NearGround(int32_t spread, int32_t count) {
    std::mt19937 rng(11);
    std::vector<Spot> spots;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t cx = 20 + static_cast<int32_t>(rng() % (LevelW - 40));
        const int32_t dy = static_cast<int32_t>(rng() % (2 * spread + 1)) - spread;
        spots.push_back({Left + cx, Top + Surface(cx) + dy});
    }
    return spots;
}

void BM_PlayerAgainstLevel(benchmark::State& state) {
    const Body& level = Level();
    const Body player = Player();
    const std::vector<Spot> spots = NearGround(16, 4096);
    size_t i = 0;
    int64_t hits = 0;
    for (auto _ : state) {
        const Spot& s = spots[i++ & 4095];
        hits += MaskOverlap(player, s.x, s.y, level, 0, 0);
    }
    benchmark::DoNotOptimize(hits);
}
BENCHMARK(BM_PlayerAgainstLevel);

// The same placements tested one byte cell at a time, for comparison.
int32_t ByteScan(const Body& a, int32_t ax, int32_t ay, const Body& b, int32_t bx, int32_t by) {
    const int32_t wa = a.mask.width, ha = a.mask.height, wb = b.mask.width, hb = b.mask.height;
    const int32_t dx = (ax - (wa - 1) / 2) - (bx - (wb - 1) / 2);
    const int32_t dy = (ay - (ha - 1) / 2) - (by - (hb - 1) / 2);
    const uint8_t* ca = a.mask.cells->bytes.data();
    const uint8_t* cb = b.mask.cells->bytes.data();
    for (int32_t cy = 0; cy < ha; ++cy) {
        const int32_t ry = cy + dy;
        if (ry < 0 || ry >= hb) continue;
        for (int32_t cx = 0; cx < wa; ++cx) {
            const int32_t rx = cx + dx;
            if (rx < 0 || rx >= wb) continue;
            if (ca[cy * wa + cx] != 0 && cb[ry * wb + rx] == 1) return 1;
        }
    }
    return 0;
}

void BM_PlayerAgainstLevelByteScan(benchmark::State& state) {
    const Body& level = Level();
    const Body player = Player();
    const std::vector<Spot> spots = NearGround(16, 4096);
    size_t i = 0;
    int64_t hits = 0;
    for (auto _ : state) {
        const Spot& s = spots[i++ & 4095];
        hits += ByteScan(player, s.x, s.y, level, 0, 0);
    }
    benchmark::DoNotOptimize(hits);
}
BENCHMARK(BM_PlayerAgainstLevelByteScan);

void BM_ParticleAgainstLevel(benchmark::State& state) {
    const Body& level = Level();
    Body dot;
    dot.mask = NewMask(1, 1, 1);
    const std::vector<Spot> spots = NearGround(4, 4096);
    size_t i = 0;
    int64_t hits = 0;
    for (auto _ : state) {
        const Spot& s = spots[i++ & 4095];
        hits += MaskOverlap(dot, s.x, s.y, level, 0, 0);
    }
    benchmark::DoNotOptimize(hits);
}
BENCHMARK(BM_ParticleAgainstLevel);

void BM_OrbAgainstPlayer(benchmark::State& state) {
    const Body player = Player();
    Body orb;
    orb.mask = NewMask(16, 16, 1);
    std::mt19937 rng(3);
    std::vector<Spot> spots;
    for (int i = 0; i < 4096; ++i)
        spots.push_back(
            {static_cast<int32_t>(rng() % 41) - 20, static_cast<int32_t>(rng() % 61) - 30});
    size_t i = 0;
    int64_t hits = 0;
    for (auto _ : state) {
        const Spot& s = spots[i++ & 4095];
        hits += MaskOverlap(orb, s.x, s.y, player, 0, 0);
    }
    benchmark::DoNotOptimize(hits);
}
BENCHMARK(BM_OrbAgainstPlayer);

// One frame of debris: gravity and a plain move for every particle; particles
// that come to rest start again from their burst.
void BM_DebrisFrame(benchmark::State& state) {
    const Body& level = Level();
    const int32_t count = static_cast<int32_t>(state.range(0));
    std::mt19937 rng(8);
    std::vector<Body> burst;
    for (int32_t i = 0; i < count; ++i) {
        Body p;
        p.mask = NewMask(1, 1, 1);
        const int32_t cx = 100 + static_cast<int32_t>(rng() % (LevelW - 200));
        p.x = static_cast<float>(Left + cx);
        p.y = static_cast<float>(Top + Surface(cx) - 30 - static_cast<int32_t>(rng() % 20));
        p.vx = static_cast<float>(static_cast<int32_t>(rng() % 400) - 200) / 100.0f;
        p.vy = static_cast<float>(static_cast<int32_t>(rng() % 600) - 400) / 100.0f;
        p.bounceX = 0.5f;
        p.bounceY = 0.2f;
        burst.push_back(p);
    }
    std::vector<Body> live = burst;
    for (auto _ : state) {
        for (size_t i = 0; i < live.size(); ++i) {
            Body& p = live[i];
            if (p.hitY == 1 && p.vy >= -0.02f) p = burst[i];
            p.vy = p.vy + 0.1f;
            MoveBodyPlain(p, level);
        }
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_DebrisFrame)->Arg(576)->Arg(5000);

// The player walking and falling over the hills at running speed.
void BM_PlayerMove(benchmark::State& state) {
    Body level = Level(); // shares the cells
    Body start = Player();
    start.x = static_cast<float>(Left + 300);
    start.y = static_cast<float>(Top + Surface(300) - 40);
    start.bounceX = 1.1f;
    Body player = start;
    for (auto _ : state) {
        player.vx = 1.96f;
        player.vy = player.vy + 0.2f;
        MoveBody(player, level, 0);
        if (player.x > static_cast<float>(Left + LevelW - 300)) player = start;
    }
}
BENCHMARK(BM_PlayerMove);

// A particle that fell out of the level long ago: the move must not cost
// in proportion to its speed.
void BM_FallingForever(benchmark::State& state) {
    const Body& level = Level();
    Body p;
    p.mask = NewMask(1, 1, 1);
    p.x = 10.0f;
    p.y = 5000.0f;
    const float speed = static_cast<float>(state.range(0));
    for (auto _ : state) {
        p.y = 5000.0f;
        p.vy = speed;
        MoveBodyPlain(p, level);
        benchmark::DoNotOptimize(p.y);
    }
}
BENCHMARK(BM_FallingForever)->Arg(100)->Arg(100000)->Arg(1000000000);

} // namespace
