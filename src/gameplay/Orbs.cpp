#include "Orbs.h"

#include "AssetTable.h"
#include "CollisionAPI.h"
#include "World.h"
#include "platform/PlatformRandom.h"
#include "platform/PlatformSprite.h"

std::vector<Body> OrbList;

static constexpr int OrbCount = 10;
static constexpr float OrbStartX = 0.0f;
static constexpr float OrbStartY = 100.0f;
static constexpr float OrbBounce = 0.2f;
static constexpr float OrbTransfer = 0.001f;
static constexpr float SteerStep = 0.01f;
static constexpr int32_t SteerUnitsMax = 3;

void InitOrbs() {
    const int32_t side = PlatSpriteHeight(ImageOrb);
    for (int i = 0; i < OrbCount; i++) {
        Body orb;
        orb.mask = NewMask(side, side, 1);
        orb.x = OrbStartX;
        orb.y = OrbStartY;
        orb.bounceX = OrbBounce;
        orb.bounceY = OrbBounce;
        orb.transferX = OrbTransfer;
        orb.transferY = OrbTransfer;
        OrbList.push_back(orb);
    }
}

// Velocity `v` nudged toward `target` from `at` by a random 0 to 3 steps.
static float Steer(float v, float at, float target) {
    if (target > at) return v + static_cast<float>(PlatRandomInt(0, SteerUnitsMax)) * SteerStep;
    if (target < at) return v - static_cast<float>(PlatRandomInt(0, SteerUnitsMax)) * SteerStep;
    return v;
}

void UpdateOrbs() {
    const float halfW = static_cast<float>(PlatSpriteWidth(ImageOrb)) / 2.0f;
    const float halfH = static_cast<float>(PlatSpriteHeight(ImageOrb)) / 2.0f;
    for (Body& orb : OrbList) {
        orb.vx = Steer(orb.vx, orb.x, PlayerBody.x);
        orb.vy = Steer(orb.vy, orb.y, PlayerBody.y);
        OrbProbe = orb;
        MoveBody(orb, LevelBody, 0);
        MoveBody(OrbProbe, PlayerBody, 1);
        const ScreenPos at = WorldToScreen(orb.x, orb.y, halfW, halfH);
        PlatSpriteDisplay(ImageOrb, at.x, at.y);
    }
}
