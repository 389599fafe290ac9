// The camera, the level drawing and the animated player: rounding, the
// animation counter, lean and squash, mirroring and the outline, checked on
// the presented picture of a headless screen.
#include <cmath>

#include "GameplayTestSupport.h"

using namespace gameplay_test;

namespace {

constexpr uint32_t Red = 0x0000FF, Blue = 0xFF0000, Green = 0x00FF00, White = 0xFFFFFF;

class World : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetGame();
        // A 32 x 32 one-frame sheet, red on the left half and blue on the right.
        MakeImage(ImagePlayerStand, 32, 32, [](int x, int) {
            return x < 16 ? Px{255, 0, 0, 255} : Px{0, 0, 255, 255};
        });
        MakeImage(ImagePlayerWalk, 12, 4, [](int, int) { return Px{255, 255, 255, 255}; });
        MakeImage(ImagePlayerRun, 10, 4, [](int, int) { return Px{255, 255, 255, 255}; });
        MakeImage(ImageLevelColor, 4, 4, [](int, int) { return Px{0, 255, 0, 255}; });
        MakeImage(ImageLevelCollision, 2, 2, [](int x, int y) {
            return x == 0 && y == 0 ? Px{255, 255, 255, 255} : Px{0, 0, 0, 0};
        });
        OpenScreen(64, 48);
        Present();
    }
};

TEST_F(World, WorldToScreenRoundsEachStepToSingleAndTiesToEven) {
    struct Case {
        float px, py, wx, wy, halfW, halfH;
    } cases[] = {
        {0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f},     {1.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f},
        {0.25f, -2.5f, 0.0f, 0.0f, 0.5f, 0.5f},   {-0.5f, 0.5f, 3.0f, 0.0f, 2.0f, 0.0f},
        {-0.3f, 7.7f, 1e7f, -2e7f, 16.0f, 16.0f}, {33.5f, -24.5f, 0.0f, 0.0f, 1.0f, 1.0f},
    };
    for (const Case& c : cases) {
        PlayerBody.x = c.px;
        PlayerBody.y = c.py;
        const ScreenPos at = WorldToScreen(c.wx, c.wy, c.halfW, c.halfH);
        const float x = ((c.wx - c.px) + 32.0f) - c.halfW;
        const float y = ((c.wy - c.py) + 24.0f) - c.halfH;
        EXPECT_EQ(at.x, Nearest(x)) << c.px << " " << c.wx;
        EXPECT_EQ(at.y, Nearest(y)) << c.py << " " << c.wy;
    }
    PlayerBody.x = 0.5f;
    EXPECT_EQ(WorldToScreen(0.0f, 0.0f, 0.0f, 0.0f).x, 32); // 31.5 goes to even
    PlayerBody.x = 1.5f;
    EXPECT_EQ(WorldToScreen(0.0f, 0.0f, 0.0f, 0.0f).x, 30); // 30.5 too
}

TEST_F(World, LevelPicturesAreDrawnCentredOnTheLevelRelativeToThePlayer) {
    PlayerBody.x = 5.0f;
    PlayerBody.y = 2.0f;
    DrawLevel();
    const Picture shot = Present();
    // Colour picture at (25, 20), collision picture over it at (26, 21).
    EXPECT_EQ(shot.At(25, 20), Green);
    EXPECT_EQ(shot.At(28, 23), Green);
    EXPECT_EQ(shot.At(26, 21), White);
    EXPECT_EQ(shot.At(27, 22), Green);
    EXPECT_EQ(shot.At(24, 20), BackgroundColor);
    EXPECT_EQ(shot.At(29, 23), BackgroundColor);
}

