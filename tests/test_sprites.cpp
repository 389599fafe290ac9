// The sprite screen, drawn and read back: alpha, silhouettes, clip, corner
// transform, mirrored quads, grab with nearest-neighbour magnification,
// clearing, the stretched presentation, an empty screen and bad input.
// Built once per rendering back-end.
#include <gtest/gtest.h>

#include "SpriteScenes.h"

#include "platform/PlatSpriteCommon.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>

namespace {

// Real-valued result of blending colour channel c with alpha a over d.
double Blend(int c, int a, int d) {
    return (c * a + d * (255 - a)) / 255.0;
}

// Whether every channel of `got` is within one step of the blend of `color`
// with `alpha` over `under`.
bool NearBlend(uint32_t got, uint32_t color, int alpha, uint32_t under) {
    for (int shift = 0; shift < 24; shift += 8) {
        double want = Blend(int((color >> shift) & 0xFF), alpha, int((under >> shift) & 0xFF));
        if (std::abs(double((got >> shift) & 0xFF) - want) > 1.0) return false;
    }
    return true;
}

constexpr uint32_t Background = Rgba(0xDD, 0xDD, 0xDD);

class Screen : public testing::Test {
  protected:
    void Open(int windowWidth, int windowHeight, int width, int height) {
        ASSERT_TRUE(OpenTestScreen(windowWidth, windowHeight, width, height));
    }
    void SetUp() override { Open(80, 60, 80, 60); }
    void TearDown() override { CloseTestScreen(); }
};

TEST_F(Screen, ClearColourFillsThePresentedPicture) {
    for (uint32_t color : {0xDDDDDDu, 0x123456u}) {
        PlatScreenClear(color);
        Picture p = FlipAndRead();
        ASSERT_EQ(p.width, 80);
        ASSERT_EQ(p.height, 60);
        const uint32_t want = 0xFF000000u | color;
        for (uint32_t px : p.pixels) ASSERT_EQ(px, want);
    }
}

TEST_F(Screen, DisplayBlendsTheSpritesAlphaOverTheBackground) {
    const std::vector<uint32_t> row = {Rgba(255, 0, 0), Rgba(0, 255, 0, 0), Rgba(0, 0, 255, 128),
                                       Rgba(255, 255, 255), Rgba(10, 200, 30, 64)};
    ASSERT_TRUE(LoadTestImage(1, 5, 1, row));
    SpriteFromTestImage(1, 1);
    EXPECT_EQ(PlatSpriteWidth(1), 5);
    EXPECT_EQ(PlatSpriteHeight(1), 1);
    PlatSpriteDisplay(1, 10, 7);
    Picture p = FlipAndRead();
    ASSERT_EQ(p.width, 80);
    EXPECT_EQ(p.At(10, 7), Rgba(255, 0, 0));
    EXPECT_EQ(p.At(11, 7), Background); // fully transparent texel
    EXPECT_PRED4(NearBlend, p.At(12, 7), Rgba(0, 0, 255), 128, Background);
    EXPECT_EQ(p.At(13, 7), Rgba(255, 255, 255));
    EXPECT_PRED4(NearBlend, p.At(14, 7), Rgba(10, 200, 30), 64, Background);
    EXPECT_EQ(p.At(9, 7), Background);
    EXPECT_EQ(p.At(15, 7), Background);
    EXPECT_EQ(p.At(10, 6), Background);
    EXPECT_EQ(p.At(10, 8), Background);
}

TEST_F(Screen, SilhouetteReplacesColourAndScalesAlphaByOpacity) {
    // Texels: opaque, half transparent, transparent; their colour must not show.
    ASSERT_TRUE(
        LoadTestImage(1, 3, 1, {Rgba(9, 99, 199), Rgba(50, 60, 70, 128), Rgba(1, 2, 3, 0)}));
    SpriteFromTestImage(1, 1);
    struct Case {
        int opacity;
        uint32_t color; // 0x00BBGGRR
    };
    const Case cases[] = {{255, 0x0000FF}, {255, 0x000000}, {255, 0x563412},
                          {128, 0x00FF00}, {200, 0xFF0000}, {0, 0x123456}};
    for (const Case& c : cases) {
        PlatScreenClear(0xDDDDDD);
        PlatSpriteDisplaySilhouette(1, 20, 20, c.opacity, c.color);
        Picture p = FlipAndRead();
        ASSERT_EQ(p.width, 80);
        const uint32_t color = c.color | 0xFF000000u;
        SCOPED_TRACE(testing::Message() << "opacity " << c.opacity << " colour " << c.color);
        if (c.opacity == 255)
            EXPECT_EQ(p.At(20, 20), color);
        else if (c.opacity == 0)
            EXPECT_EQ(p.At(20, 20), Background);
        else
            EXPECT_PRED4(NearBlend, p.At(20, 20), color, c.opacity, Background);
        EXPECT_PRED4(NearBlend, p.At(21, 20), color, 128 * c.opacity / 255, Background);
        EXPECT_EQ(p.At(22, 20), Background);
    }
}

TEST_F(Screen, ManyOnePixelSilhouettesKeepTheirOwnColours) {
    ASSERT_TRUE(PlatImageCreate(9, 1, 1, 32));
    SpriteFromTestImage(9, 9);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            PlatSpriteDisplaySilhouette(9, x, y, 255, PatternColor(x, y, 3) & 0xFFFFFF);
    Picture p = FlipAndRead();
    ASSERT_EQ(p.width, 80);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) ASSERT_EQ(p.At(x, y), PatternColor(x, y, 3)) << x << "," << y;
}

