// The orbs: creation, random steering toward the player, the push through the
// scratch copy, and drawing.
#include "GameplayTestSupport.h"
#include "platform/PlatformRandom.h"

using namespace gameplay_test;

namespace {

class Orbs : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetGame();
        MakeImage(ImageOrb, 6, 4, [](int, int) { return Px{0, 255, 0, 255}; });
        OpenScreen(64, 48);
        Present();
    }
    void TearDown() override { PlatRandomScript({}); }
    static Body Orb(float x, float y, float vx, float vy) {
        Body b;
        b.mask = NewMask(4, 4, 1);
        b.x = x;
        b.y = y;
        b.vx = vx;
        b.vy = vy;
        b.bounceX = b.bounceY = 0.2f;
        b.transferX = b.transferY = 0.001f;
        return b;
    }
};

TEST_F(Orbs, TenOrbsStartAtTheSpawnPointWithSquareMasksOfTheSpriteHeight) {
    InitOrbs();
    ASSERT_EQ(OrbList.size(), 10u);
    for (const Body& orb : OrbList) {
        EXPECT_EQ(orb.mask.width, 4);
        EXPECT_EQ(orb.mask.height, 4);
        for (int cy = 0; cy < 4; cy++)
            for (int cx = 0; cx < 4; cx++) EXPECT_EQ(MaskCell(orb.mask, cx, cy), 1);
        EXPECT_EQ(orb.x, 0.0f);
        EXPECT_EQ(orb.y, 100.0f);
        EXPECT_EQ(orb.vx, 0.0f);
        EXPECT_EQ(orb.vy, 0.0f);
        EXPECT_EQ(orb.bounceX, 0.2f);
        EXPECT_EQ(orb.bounceY, 0.2f);
        EXPECT_EQ(orb.transferX, 0.001f);
        EXPECT_EQ(orb.transferY, 0.001f);
        EXPECT_EQ(orb.color, 0);
    }
}

TEST_F(Orbs, SteeringDrawsOnlyOnAxesNotLevelWithThePlayer) {
    // The first orb is level with the player vertically and draws once; the
    // second draws twice, so the draws 3, 1, 2 land as 3 | 1, 2.
    PlatRandomScript({3, 1, 2});
    OrbList = {Orb(-20.0f, 0.0f, 0.0f, 0.0f), Orb(20.0f, 15.0f, 0.5f, 0.0f)};
    UpdateOrbs();
    EXPECT_EQ(Bits(OrbList[0].vx), Bits(0.0f + 3.0f * 0.01f));
    EXPECT_EQ(Bits(OrbList[0].vy), Bits(0.0f));
    EXPECT_EQ(Bits(OrbList[1].vx), Bits(0.5f - 1.0f * 0.01f));
    EXPECT_EQ(Bits(OrbList[1].vy), Bits(0.0f - 2.0f * 0.01f));
    // The next draw is the script's first again.
    EXPECT_EQ(PlatRandomInt(0, 3), 3);
}

TEST_F(Orbs, AnOrbRunningIntoThePlayerPushesItByAThousandthAndFliesOn) {
    struct Case {
        float ox, oy, ovx, ovy;
        float wantVx, wantVy;
    } cases[] = {
        {-6.0f, 0.0f, 2.0f, 0.0f, 0.5f + 2.0f * 0.001f, -0.25f},
        {0.0f, -6.0f, 0.0f, 2.0f, 0.5f, -0.25f + 2.0f * 0.001f},
        {0.0f, 6.0f, 0.0f, -3.0f, 0.5f, -0.25f + -3.0f * 0.001f},
        {-6.0f, -30.0f, 2.0f, 0.0f, 0.5f, -0.25f}, // passes above: no push
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ox << " " << c.oy);
        ResetGame();
        PlatRandomScript({0});
        PlayerBody.mask = NewMask(4, 4, 1);
        PlayerBody.vx = 0.5f;
        PlayerBody.vy = -0.25f;
        OrbList = {Orb(c.ox, c.oy, c.ovx, c.ovy)};
        UpdateOrbs();
        EXPECT_EQ(Bits(PlayerBody.vx), Bits(c.wantVx));
        EXPECT_EQ(Bits(PlayerBody.vy), Bits(c.wantVy));
        EXPECT_EQ(PlayerBody.x, 0.0f);
        EXPECT_EQ(PlayerBody.y, 0.0f);
        // The orb itself is not blocked: one increment beyond its velocity.
        const Body& orb = OrbList[0];
        EXPECT_EQ(orb.hitX, 0);
        EXPECT_EQ(orb.hitY, 0);
        EXPECT_EQ(orb.x, c.ox + c.ovx + (c.ovx == 0.0f ? 0.0f : c.ovx / std::fabs(c.ovx)));
        EXPECT_EQ(orb.y, c.oy + c.ovy + (c.ovy == 0.0f ? 0.0f : c.ovy / std::fabs(c.ovy)));
    }
}

TEST_F(Orbs, OrbsAreDrawnCentredRelativeToThePlayer) {
    PlatRandomScript({0});
    PlayerBody.x = 1.0f;
    OrbList = {Orb(4.0f, -2.0f, 0.0f, 0.0f)};
    UpdateOrbs();
    const Picture shot = Present();
    // ((4 - 1) + 32) - 3 = 32 and ((-2 - 0) + 24) - 2 = 20; the sprite is 6 x 4.
    EXPECT_EQ(shot.At(32, 20), 0x00FF00u);
    EXPECT_EQ(shot.At(37, 23), 0x00FF00u);
    EXPECT_EQ(shot.At(31, 20), BackgroundColor);
    EXPECT_EQ(shot.At(38, 23), BackgroundColor);
    EXPECT_EQ(shot.At(32, 24), BackgroundColor);
}

} // namespace
