// The overlap test of two placed masks, against a cell-by-cell scan, and the
// sharing of cells between copies of a body.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <list>
#include <memory>
#include <random>
#include <string>

#include "ArrayCollision.h"
#include "Body.h"

namespace {

Body Solid(int32_t w, int32_t h) {
    Body b;
    b.mask = NewMask(w, h, 1);
    return b;
}

int64_t Div(int64_t a, int64_t b) {
    return a / b; // sizes are at least 1, so (size - 1) / 2 truncates like div
}

// Every cell of a against the cell of b under it, with wide arithmetic.
int32_t ScanOverlap(const Body& a, int64_t ax, int64_t ay, const Body& b, int64_t bx, int64_t by) {
    if (!a.mask.cells || !b.mask.cells) return 0;
    const int64_t wa = a.mask.width, ha = a.mask.height, wb = b.mask.width, hb = b.mask.height;
    const int64_t ax0 = ax - Div(wa - 1, 2), ay0 = ay - Div(ha - 1, 2);
    const int64_t bx0 = bx - Div(wb - 1, 2), by0 = by - Div(hb - 1, 2);
    for (int64_t cy = 0; cy < ha; ++cy) {
        const int64_t ry = cy + ay0 - by0;
        if (ry < 0 || ry > hb - 1) continue;
        for (int64_t cx = 0; cx < wa; ++cx) {
            const int64_t rx = cx + ax0 - bx0;
            if (rx < 0 || rx > wb - 1) continue;
            if (a.mask.cells->bytes[cy * wa + cx] != 0 && b.mask.cells->bytes[ry * wb + rx] == 1)
                return 1;
        }
    }
    return 0;
}

} // namespace

TEST(MaskOverlap, PlacementOfOddAndEvenSizes) {
    const Body dot = Solid(1, 1), square = Solid(16, 16), odd = Solid(15, 15);
    struct Case {
        const Body* big;
        int32_t x, y;
        int32_t want;
    } cases[] = {
        {&dot, 7, 3, 0},       {&square, 93, 43, 1},  {&square, 108, 58, 1}, {&square, 92, 43, 0},
        {&square, 109, 58, 0}, {&square, 100, 42, 0}, {&square, 100, 59, 0}, {&odd, 93, 43, 1},
        {&odd, 107, 57, 1},    {&odd, 108, 57, 0},    {&odd, 107, 58, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MaskOverlap(dot, c.x, c.y, *c.big, 100, 50), c.want) << c.x << "," << c.y;
        EXPECT_EQ(MaskOverlap(*c.big, 100, 50, dot, c.x, c.y), c.want) << c.x << "," << c.y;
    }
    EXPECT_EQ(MaskOverlap(dot, 5, 5, dot, 5, 5), 1);
    EXPECT_EQ(MaskOverlap(dot, 5, 5, dot, 6, 5), 0);
    EXPECT_EQ(MaskOverlap(dot, 5, 5, dot, 5, 4), 0);
}

