#include "World.h"

#include <cmath>

#include "AssetTable.h"
#include "Body.h"
#include "Main.h"
#include "Player.h"
#include "SinglePrecisionFloat.h"
#include "platform/PlatformSprite.h"

float AnimCounter = 0.0f;
int32_t AnimFrame = 0;
float StretchTopX = 0.0f;
float StretchTopY = 0.0f;
float StretchBottomX = 0.0f;
float StretchBottomY = 0.0f;

static constexpr float CounterUnitsPerFrame = 6.0f;
static constexpr float CounterSpeed = 1.3f;
static constexpr float CounterIdleStep = 1.0f;
static constexpr double CounterWalkSpeed = 0.1;
static constexpr float LeanDivisor = 5.0f;
static constexpr float SquashDivisor = 4.0f;
static constexpr float LeanDecay = 0.9f;
static constexpr float SquashDecay = 0.8f;
static constexpr float CounterLowLimit = -1.0f;
static constexpr int OutlineOpacity = 255;
static constexpr uint32_t OutlineColor = 0x000000;

// Half the screen's width or height as the drawing arithmetic uses it.
static float HalfScreenW() {
    return static_cast<float>(PlatScreenWidth()) / 2.0f;
}
static float HalfScreenH() {
    return static_cast<float>(PlatScreenHeight()) / 2.0f;
}

ScreenPos WorldToScreen(float wx, float wy, float halfW, float halfH) {
    const float px = PlayerBody.x, py = PlayerBody.y;
    return {NearestInt(((wx - px) + HalfScreenW()) - halfW),
            NearestInt(((wy - py) + HalfScreenH()) - halfH)};
}

// Displays `sprite` centred on the level body.
static void DrawLevelSprite(int32_t sprite) {
    const float halfW = static_cast<float>(PlatSpriteWidth(sprite)) / 2.0f;
    const float halfH = static_cast<float>(PlatSpriteHeight(sprite)) / 2.0f;
    const ScreenPos at = WorldToScreen(LevelBody.x, LevelBody.y, halfW, halfH);
    PlatSpriteDisplay(sprite, at.x, at.y);
}

void DrawLevel() {
    DrawLevelSprite(ImageLevelColor);
    DrawLevelSprite(ImageLevelCollision);
}

// Lean and squash from the player's velocity; all zero with StretchOff.
static void UpdateStretch() {
    StretchTopX = StretchTopX + PlayerBody.vx / LeanDivisor;
    StretchBottomX = 0.0f;
    StretchTopY = StretchTopY - PlayerBody.vy / SquashDivisor;
    StretchBottomY = 0.0f;
    StretchTopX = StretchTopX * LeanDecay;
    StretchBottomX = StretchBottomX * LeanDecay;
    StretchTopY = StretchTopY * SquashDecay;
    StretchBottomY = StretchBottomY * SquashDecay;
    if (StretchOff == 1) {
        StretchTopX = 0.0f;
        StretchTopY = 0.0f;
        StretchBottomX = 0.0f;
        StretchBottomY = 0.0f;
    }
}

// Corner offsets of the player quad, mirrored left to right when facing left.
static void SetPlayerCorners(int32_t sprite) {
    const float t = StretchTopX, u = StretchTopY, b = StretchBottomX, v = StretchBottomY;
    const float s = PlayerDrawSize;
    if (Facing == -1) {
        const float corners[8] = {t + s, u, t, u, b, v + s, b + s, v + s};
        PlatSpriteTransform(sprite, corners);
    } else {
        const float corners[8] = {t, u, t + s, u, b + s, v + s, b, v + s};
        PlatSpriteTransform(sprite, corners);
    }
}

void DrawPlayer() {
    const int32_t s = PlayerSprite;
    PlatSpriteClip(s, -1, -1, -1, -1);
    const int32_t w = PlatSpriteWidth(s);
    const int32_t h = PlatSpriteHeight(s);
    // A sheet that failed to load has no frames to show or count.
    if (w <= 0 || h <= 0) return;
    const float frames = static_cast<float>(w) / static_cast<float>(h);
    const float period = frames * CounterUnitsPerFrame;
    if (AnimCounter >= period) AnimCounter = 0.0f;
    if (AnimCounter <= CounterLowLimit)
        AnimCounter = frames * CounterUnitsPerFrame + CounterLowLimit;
    AnimFrame = TruncToInt(AnimCounter) / 6;
    PlatSpriteClip(s, AnimFrame * h, 0, h, h);

    UpdateStretch();
    SetPlayerCorners(s);

    const float halfH = static_cast<float>(h) / 2.0f;
    if (OutlineOn == 1) {
        for (int i = -1; i <= 1; i++)
            for (int j = -1; j <= 1; j++)
                PlatSpriteDisplaySilhouette(
                    s, NearestInt((HalfScreenW() - halfH) + static_cast<float>(i)),
                    NearestInt((HalfScreenH() - halfH) + static_cast<float>(j)), OutlineOpacity,
                    OutlineColor);
    }
    PlatSpriteDisplay(s, NearestInt(HalfScreenW() - halfH), NearestInt(HalfScreenH() - halfH));

    const Body& p = PlayerBody;
    if (p.hitY == 1 && std::fabs(static_cast<double>(p.vx)) >= CounterWalkSpeed)
        AnimCounter = AnimCounter + p.vx * CounterSpeed * SignF(static_cast<float>(Facing));
    else
        AnimCounter = AnimCounter + CounterIdleStep;
}
