// The OpenGL back-end against the render-target back-end: in the sharp mode
// the same scene must give the same picture, pixel for pixel.
#include <gtest/gtest.h>

#include "SpriteScenes.h"
#include "TestSupport.h"
#include "platform/PlatSpriteCommon.h"

#include <cstdio>
#include <cstring>

namespace {

// Whether `color` occurs at (x, y) or beside it in `picture`.
bool NearbyIn(const std::vector<uint32_t>& picture, int w, int h, int x, int y, uint32_t color) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx >= 0 && ny >= 0 && nx < w && ny < h &&
                picture[size_t(ny) * size_t(w) + size_t(nx)] == color)
                return true;
        }
    return false;
}

// Every picture the same, pixel for pixel, transformed quads included.
TEST(BackEnds, SameSceneSamePixels) {
    TempDir dir;
    const std::string path = dir.path + "/scene.bin";
    RunResult r = RunProgram({VREM_SCENE_DUMP, path}, dir.path,
                             {"SDL_VIDEODRIVER=dummy", "DISPLAY=", "WAYLAND_DISPLAY="});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string bytes = ReadFileBytes(path);
    int w = 0, h = 0, used = 0;
    ASSERT_EQ(std::sscanf(bytes.c_str(), "%d %d\n%n", &w, &h, &used), 2);
    ASSERT_EQ(w, 160);
    ASSERT_EQ(h, 120);
    ASSERT_EQ(bytes.size(), size_t(used) + ComparisonFrames * size_t(w) * size_t(h) * 4);

    ASSERT_TRUE(OpenTestScreen(160, 120, 160, 120));
    for (int frame = 0; frame < ComparisonFrames; ++frame) {
        SCOPED_TRACE(frame);
        ASSERT_TRUE(DrawComparisonScene(frame));
        Picture p = FlipAndRead();
        PlatScreenClear(0xDDDDDD);
        ASSERT_EQ(p.width, w);
        ASSERT_EQ(p.height, h);
        std::vector<uint32_t> want(size_t(w) * size_t(h));
        std::memcpy(want.data(), bytes.data() + used + size_t(frame) * want.size() * 4,
                    want.size() * 4);
        // Where a pixel's centre lies exactly on a texel edge, as happens
        // along a whole row or column of some of the quads of frame 2, each
        // rasteriser's rounding picks one of the two texels. So there a
        // pixel may show its neighbour's texel, in a few rows at most.
        int differing = 0, neighbours = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t other = want[size_t(y) * size_t(w) + size_t(x)];
                if (p.At(x, y) == other) continue;
                if (frame == 2 && NearbyIn(want, w, h, x, y, p.At(x, y)) &&
                    NearbyIn(p.pixels, w, h, x, y, other)) {
                    ++neighbours;
                    continue;
                }
                if (++differing <= 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << std::hex << " gl " << p.At(x, y)
                                  << " render target " << other;
            }
        EXPECT_EQ(differing, 0);
        EXPECT_LE(neighbours, 100);
    }
    CloseTestScreen();
}

// Debris-like silhouettes of one sprite in many colours go out in a few
// batches, not one draw call each.
TEST(BackEnds, ThousandsOfSilhouettesAreBatched) {
    ASSERT_TRUE(OpenTestScreen(160, 120, 160, 120));
    ASSERT_TRUE(PlatImageCreate(9, 1, 1, 32));
    SpriteFromTestImage(9, 9);
    const int64_t before = PlatDrawCalls;
    for (int i = 0; i < 10000; ++i)
        PlatSpriteDisplaySilhouette(9, i % 160, i / 160, 255, PatternColor(i, 0, 5) & 0xFFFFFF);
    Picture p = FlipAndRead();
    EXPECT_LE(PlatDrawCalls - before, 2);
    ASSERT_EQ(p.width, 160);
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(p.At(i % 160, i / 160), PatternColor(i, 0, 5)) << i;
    CloseTestScreen();
}

} // namespace
