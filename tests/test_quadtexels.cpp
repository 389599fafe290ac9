// The texels that each screen pixel of a transformed quad shows, where the
// render-target back-end fills quads itself: coverage, mirroring, clipping.
#include <gtest/gtest.h>

#include "platform/PlatSpriteCommon.h"

#include <map>
#include <utility>

namespace {

// Quad with corners (x, y) clockwise from the top left and the whole texture.
PlatQuad Quad(const float (&x)[4], const float (&y)[4], bool mirrored = false) {
    PlatQuad q{};
    for (int i = 0; i < 4; ++i) {
        q.x[i] = x[i];
        q.y[i] = y[i];
    }
    const float u[4] = {0, 1, 1, 0}, v[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
        q.u[i] = mirrored ? 1 - u[i] : u[i];
        q.v[i] = v[i];
    }
    return q;
}

// Texel (x, y) shown by each covered pixel; fails on a pixel covered twice.
std::map<std::pair<int, int>, std::pair<int, int>> Pixels(const PlatQuad& q, int tw, int th, int sw,
                                                          int sh) {
    std::vector<PlatTexelRun> runs;
    PlatQuadTexelRuns(q, tw, th, sw, sh, &runs);
    std::map<std::pair<int, int>, std::pair<int, int>> out;
    for (const PlatTexelRun& r : runs) {
        EXPECT_TRUE(r.step == 1 || r.step == -1);
        for (int i = 0; i < r.length; ++i)
            EXPECT_TRUE(out.insert({{r.x + i, r.y}, {r.texelX + r.step * i, r.texelY}}).second)
                << "pixel " << r.x + i << "," << r.y << " twice";
    }
    return out;
}

TEST(QuadTexels, UprightQuadShowsEachTexelOnceInOneRunPerRow) {
    std::vector<PlatTexelRun> runs;
    PlatQuadTexelRuns(Quad({2, 6, 6, 2}, {1, 1, 4, 4}), 4, 3, 10, 10, &runs);
    ASSERT_EQ(runs.size(), 3u * 2); // each row split by the diagonal
    auto px = Pixels(Quad({2, 6, 6, 2}, {1, 1, 4, 4}), 4, 3, 10, 10);
    ASSERT_EQ(px.size(), 12u);
    for (int y = 1; y < 4; ++y)
        for (int x = 2; x < 6; ++x)
            EXPECT_EQ(px[std::make_pair(x, y)], std::make_pair(x - 2, y - 1));
}

TEST(QuadTexels, MirroredQuadRunsBackwards) {
    auto px = Pixels(Quad({0, 4, 4, 0}, {0, 0, 2, 2}, true), 4, 2, 10, 10);
    ASSERT_EQ(px.size(), 8u);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(px[std::make_pair(x, y)], std::make_pair(3 - x, y));
}

// Neighbouring quads sharing an edge through pixel centres fill every pixel
// once between them, on sloped and flat edges alike.
TEST(QuadTexels, SharedEdgesThroughCentresBelongToOneQuad) {
    const float top = 0.5f, mid = 3.5f, bottom = 6.5f;
    auto upper = Pixels(Quad({0.5f, 8.5f, 5.5f, -1.5f}, {top, top, mid, mid}), 8, 8, 20, 20);
    auto lower = Pixels(Quad({-1.5f, 5.5f, 3.5f, -3.5f}, {mid, mid, bottom, bottom}), 8, 8, 20, 20);
    auto right = Pixels(Quad({8.5f, 12.5f, 9.5f, 5.5f}, {top, top, mid, mid}), 8, 8, 20, 20);
    for (const auto& [pixel, texel] : upper) {
        EXPECT_EQ(lower.count(pixel), 0u) << pixel.first << "," << pixel.second;
        EXPECT_EQ(right.count(pixel), 0u) << pixel.first << "," << pixel.second;
    }
    // Row 3 lies on the shared flat edge: exactly one of the two has it.
    EXPECT_NE(upper.count({2, 3}), lower.count({2, 3}));
    // Pixel 7 of row 1 lies on the shared sloped edge.
    EXPECT_NE(upper.count({7, 1}), right.count({7, 1}));
}

TEST(QuadTexels, ScreenEdgesAndEmptyQuadsClipToNothingOrPart) {
    struct Case {
        const char* name;
        PlatQuad quad;
        size_t pixels;
    } cases[] = {
        {"left of the screen", Quad({-10, -6, -6, -10}, {0, 0, 4, 4}), 0},
        {"below the screen", Quad({0, 4, 4, 0}, {12, 12, 16, 16}), 0},
        {"half off the top", Quad({0, 4, 4, 0}, {-2, -2, 2, 2}), 8},
        {"no area", Quad({1, 5, 5, 1}, {3, 3, 3, 3}), 0},
        {"huge", Quad({-1e6f, 1e6f, 1e6f, -1e6f}, {-1e6f, -1e6f, 1e6f, 1e6f}), 100},
    };
    for (const Case& c : cases) EXPECT_EQ(Pixels(c.quad, 4, 4, 10, 10).size(), c.pixels) << c.name;
}

} // namespace
