// The player controller driven frame by frame with scripted keys over small
// levels: walking speeds, jumps, the dash, the sheet choice and the snap.
#include <cmath>
#include <initializer_list>
#include <set>

#include "GameplayTestSupport.h"

using namespace gameplay_test;

namespace {

constexpr int PlayerKeys[] = {KeyShift, KeySpace, KeyA,     KeyD,    KeyS, KeyTab,
                              KeyUp,    KeyLeft,  KeyRight, KeyDown, KeyJ, KeyL};

// The game's per-frame player steps with exactly `held` down.
void Frame(std::initializer_list<int> held) {
    const std::set<int> down(held);
    for (int k : PlayerKeys) PlatKeyboardScriptKey(k, down.count(k) != 0);
    PlatKeyboardCapture();
    UpdatePlayer();
    SettlePlayer();
}

class Player : public ::testing::Test {
  protected:
    void SetUp() override { ResetGame(); }
    // Cells from -3000 to 3000 across and -20 to 60 down; `solid` gets world
    // coordinates. The player is a solid 4 x 4 square (rows y - 1 to y + 2).
    static void Build(const std::function<bool(int, int)>& solid) {
        LevelBody.mask =
            MakeLevelMask(6001, 81, [&](int cx, int cy) { return solid(cx - 3000, cy - 40); });
        PlayerSpawn.mask = NewMask(4, 4, 1);
        PlayerBody = PlayerSpawn;
    }
    // Flat floor from y = 10 down; the player stands on it at y = 7.
    static void FlatFloor() {
        Build([](int, int y) { return y >= 10; });
        PlayerBody.x = 0.0f;
        PlayerBody.y = 7.0f;
        Frame({});
        ASSERT_EQ(PlayerBody.hitY, 1);
        ASSERT_EQ(PlayerBody.y, 7.0f);
    }
};

TEST_F(Player, WalkingSpeedsSettleFrameByFrameAsTheAccelerationAndDampingGive) {
    struct Case {
        const char* label;
        std::initializer_list<int> keys;
        int facing;
        float settles;
        int sheet;
    } cases[] = {
        {"walk right", {KeyD}, 1, 0.98f, ImagePlayerWalk},
        {"run right", {KeyD, KeyShift}, 1, 1.96f, ImagePlayerRun},
        {"walk right facing left", {KeyD, KeyJ}, -1, 0.75f, ImagePlayerWalk},
        {"run right facing left", {KeyD, KeyJ, KeyShift}, -1, 1.50f, ImagePlayerWalk},
        {"walk left facing right", {KeyA}, 1, -0.75f, ImagePlayerWalk},
        {"run left facing left", {KeyA, KeyJ, KeyShift}, -1, -1.96f, ImagePlayerRun},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ResetGame();
        FlatFloor();
        const bool shift = std::set<int>(c.keys).count(KeyShift) != 0;
        const bool right = std::set<int>(c.keys).count(KeyD) != 0;
        const float run = shift ? 2.0f : 1.0f;
        float v = PlayerBody.vx;
        for (int frame = 0; frame < 300; frame++) {
            if (right) {
                const float against = Facing == -1 ? 1.0f : 0.0f;
                v = (v + 0.085f * run) - (against * 0.02f) * run;
            } else {
                const float against = Facing == 1 ? 1.0f : 0.0f;
                v = (v - 0.085f * run) + (against * 0.02f) * run;
            }
            v = v * 0.92f;
            if (std::fabs(static_cast<double>(v)) < 0.02) v = 0.0f;
            Frame(c.keys);
            ASSERT_EQ(Bits(PlayerBody.vx), Bits(v)) << "frame " << frame;
            ASSERT_EQ(PlayerBody.hitY, 1) << "frame " << frame;
        }
        EXPECT_EQ(Facing, c.facing);
        EXPECT_NEAR(PlayerBody.vx, c.settles, 0.01f);
        EXPECT_EQ(PlayerSprite, c.sheet);
        EXPECT_EQ(PlayerBody.y, 7.0f);
    }
}

TEST_F(Player, GroundJumpDoublesVxThenExactlyOneAirJumpFollows) {
    FlatFloor();
    PlayerBody.vx = 0.5f;
    Frame({KeySpace});
    EXPECT_EQ(Bits(PlayerBody.vy), Bits(-3.2f + 0.2f));
    EXPECT_EQ(Bits(PlayerBody.vx), Bits((0.5f * 2.0f) * 0.92f));
    EXPECT_EQ(AirJumpReady, 1);
    EXPECT_EQ(PlayerSprite, ImagePlayerJump);

    // Holding on is no new press.
    float vy = PlayerBody.vy;
    Frame({KeySpace});
    EXPECT_EQ(Bits(PlayerBody.vy), Bits(vy + 0.2f));
    Frame({});

    // The air jump: vy again, vx only damped.
    float vx = PlayerBody.vx;
    Frame({KeySpace});
    EXPECT_EQ(Bits(PlayerBody.vy), Bits(-3.2f + 0.2f));
    EXPECT_EQ(Bits(PlayerBody.vx), Bits(vx * 0.92f));
    EXPECT_EQ(AirJumpReady, 0);
    Frame({});

    // A third press in the air does nothing yet.
    vy = PlayerBody.vy;
    Frame({KeySpace});
    EXPECT_EQ(Bits(PlayerBody.vy), Bits(vy + 0.2f));
    EXPECT_EQ(JumpRequest, 1);
}

TEST_F(Player, PressInTheAirAfterALedgeWaitsForLandingUnlessReleased) {
    for (bool release : {false, true}) {
        SCOPED_TRACE(release ? "released before landing" : "held until landing");
        ResetGame();
        // An upper floor left of x = 0 and a lower one 30 pixels down.
        Build([](int x, int y) { return (x < 0 && y >= 10) || y >= 40; });
        PlayerBody.x = -20.0f;
        PlayerBody.y = 7.0f;
        int frames = 0;
        while (PlayerBody.hitY == 1 || frames == 0) {
            Frame({KeyD});
            ASSERT_LT(++frames, 200) << "never walked off";
        }
        // In the air without an air jump: the press must not jump.
        int pressed = 0;
        while (PlayerBody.hitY != 1) {
            const bool hold = !release || pressed < 2;
            const float vy = PlayerBody.vy;
            if (hold)
                Frame({KeySpace});
            else
                Frame({});
            pressed++;
            ASSERT_LT(pressed, 200) << "never landed";
            ASSERT_EQ(AirJumpReady, 0);
            if (PlayerBody.hitY != 1) {
                ASSERT_EQ(Bits(PlayerBody.vy), Bits(vy + 0.2f));
            }
        }
        EXPECT_EQ(JumpRequest, release ? 0 : 1);
        const float vx = PlayerBody.vx;
        if (release)
            Frame({});
        else
            Frame({KeySpace});
        if (release) {
            EXPECT_EQ(PlayerBody.hitY, 1);
            EXPECT_EQ(AirJumpReady, 0);
        } else {
            EXPECT_EQ(Bits(PlayerBody.vy), Bits(-3.2f + 0.2f));
            EXPECT_EQ(Bits(PlayerBody.vx), Bits((vx * 2.0f) * 0.92f));
            EXPECT_EQ(AirJumpReady, 1);
        }
    }
}

TEST_F(Player, HeldDashRepeatsEvery75FramesInTheFacingDirection) {
    for (int facing : {1, -1}) {
        SCOPED_TRACE(facing);
        ResetGame();
        FlatFloor();
        Facing = facing;
        std::vector<int> dashes;
        for (int frame = 0; frame < 160; frame++) {
            const float vx = PlayerBody.vx;
            const float vy = PlayerBody.vy;
            Frame({KeyS});
            if (DashCooldown != 74) continue;
            dashes.push_back(frame);
            EXPECT_EQ(Bits(PlayerBody.vx), Bits((vx + static_cast<float>(facing) * 6.0f) * 0.92f));
            const float lifted = vy > -1.0f ? -1.0f : vy;
            if (PlayerBody.hitY == 0) {
                EXPECT_EQ(Bits(PlayerBody.vy), Bits(lifted + 0.2f));
            }
        }
        EXPECT_EQ(dashes, (std::vector<int>{0, 75, 150}));
    }
    // Already rising faster than 1: the dash leaves vy alone.
    ResetGame();
    FlatFloor();
    PlayerBody.vy = -2.5f;
    Frame({KeyS});
    EXPECT_EQ(Bits(PlayerBody.vy), Bits(-2.5f + 0.2f));
}

// Half-away rounding of the snap written out: the sum first rounds to single.
float HalfAway(float v) {
    if (v > 0.0f) {
        const float s = v + 0.5f;
        return std::floor(s);
    }
    const float s = v - 0.5f;
    return std::ceil(s);
}

TEST_F(Player, SettleSnapsBlockedAxesFacesAndChoosesTheSheet) {
    const float above17 = 1.7f; // the nearest single lies above the double 1.7
    const float below17 = std::nextafter(1.7f, 0.0f);
    const float above01 = 0.1f;
    const float below01 = std::nextafter(0.1f, 0.0f);
    ASSERT_GT(static_cast<double>(above17), 1.7);
    ASSERT_LT(static_cast<double>(below17), 1.7);
    ASSERT_GT(static_cast<double>(above01), 0.1);
    ASSERT_LT(static_cast<double>(below01), 0.1);
    struct Case {
        float vx;
        int hitX, hitY;
        float x, y;
        std::initializer_list<int> keys;
        int facing, sheet;
    } cases[] = {
        {above17, 0, 1, 0.25f, 2.5f, {}, 1, ImagePlayerRun},
        {-above17, 0, 1, 0.5f, -2.5f, {}, 1, ImagePlayerRun},
        {below17, 0, 1, 0.0f, 0.49999997f, {}, 1, ImagePlayerWalk},
        {above01, 0, 1, 0.0f, -0.49999997f, {KeyJ}, -1, ImagePlayerWalk},
        {-above01, 0, 1, 0.0f, 0.25f, {KeyJ, KeyL}, 1, ImagePlayerWalk},
        {below01, 0, 1, 0.0f, 3.5f, {}, 1, ImagePlayerStand},
        {0.0f, 1, 0, 2.5f, 1.25f, {}, 1, ImagePlayerJump},
        {5.0f, -1, -1, -2.5f, 1.75f, {KeyL}, 1, ImagePlayerJump},
        {0.0f, 0, 0, 2.5f, 1.5f, {KeyJ}, -1, ImagePlayerJump},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.vx << " " << c.hitX << " " << c.hitY << " " << c.x << " " << c.y);
        ResetGame();
        PlayerBody.vx = c.vx;
        PlayerBody.hitX = c.hitX;
        PlayerBody.hitY = c.hitY;
        PlayerBody.x = c.x;
        PlayerBody.y = c.y;
        const std::set<int> down(c.keys);
        for (int k : PlayerKeys) PlatKeyboardScriptKey(k, down.count(k) != 0);
        PlatKeyboardCapture();
        SettlePlayer();
        EXPECT_EQ(Facing, c.facing);
        EXPECT_EQ(PlayerSprite, c.sheet);
        EXPECT_EQ(Bits(PlayerBody.x), Bits(c.hitX != 0 ? HalfAway(c.x) : c.x));
        EXPECT_EQ(Bits(PlayerBody.y), Bits(c.hitY != 0 ? HalfAway(c.y) : c.y));
    }
    EXPECT_EQ(HalfAway(0.49999997f), 1.0f);
}

TEST_F(Player, DeadZoneComparesWithTheDouble002) {
    // vx is damped before the test, so start from values that damp onto the
    // single nearest 0.02 and the next one up.
    FlatFloor();
    const float nearest = 0.02f;
    const float next = std::nextafter(nearest, 1.0f);
    ASSERT_LT(static_cast<double>(nearest), 0.02);
    for (float target : {nearest, next}) {
        float start = target / 0.92f;
        for (int i = 0; i < 8 && start * 0.92f != target; i++)
            start = std::nextafter(start, start * 0.92f < target ? 1.0f : 0.0f);
        ASSERT_EQ(Bits(start * 0.92f), Bits(target));
        PlayerBody.vx = start;
        Frame({});
        EXPECT_EQ(Bits(PlayerBody.vx), Bits(target == nearest ? 0.0f : target));
    }
}

} // namespace