TEST_F(Screen, ClipIsCutToTheSpriteAndDisplaySizeScales) {
    std::vector<uint32_t> px(4 * 4);
    for (int i = 0; i < 16; ++i) px[size_t(i)] = PatternColor(i % 4, i / 4, 4);
    ASSERT_TRUE(LoadTestImage(1, 4, 4, px));
    SpriteFromTestImage(1, 1);
    struct Case {
        int x, y, w, h;
        int wantX, wantY, wantW, wantH;
    };
    const Case cases[] = {
        {-1, -1, -1, -1, 0, 0, 4, 4}, {1, 1, 2, 2, 1, 1, 2, 2},
        {-2, -1, 4, 3, 0, 0, 2, 2},   {3, 2, 9, 9, 3, 2, 1, 2},
        {4, 0, 2, 2, 4, 0, 0, 2},     {5, 5, 3, 3, 4, 4, 0, 0},
        {1, 1, -3, 2, 1, 1, 0, 2},    {2147483647, 0, 2147483647, 1, 4, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "clip " << c.x << "," << c.y << " " << c.w << "x" << c.h);
        PlatSpriteClip(1, c.x, c.y, c.w, c.h);
        ASSERT_EQ(PlatSpriteWidth(1), c.wantW);
        ASSERT_EQ(PlatSpriteHeight(1), c.wantH);
        PlatScreenClear(0xDDDDDD);
        PlatSpriteDisplaySize(1, 2 * c.wantW, 3 * c.wantH);
        PlatSpriteDisplay(1, 30, 20);
        PlatSpriteDisplaySize(1, -1, -1);
        PlatSpriteDisplay(1, 5, 5);
        Picture p = FlipAndRead();
        ASSERT_EQ(p.width, 80);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x) {
                uint32_t want = Background;
                if (x >= 30 && x < 30 + 2 * c.wantW && y >= 20 && y < 20 + 3 * c.wantH)
                    want = PatternColor(c.wantX + (x - 30) / 2, c.wantY + (y - 20) / 3, 4);
                if (x >= 5 && x < 5 + c.wantW && y >= 5 && y < 5 + c.wantH)
                    want = PatternColor(c.wantX + x - 5, c.wantY + y - 5, 4);
                ASSERT_EQ(p.At(x, y), want) << x << "," << y;
            }
    }
}

// Pixel containing the point at texture fraction (s, t) of the quad drawn at
// (x, y) with the given corner offsets (top-left, top-right, bottom-right,
// bottom-left of the texture).
uint32_t AtFraction(const Picture& p, int x, int y, const float c[8], float s, float t) {
    float top[2] = {c[0] + s * (c[2] - c[0]), c[1] + s * (c[3] - c[1])};
    float bottom[2] = {c[6] + s * (c[4] - c[6]), c[7] + s * (c[5] - c[7])};
    float px = x + top[0] + t * (bottom[0] - top[0]);
    float py = y + top[1] + t * (bottom[1] - top[1]);
    return p.At(int(std::floor(px)), int(std::floor(py)));
}

// Area of the quad with the given corners.
double QuadArea(const float c[8]) {
    double twice = 0;
    for (int i = 0; i < 4; ++i) {
        int j = (i + 1) % 4;
        twice += double(c[2 * i]) * c[2 * j + 1] - double(c[2 * j]) * c[2 * i + 1];
    }
    return std::fabs(twice) / 2;
}

