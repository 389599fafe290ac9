// The OpenGL back-end against the render-target back-end: in the sharp mode
// the same scene must give the same picture, pixel for pixel.
#include <gtest/gtest.h>

#include "SpriteScenes.h"
#include "TestSupport.h"

#include <cstdio>
#include <cstring>

namespace {

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
    ASSERT_EQ(bytes.size(), size_t(used) + 2 * size_t(w) * size_t(h) * 4);

    ASSERT_TRUE(OpenTestScreen(160, 120, 160, 120));
    for (int frame = 0; frame < 2; ++frame) {
        SCOPED_TRACE(frame);
        ASSERT_TRUE(DrawComparisonScene(frame));
        Picture p = FlipAndRead();
        PlatScreenClear(0xDDDDDD);
        ASSERT_EQ(p.width, w);
        ASSERT_EQ(p.height, h);
        std::vector<uint32_t> want(size_t(w) * size_t(h));
        std::memcpy(want.data(), bytes.data() + used + size_t(frame) * want.size() * 4,
                    want.size() * 4);
        int differing = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (p.At(x, y) != want[size_t(y) * size_t(w) + size_t(x)]) {
                    if (++differing <= 5)
                        ADD_FAILURE()
                            << "pixel " << x << "," << y << std::hex << " gl " << p.At(x, y)
                            << " render target " << want[size_t(y) * size_t(w) + size_t(x)];
                }
        EXPECT_EQ(differing, 0);
    }
    CloseTestScreen();
}

} // namespace
