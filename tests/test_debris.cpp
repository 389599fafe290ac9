// The debris of Kill: the burst read from the displayed frame, the soft
// landing rule, and the removal of particles that can never land once out of
// sight.
#include <cmath>

#include "CollisionAPI.h"
#include "GameplayTestSupport.h"

using namespace gameplay_test;

namespace {

constexpr uint32_t Red = 0x0000FF;

class Debris : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetGame();
        MakeImage(ImagePixel, 1, 1, [](int, int) { return Px{255, 255, 255, 255}; });
        OpenScreen(64, 48);
        Present();
    }
    // A particle as Kill makes it, at (x, y) with velocity (vx, vy).
    static Body Particle(float x, float y, float vx, float vy, uint32_t color = Red) {
        Body b;
        b.mask = NewMask(1, 1, 1);
        b.x = x;
        b.y = y;
        b.vx = vx;
        b.vy = vy;
        b.bounceX = 0.5f;
        b.bounceY = 0.2f;
        b.color = static_cast<int32_t>(color);
        return b;
    }
    // 41 x 41 cells at (0, 0): a floor at y = 10 from x = -20 to 20.
    static void FloorLevel() {
        LevelBody.mask = MakeLevelMask(41, 41, [](int, int cy) { return cy == 30; });
    }
    // Screen position of a particle's one-pixel sprite.
    static std::pair<int, int> OnScreen(const Body& b) {
        const float hw = static_cast<float>(PlatScreenWidth()) / 2.0f;
        const float hh = static_cast<float>(PlatScreenHeight()) / 2.0f;
        return {Nearest(((b.x - PlayerBody.x) + hw) + -1.0f),
                Nearest(((b.y - PlayerBody.y) + hh) + -1.0f)};
    }
};

TEST_F(Debris, KillBurstsTheShownFrameMirroredWhenFacingLeft) {
    // Two 4 x 4 frames: the first all white, the second three marked pixels.
    MakeImage(ImagePlayerStand, 8, 4, [](int x, int y) {
        if (x < 4) return Px{255, 255, 255, 255};
        if (x == 4 && y == 0) return Px{0, 0, 0, 255};   // opaque black
        if (x == 6 && y == 1) return Px{255, 0, 0, 0};   // transparent red
        if (x == 7 && y == 3) return Px{0, 255, 0, 128}; // half-transparent green
        return Px{0, 0, 0, 0};
    });
    struct Want {
        int cx, cy;
        uint32_t color;
    } const want[] = {{0, 0, 0x000000}, {2, 1, 0x0000FF}, {3, 3, 0x00FF00}};
    std::vector<float> xs[2];
    for (int facing : {1, -1}) {
        SCOPED_TRACE(facing);
        ResetGame();
        PlayerSpawn.mask = NewMask(4, 4, 1);
        PlayerSpawn.y = 100.0f;
        PlayerSpawn.vx = 3.0f;
        PlayerSpawn.vy = -2.0f;
        PlayerSpawn.bounceX = 1.1f;
        PlayerBody.x = 10.3f;
        PlayerBody.y = -3.7f;
        PlayerBody.vx = 3.1f;
        PlayerBody.vy = -1.3f;
        PlayerBody.hitY = 1;
        PlayerSprite = ImagePlayerStand;
        AnimFrame = 1;
        Facing = facing;
        KillPlayer();
        ASSERT_EQ(DebrisList.size(), 3u);
        for (size_t i = 0; i < 3; i++) {
            const Body& b = DebrisList[i];
            const float cx = static_cast<float>(want[i].cx), cy = static_cast<float>(want[i].cy);
            const float x = facing == 1 ? (10.3f - 4.0f / 2.0f) + cx : (10.3f + 4.0f / 2.0f) - cx;
            EXPECT_EQ(Bits(b.x), Bits(x)) << i;
            EXPECT_EQ(Bits(b.y), Bits((-3.7f - 4.0f / 2.0f) + cy)) << i;
            EXPECT_EQ(Bits(b.vx), Bits(3.1f / 2.0f));
            EXPECT_EQ(Bits(b.vy), Bits(-1.3f / 2.0f));
            EXPECT_EQ(b.bounceX, 0.5f);
            EXPECT_EQ(b.bounceY, 0.2f);
            EXPECT_EQ(static_cast<uint32_t>(b.color), want[i].color) << i;
            EXPECT_EQ(b.mask.width, 1);
            EXPECT_EQ(MaskCell(b.mask, 0, 0), 1);
            EXPECT_EQ(b.hitX, 0);
            EXPECT_EQ(b.hitY, 0);
            xs[facing == 1 ? 0 : 1].push_back(b.x);
        }
        EXPECT_EQ(PlayerBody.x, 0.0f);
        EXPECT_EQ(PlayerBody.y, 100.0f);
        EXPECT_EQ(PlayerBody.vx, 3.0f);
        EXPECT_EQ(PlayerBody.vy, -2.0f);
        EXPECT_EQ(PlayerBody.hitY, 0);
    }
    // Mirrored about the player's x.
    for (size_t i = 0; i < 3; i++) EXPECT_FLOAT_EQ(xs[0][i] + xs[1][i], 2.0f * 10.3f);

    // A frame index past the sheet's end reads nothing; the respawn happens.
    ResetGame();
    PlayerSpawn.y = 100.0f;
    PlayerBody.x = 5.0f;
    PlayerSprite = ImagePlayerStand;
    AnimFrame = 2;
    KillPlayer();
    EXPECT_TRUE(DebrisList.empty());
    EXPECT_EQ(PlayerBody.y, 100.0f);
    EXPECT_EQ(PlayerBody.x, 0.0f);
}