// The corner sets of a leaned, squashed 32 x 32 player quad, facing right or left.
struct Lean {
    const char* name;
    float corners[8];
};
const Lean Leans[] = {
    {"upright", {0, 0, 32, 0, 32, 32, 0, 32}},
    {"leaned", {6, -2, 38, -2, 32, 32, 0, 32}},
    {"mirrored", {32, 0, 0, 0, 0, 32, 32, 32}},
    {"mirrored and leaned", {26.5f, 3.25f, -5.5f, 3.25f, 0, 32, 32, 32}},
    {"mirrored and leaned back", {38, 2, 6, 2, 0, 32, 32, 32}},
};

TEST_F(Screen, CornerTransformMapsTheClipOntoTheQuadMirroredOrNot) {
    ASSERT_TRUE(LoadTestImage(1, 32, 16, QuadrantSheet()));
    SpriteFromTestImage(1, 1);
    const uint32_t red = Rgba(255, 0, 0), green = Rgba(0, 255, 0), blue = Rgba(0, 0, 255),
                   yellow = Rgba(255, 255, 0);
    for (const Lean& lean : Leans) {
        SCOPED_TRACE(lean.name);
        PlatScreenClear(0xDDDDDD);
        PlatSpriteClip(1, 0, 0, 16, 16);
        PlatSpriteTransform(1, lean.corners);
        EXPECT_EQ(PlatSpriteWidth(1), 16);
        PlatSpriteDisplay(1, 40, 14);
        Picture p = FlipAndRead();
        ASSERT_EQ(p.width, 80);
        // Texture quadrants land where the corners put them, mirrored or not.
        EXPECT_EQ(AtFraction(p, 40, 14, lean.corners, 0.25f, 0.25f), red);
        EXPECT_EQ(AtFraction(p, 40, 14, lean.corners, 0.75f, 0.25f), green);
        EXPECT_EQ(AtFraction(p, 40, 14, lean.corners, 0.25f, 0.75f), blue);
        EXPECT_EQ(AtFraction(p, 40, 14, lean.corners, 0.75f, 0.75f), yellow);
        // The whole quad is covered: not culled, not filled with one texel.
        int covered = 0;
        for (uint32_t px : p.pixels) covered += px != Background;
        EXPECT_NEAR(covered, QuadArea(lean.corners), 40);
    }
    // A new clip drops the transform: the frame shows upright at its own size.
    PlatScreenClear(0xDDDDDD);
    PlatSpriteClip(1, 0, 0, 16, 16);
    PlatSpriteDisplay(1, 3, 3);
    Picture p = FlipAndRead();
    ASSERT_EQ(p.width, 80);
    EXPECT_EQ(p.At(3, 3), red);
    EXPECT_EQ(p.At(18, 18), yellow);
    EXPECT_EQ(p.At(19, 18), Background);
    EXPECT_EQ(p.At(18, 19), Background);
}

TEST_F(Screen, GrabAndDisplaySizeMagnifyNearestNeighbour) {
    // The sharp presentation at zoom 4: the middle 20 x 15 becomes 4 x 4 blocks.
    const int w = 80, h = 60, z = 4;
    const int gx = w / 2 - w / (2 * z), gy = h / 2 - h / (2 * z);
    for (int frame = 0; frame < 3; ++frame) {
        SCOPED_TRACE(frame);
        std::vector<uint32_t> px(size_t(w / z) * size_t(h / z));
        for (int y = 0; y < h / z; ++y)
            for (int x = 0; x < w / z; ++x)
                px[size_t(y) * size_t(w / z) + size_t(x)] = PatternColor(x, y, 10 + frame);
        ASSERT_TRUE(LoadTestImage(1, w / z, h / z, px));
        SpriteFromTestImage(1, 1);
        PlatSpriteDisplay(1, gx, gy);
        PlatSpriteQuality(0);
        PlatSpriteGrab(10, gx, gy, w / z, h / z);
        EXPECT_EQ(PlatSpriteWidth(10), w / z);
        EXPECT_EQ(PlatSpriteHeight(10), h / z);
        // Drawn after the grab: must not show in the grabbed copy.
        PlatSpriteDisplaySilhouette(1, gx, gy, 255, 0x0000FF);
        PlatSpriteDisplaySize(10, w, h);
        PlatSpriteDisplay(10, 0, 0);
        PlatSpriteDisplaySize(10, -1, -1);
        EXPECT_EQ(PlatSpriteWidth(10), w / z);
        Picture p = FlipAndRead();
        PlatScreenClear(0xDDDDDD);
        ASSERT_EQ(p.width, w);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(p.At(x, y), PatternColor(x / z, y / z, 10 + frame)) << x << "," << y;
    }
}