TEST_F(World, AnimationCounterWrapsBothWaysAndAdvancesWithTheWalk) {
    const float below01 = std::nextafter(0.1f, 0.0f);
    struct Case {
        int sheet;
        float counter;
        int hitY;
        float vx;
        int facing;
        int frame;
    } cases[] = {
        {ImagePlayerWalk, 18.0f, 0, 0.0f, 1, 0},   // at the period: back to 0
        {ImagePlayerWalk, 17.9f, 0, 0.0f, 1, 2},   // just below it: last frame
        {ImagePlayerWalk, -1.0f, 1, 0.98f, -1, 2}, // at -1: the period's last unit
        {ImagePlayerWalk, -0.5f, 1, 0.98f, 1, 0},  // between -1 and 0: frame 0
        {ImagePlayerWalk, 5.0f, 1, below01, 1, 0}, // too slow: one unit
        {ImagePlayerWalk, 5.0f, 1, 0.1f, 1, 0},    // walking
        {ImagePlayerWalk, 11.0f, 1, -0.1f, 1, 1},  // backwards
        {ImagePlayerWalk, 11.0f, 0, 1.96f, 1, 1},  // in the air: one unit
        {ImagePlayerRun, 14.9f, 0, 0.0f, 1, 2},    // 2.5 frames: the last is cut
        {ImagePlayerRun, 15.0f, 0, 0.0f, 1, 0},    // period 15
        {ImagePlayerRun, -3.0f, 0, 0.0f, 1, 2},    // 15 - 1 = 14
        {ImagePlayerStand, 7.0f, 0, 0.0f, 1, 0},   // one frame: period 6
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sheet << " " << c.counter << " " << c.vx);
        PlayerSprite = c.sheet;
        AnimCounter = c.counter;
        PlayerBody.hitY = c.hitY;
        PlayerBody.vx = c.vx;
        Facing = c.facing;
        const int w = PlatImageWidth(c.sheet), h = PlatImageHeight(c.sheet);
        const float period = (static_cast<float>(w) / static_cast<float>(h)) * 6.0f;
        float counter = c.counter;
        if (counter >= period) counter = 0.0f;
        if (counter <= -1.0f) counter = period + -1.0f;
        if (c.hitY == 1 && std::fabs(static_cast<double>(c.vx)) >= 0.1)
            counter = counter + (c.vx * 1.3f) * (c.facing > 0 ? 1.0f : -1.0f);
        else
            counter = counter + 1.0f;
        DrawPlayer();
        EXPECT_EQ(AnimFrame, c.frame);
        EXPECT_EQ(Bits(AnimCounter), Bits(counter));
        const int shown = std::min(h, w - c.frame * h);
        EXPECT_EQ(PlatSpriteWidth(c.sheet), shown);
        EXPECT_EQ(PlatSpriteHeight(c.sheet), h);
    }
}

TEST_F(World, LeanAndSquashSettleFromVelocityAndStretchOffZeroesThem) {
    PlayerSprite = ImagePlayerStand;
    PlayerBody.vx = 1.5f;
    PlayerBody.vy = -2.0f;
    float t = 0.0f, u = 0.0f;
    for (int frame = 0; frame < 200; frame++) {
        t = (t + 1.5f / 5.0f) * 0.9f;
        u = (u - -2.0f / 4.0f) * 0.8f;
        DrawPlayer();
        ASSERT_EQ(Bits(StretchTopX), Bits(t)) << frame;
        ASSERT_EQ(Bits(StretchTopY), Bits(u)) << frame;
        ASSERT_EQ(StretchBottomX, 0.0f);
        ASSERT_EQ(StretchBottomY, 0.0f);
    }
    EXPECT_NEAR(StretchTopX, 1.8f * 1.5f, 1e-4f);
    EXPECT_NEAR(StretchTopY, 2.0f, 1e-4f); // rising by 2 lowers the top by 2
    StretchOff = 1;
    DrawPlayer();
    EXPECT_EQ(StretchTopX, 0.0f);
    EXPECT_EQ(StretchTopY, 0.0f);
    StretchOff = 0;
    DrawPlayer();
    EXPECT_EQ(Bits(StretchTopX), Bits((0.0f + 1.5f / 5.0f) * 0.9f));
}

TEST_F(World, PlayerIsCentredMirroredWhenFacingLeftAndOutlinedByNineCopies) {
    StretchOff = 1;
    PlayerSprite = ImagePlayerStand;
    PlayerBody.x = 7.25f;
    PlayerBody.y = -3.5f;
    for (int facing : {1, -1}) {
        for (int outline : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "facing " << facing << " outline " << outline);
            Facing = facing;
            OutlineOn = outline;
            DrawPlayer();
            const Picture shot = Present();
            // The figure covers 16..47 x 8..39.
            const uint32_t left = facing == 1 ? Red : Blue;
            const uint32_t right = facing == 1 ? Blue : Red;
            for (int y = 8; y <= 39; y++) {
                EXPECT_EQ(shot.At(16, y), left) << y;
                EXPECT_EQ(shot.At(31, y), left) << y;
                EXPECT_EQ(shot.At(32, y), right) << y;
                EXPECT_EQ(shot.At(47, y), right) << y;
            }
            // One pixel around it: black with the outline, else background.
            const uint32_t ring = outline ? 0x000000u : BackgroundColor;
            for (int y = 7; y <= 40; y++) {
                EXPECT_EQ(shot.At(15, y), ring) << y;
                EXPECT_EQ(shot.At(48, y), ring) << y;
                EXPECT_EQ(shot.At(14, y), BackgroundColor) << y;
                EXPECT_EQ(shot.At(49, y), BackgroundColor) << y;
            }
            for (int x = 15; x <= 48; x++) {
                EXPECT_EQ(shot.At(x, 7), ring) << x;
                EXPECT_EQ(shot.At(x, 40), ring) << x;
                EXPECT_EQ(shot.At(x, 6), BackgroundColor) << x;
                EXPECT_EQ(shot.At(x, 41), BackgroundColor) << x;
            }
        }
    }
}

} // namespace