// A fully solid level: every pixel just outside its rectangle is free, every
// pixel on its edge is not, and larger bodies touch only with cells inside.
TEST(MaskOverlap, LevelRectangleEdges) {
    const Body level = Solid(10, 8); // at (0, 0): columns -4..5, rows -3..4
    const Body dot = Solid(1, 1), bar = Solid(5, 1);
    struct Case {
        const Body* body;
        int32_t x, y, want;
    } cases[] = {
        {&dot, -5, 0, 0}, {&dot, -4, 0, 1}, {&dot, 6, 0, 0},  {&dot, 5, 0, 1},
        {&dot, 0, -4, 0}, {&dot, 0, -3, 1}, {&dot, 0, 5, 0},  {&dot, 0, 4, 1},
        {&dot, 6, 5, 0},  {&dot, 5, 4, 1},  {&bar, -7, 0, 0}, {&bar, -6, 0, 1},
        {&bar, 8, 0, 0},  {&bar, 7, 0, 1},  {&bar, 0, 5, 0},  {&dot, 1000000, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MaskOverlap(*c.body, c.x, c.y, level, 0, 0), c.want) << c.x << "," << c.y;
}

TEST(MaskOverlap, BodiesWithoutCellsOverlapNothing) {
    const Body none, dot = Solid(1, 1), empty = Body{NewMask(4, 4), 0, 0};
    EXPECT_EQ(MaskOverlap(none, 0, 0, dot, 0, 0), 0);
    EXPECT_EQ(MaskOverlap(dot, 0, 0, none, 0, 0), 0);
    EXPECT_EQ(MaskOverlap(none, 0, 0, none, 0, 0), 0);
    EXPECT_EQ(MaskOverlap(empty, 0, 0, dot, 0, 0), 0);
    EXPECT_FALSE(NewMask(0, 5).cells);
    EXPECT_FALSE(NewMask(5, -1).cells);
    EXPECT_FALSE(NewMask(1 << 20, 1 << 20).cells);
}

// Positions at the ends of the 32-bit range stay exact instead of wrapping.
TEST(MaskOverlap, ExtremePositions) {
    const int32_t max = std::numeric_limits<int32_t>::max(),
                  min = std::numeric_limits<int32_t>::min();
    const Body wide = Solid(300, 3), dot = Solid(1, 1);
    const int32_t spots[][4] = {
        {max, 0, min, 0},       {min, 0, max, 0},       {max, max, max, max}, {min, min, min, min},
        {max - 100, 0, max, 0}, {min + 100, 1, min, 0}, {0, max, 0, min}};
    for (const auto& s : spots) {
        EXPECT_EQ(MaskOverlap(wide, s[0], s[1], dot, s[2], s[3]),
                  ScanOverlap(wide, s[0], s[1], dot, s[2], s[3]));
        EXPECT_EQ(MaskOverlap(dot, s[0], s[1], wide, s[2], s[3]),
                  ScanOverlap(dot, s[0], s[1], wide, s[2], s[3]));
    }
}

// Random shapes across the 64-cell word boundaries, at random placements
// around and inside each other, give exactly the cell-by-cell result.
TEST(MaskOverlap, PackedRowsMatchCellByCellScan) {
    std::mt19937 rng(2024);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto randomBody = [&]() {
        Body b;
        const int w = pick(0, 3) == 0 ? pick(1, 4) : pick(1, 200), h = pick(1, 40);
        b.mask = NewMask(w, h);
        const int density = pick(0, 4) == 0 ? 1 : pick(0, 100);
        for (int cy = 0; cy < h; ++cy)
            for (int cx = 0; cx < w; ++cx)
                if (pick(0, 99) < density) SetMaskCell(b.mask, cx, cy, 1);
        if (pick(0, 5) == 0) { // clear a few again: spans then only bound the cells
            for (int i = 0; i < w * h / 2; ++i)
                SetMaskCell(b.mask, pick(0, w - 1), pick(0, h - 1), 0);
        }
        return b;
    };
    int hits = 0;
    for (int pair = 0; pair < 400; ++pair) {
        const Body a = randomBody(), b = randomBody();
        for (int place = 0; place < 200; ++place) {
            const int32_t ax = pick(-260, 260), ay = pick(-50, 50);
            const int32_t bx = pick(-10, 10), by = pick(-10, 10);
            const int32_t want = ScanOverlap(a, ax, ay, b, bx, by);
            hits += want;
            ASSERT_EQ(MaskOverlap(a, ax, ay, b, bx, by), want)
                << "pair " << pair << " a " << a.mask.width << "x" << a.mask.height << " at " << ax
                << "," << ay << " b " << b.mask.width << "x" << b.mask.height << " at " << bx << ","
                << by;
        }
    }
    EXPECT_GT(hits, 1000); // the placements really exercise both outcomes
    EXPECT_LT(hits, 400 * 200 - 1000);
}

TEST(MaskCells, CopiesShareCellsAndTheLastHolderReleasesThem) {
    std::list<Body> debris;
    debris.emplace_back();
    debris.back().mask = NewMask(1, 1, 1);
    std::weak_ptr<MaskCells> cells = debris.back().mask.cells;
    {
        const Body copy = debris.back();
        EXPECT_EQ(copy.mask.cells.get(), debris.back().mask.cells.get());
        EXPECT_EQ(MaskOverlap(copy, 0, 0, debris.back(), 0, 0), 1);
    }
    EXPECT_FALSE(cells.expired());
    debris.erase(debris.begin());
    EXPECT_TRUE(cells.expired());
}

TEST(MaskCells, OnlyZeroAndOneAreStored) {
    CollisionMask m = NewMask(70, 2);
    SetMaskCell(m, 69, 1, 200);
    SetMaskCell(m, 70, 1, 1); // outside: ignored
    SetMaskCell(m, -1, 0, 1);
    EXPECT_EQ(MaskCell(m, 69, 1), 1);
    EXPECT_EQ(MaskCell(m, 70, 1), 0);
    EXPECT_EQ(MaskCell(m, 0, 0), 0);
    SetMaskCell(m, 69, 1, 0);
    EXPECT_EQ(MaskCell(m, 69, 1), 0);
    Body a{m, 0, 0}, dot;
    dot.mask = NewMask(1, 1, 1);
    EXPECT_EQ(MaskOverlap(dot, 35, 1, a, 34, 0), 0);
}