TEST_F(Screen, GrabIsCutToTheScreen) {
    PlatScreenClear(0x0000FF);
    PlatSpriteGrab(10, 70, 50, 20, 20);
    EXPECT_TRUE(PlatSpriteExists(10));
    EXPECT_EQ(PlatSpriteWidth(10), 10);
    EXPECT_EQ(PlatSpriteHeight(10), 10);
    PlatSpriteGrab(10, -30, 0, 20, 5);
    EXPECT_EQ(PlatSpriteWidth(10), 0);
    PlatSpriteDisplay(10, 0, 0); // draws nothing
    PlatSpriteGrab(10, 0, 0, 2, 2);
    PlatScreenClear(0xDDDDDD);
    PlatSpriteDisplay(10, 5, 6);
    Picture p = FlipAndRead();
    ASSERT_EQ(p.width, 80);
    EXPECT_EQ(p.At(5, 6), Rgba(255, 0, 0));
    EXPECT_EQ(p.At(6, 7), Rgba(255, 0, 0));
    EXPECT_EQ(p.At(7, 7), Background);
}

TEST_F(Screen, ColourKeyOnlyForSpritesWithoutTheAlphaFlag) {
    ASSERT_TRUE(LoadTestImage(1, 2, 1, {Rgba(255, 0, 255), Rgba(0, 0, 255, 0)}));
    SpriteFromTestImage(1, 1, 0);
    SpriteFromTestImage(2, 1, PlatSpriteAlphaFlag);
    PlatSpriteDisplay(1, 10, 10);
    PlatSpriteDisplay(2, 10, 12);
    Picture p = FlipAndRead();
    ASSERT_EQ(p.width, 80);
    EXPECT_EQ(p.At(10, 10), Background);      // keyed out
    EXPECT_EQ(p.At(11, 10), Rgba(0, 0, 255)); // no alpha channel: opaque
    EXPECT_EQ(p.At(10, 12), Rgba(255, 0, 255));
    EXPECT_EQ(p.At(11, 12), Background);
}

TEST_F(Screen, OpeningAScreenReleasesTheSprites) {
    ASSERT_TRUE(PlatImageCreate(9, 1, 1, 32));
    SpriteFromTestImage(9, 9);
    PlatSpriteGrab(10, 0, 0, 4, 4);
    ASSERT_TRUE(PlatSpriteExists(9));
    ASSERT_TRUE(PlatSpriteExists(10));
    PlatScreenOpen(1, 40, 30);
    EXPECT_FALSE(PlatSpriteExists(9));
    EXPECT_FALSE(PlatSpriteExists(10));
    EXPECT_EQ(PlatScreenWidth(), 40);
    EXPECT_EQ(PlatScreenHeight(), 30);
}

TEST_F(Screen, BadNumbersSizesAndCornersAreIgnored) {
    ASSERT_TRUE(PlatImageCreate(9, 1, 1, 32));
    for (int n : {0, -1, 4097, 1 << 30}) {
        PlatSpriteCreate(n, 4, 4, PlatSpriteAlphaFlag);
        PlatSpriteDrawImage(n, 9);
        PlatSpriteGrab(n, 0, 0, 4, 4);
        PlatSpriteClip(n, 0, 0, 1, 1);
        PlatSpriteDisplay(n, 0, 0);
        PlatSpriteDisplaySilhouette(n, 0, 0, 255, 0);
        EXPECT_FALSE(PlatSpriteExists(n)) << n;
        EXPECT_EQ(PlatSpriteWidth(n), 0);
    }
    PlatSpriteCreate(1, 100000, 4, PlatSpriteAlphaFlag);
    EXPECT_FALSE(PlatSpriteExists(1));
    PlatSpriteCreate(1, -4, 4, PlatSpriteAlphaFlag);
    EXPECT_FALSE(PlatSpriteExists(1));
    PlatSpriteCreate(1, 4, 4, PlatSpriteAlphaFlag);
    PlatSpriteDrawImage(1, 77); // no such image
    const float nan = std::nanf("");
    const float bad[8] = {nan, 0, 32, 0, 32, 32, 0, 32};
    const float huge[8] = {0, 0, 3e30f, 0, 3e30f, 3e30f, 0, 3e30f};
    const float flat[8] = {0, 0, 32, 0, 32, 0, 0, 0};
    for (const float* corners : {bad, huge, flat}) {
        PlatSpriteTransform(1, corners);
        PlatSpriteDisplay(1, 3, 3);
    }
    PlatSpriteTransform(1, nullptr);
    Picture p = FlipAndRead();
    ASSERT_EQ(p.width, 80);
    for (uint32_t px : p.pixels) ASSERT_EQ(px, Background);
}