TEST_F(Debris, SoftLandingIsDrawnOnceAndGoneTheNextFrame) {
    for (float vy0 : {-0.05f, 0.0f, 0.5f}) {
        SCOPED_TRACE(vy0);
        ResetGame();
        FloorLevel();
        DebrisList.push_back(Particle(0.0f, 9.0f, 0.0f, vy0));
        const float landing = vy0 + 0.1f;
        const float rebound = (-landing) * 0.2f;
        const bool soft = rebound >= -0.02f;

        UpdateDebris();
        ASSERT_EQ(DebrisList.size(), 1u);
        EXPECT_EQ(DebrisList[0].hitY, 1);
        EXPECT_EQ(Bits(DebrisList[0].vy), Bits(rebound));
        Picture shot = Present();
        EXPECT_EQ(shot.At(31, 32), Red);

        UpdateDebris();
        shot = Present();
        if (soft) {
            EXPECT_TRUE(DebrisList.empty());
            EXPECT_EQ(shot.At(31, 32), BackgroundColor);
        } else {
            ASSERT_EQ(DebrisList.size(), 1u);
            const auto [x, y] = OnScreen(DebrisList[0]);
            EXPECT_EQ(shot.At(x, y), Red);
        }
    }
}

TEST_F(Debris, ParticlesThatCanNeverLandGoOnlyOnceOutOfSight) {
    enum Level { Floor, NoCells, NoSolidCell };
    struct Case {
        const char* label;
        Level level;
        float px, x, y, vx, vy;
        bool gone;
    } cases[] = {
        {"below level and screen, falling", Floor, 0, 0, 30, 0, 1, true},
        {"below level and screen, rising", Floor, 0, 0, 30, 0, -5, false},
        {"below level and screen, level wider than screen", Floor, 0, 3, 40, 0.5f, 2, true},
        {"beside level and right of screen, moving right", Floor, 0, 40, 0, 1, 0, true},
        {"beside level and right of screen, moving back", Floor, 0, 40, 0, -1, 0, false},
        {"beside level, above screen, moving right", Floor, 0, 25, -40, 0.5f, 0, false},
        {"right of screen over the floor", Floor, -40, 10, 0, 1, 0, false},
        {"beside level and left of screen, moving left", Floor, 0, -40, 0, -1, 0, true},
        {"no level cells, below screen", NoCells, 0, 0, 30, 0, 1, true},
        {"no level cells, above screen, falling", NoCells, 0, 0, -40, 0, 1, false},
        {"no solid cell, below screen", NoSolidCell, 0, 0, 30, 0, 0, true},
        {"no solid cell, right of screen, moving right", NoSolidCell, 0, 40, 0, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ResetGame();
        if (c.level == Floor) FloorLevel();
        if (c.level == NoSolidCell) LevelBody.mask = NewMask(41, 41);
        PlayerBody.x = c.px;
        DebrisList.push_back(Particle(c.x, c.y, c.vx, c.vy));
        Body moved = DebrisList[0];
        moved.vy = moved.vy + 0.1f;
        MoveBodyPlain(moved, LevelBody);
        UpdateDebris();
        ASSERT_EQ(DebrisList.empty(), c.gone);
        if (!c.gone) {
            EXPECT_EQ(Bits(DebrisList[0].y), Bits(moved.y));
        }
    }
}

TEST_F(Debris, FallingPastTheLevelLeavesWhenItCrossesTheScreenEdge) {
    FloorLevel();
    // Eleven particles below the floor and on screen, falling from rest.
    for (int i = 0; i < 11; i++)
        DebrisList.push_back(Particle(static_cast<float>(2 * i - 10), 14.0f, 0.3f, 0.0f));
    std::vector<Body> shadow = DebrisList;
    for (int frame = 0; frame < 100 && !shadow.empty(); frame++) {
        std::vector<Body> stays;
        for (Body b : shadow) {
            b.vy = b.vy + 0.1f;
            MoveBodyPlain(b, LevelBody);
            if (OnScreen(b).second < PlatScreenHeight()) stays.push_back(b);
        }
        UpdateDebris();
        ASSERT_EQ(DebrisList.size(), stays.size()) << "frame " << frame;
        for (size_t i = 0; i < stays.size(); i++)
            ASSERT_EQ(Bits(DebrisList[i].y), Bits(stays[i].y)) << "frame " << frame;
        shadow = stays;
    }
    EXPECT_TRUE(DebrisList.empty());
}

} // namespace