// The presentation stretches a small screen over the whole window.
TEST(ScreenStretch, SmallScreenFillsTheWindow) {
    ASSERT_TRUE(OpenTestScreen(80, 60, 20, 15));
    std::vector<uint32_t> px(20 * 15);
    for (int i = 0; i < 300; ++i) px[size_t(i)] = PatternColor(i % 20, i / 20, 20);
    ASSERT_TRUE(LoadTestImage(1, 20, 15, px));
    SpriteFromTestImage(1, 1);
    PlatSpriteDisplay(1, 0, 0);
    Picture p = FlipAndRead();
    ASSERT_EQ(p.width, 80);
    ASSERT_EQ(p.height, 60);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_EQ(p.At(x, y), PatternColor(x / 4, y / 4, 20)) << x << "," << y;
    CloseTestScreen();
}

// A window smaller than twice the zoom gives a screen without pixels: nothing
// may crash, draws do nothing and flips show the clear colour.
TEST(ScreenEmpty, EveryCallSurvivesAScreenOfSizeZero) {
    struct Size {
        int w, h;
    };
    for (Size s : {Size{0, 6}, Size{6, 0}, Size{0, 0}, Size{-5, 3}}) {
        SCOPED_TRACE(testing::Message() << s.w << "x" << s.h);
        ASSERT_TRUE(OpenTestScreen(7, 6, s.w, s.h));
        EXPECT_EQ(PlatScreenWidth(), std::max(s.w, 0));
        EXPECT_EQ(PlatScreenHeight(), std::max(s.h, 0));
        ASSERT_TRUE(PlatImageCreate(9, 1, 1, 32));
        SpriteFromTestImage(9, 9);
        PlatSpriteDisplay(9, 0, 0);
        PlatSpriteDisplaySilhouette(9, 0, 0, 255, 0x0000FF);
        const int w = PlatScreenWidth(), h = PlatScreenHeight();
        PlatSpriteGrab(10, w / 2 - w / 8, h / 2 - h / 8, w / 4, h / 4);
        PlatSpriteDisplaySize(10, w, h);
        PlatSpriteDisplay(10, 0, 0);
        PlatSpriteDisplaySize(10, -1, -1);
        PlatScreenClear(0x00FF00);
        PlatSpriteDisplay(9, 0, 0);
        Picture p = FlipAndRead();
        ASSERT_EQ(p.width, 7);
        ASSERT_EQ(p.height, 6);
        for (uint32_t px : p.pixels) ASSERT_EQ(px, Rgba(0, 255, 0));
        CloseTestScreen();
    }
}

// Where presents do not wait for the retrace (as on this virtual display),
// flips still take a refresh period each.
TEST(ScreenPacing, FlipsWaitOutTheRefreshPeriod) {
    ASSERT_TRUE(OpenTestScreen(8, 8, 8, 8));
    PlatScreenSetPacing(true);
    for (int i = 0; i < 20; ++i) PlatScreenFlip(); // lets the timings settle
    const double period = 1000.0 / PlatRefreshRate(1);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) PlatScreenFlip();
    const double elapsed =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(elapsed, 9 * period - 2) << "refresh " << PlatRefreshRate(1);
    PlatScreenSetPacing(false);
    CloseTestScreen();
}

// The timer pacing itself: presents that return at once are paced when the
// retrace wait could not be asked for, and, after a short measurement, when
// it was asked for but does not happen. Off, nothing waits.
TEST(ScreenPacing, TimerPacesPresentsThatDoNotWait) {
    using Clock = std::chrono::steady_clock;
    using Milliseconds = std::chrono::duration<double, std::milli>;
    auto since = [](Clock::time_point t) { return Milliseconds(Clock::now() - t).count(); };
    const double period = 1000.0 / 60; // no window: the refresh rate is unknown
    for (bool swapWaits : {false, true}) {
        SCOPED_TRACE(swapWaits);
        PlatScreen.window = 0;
        PlatScreen.pacing = true;
        PlatPaceReset();
        for (int i = 0; i < 20; ++i) PlatPaceAfterFlip(swapWaits);
        const auto start = Clock::now();
        for (int i = 0; i < 10; ++i) PlatPaceAfterFlip(swapWaits);
        EXPECT_GE(since(start), 9 * period - 2);
    }
    PlatScreen.pacing = false;
    PlatPaceReset();
    const auto start = Clock::now();
    for (int i = 0; i < 30; ++i) PlatPaceAfterFlip(false);
    EXPECT_LT(since(start), 9 * period);
    PlatScreen.pacing = true;
}

} // namespace
