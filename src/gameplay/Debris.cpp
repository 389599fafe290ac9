#include "Debris.h"

#include "AssetTable.h"
#include "CollisionAPI.h"
#include "Player.h"
#include "SinglePrecisionFloat.h"
#include "World.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformSound.h"
#include "platform/PlatformSprite.h"

std::vector<Body> DebrisList;

static constexpr float DebrisBounceX = 0.5f;
static constexpr float DebrisBounceY = 0.2f;
static constexpr float DebrisGravity = 0.1f;
static constexpr float RestSpeed = -0.02f;
static constexpr float PixelOffset = -1.0f;
static constexpr int DebrisOpacity = 255;
static constexpr int HitVolume = 100;

void KillPlayer() {
    PlatSoundPlay(SoundHit, HitVolume, false);
    const int32_t image = PlayerSprite;
    const int32_t h = PlatImageHeight(image);
    const Body& p = PlayerBody;
    const float half = static_cast<float>(h) / 2.0f;
    // Every particle of one burst has the same one solid cell; they share it,
    // and it goes with the last of them.
    const CollisionMask pixel = NewMask(1, 1, 1);
    for (int32_t cy = 0; cy < h; cy++) {
        for (int32_t cx = 0; cx < h; cx++) {
            // Pixels beyond the sheet's last column read as empty.
            const uint32_t c = PlatImagePixel(image, AnimFrame * h + cx, cy);
            if (c == 0) continue;
            Body particle;
            particle.mask = pixel;
            particle.color = static_cast<int32_t>(c & 0x00FFFFFFu);
            particle.bounceX = DebrisBounceX;
            particle.bounceY = DebrisBounceY;
            const float fx = static_cast<float>(cx);
            particle.x = Facing == 1 ? (p.x - half) + fx : (p.x + half) - fx;
            particle.y = (p.y - half) + static_cast<float>(cy);
            particle.vx = p.vx / 2.0f;
            particle.vy = p.vy / 2.0f;
            DebrisList.push_back(particle);
        }
    }
    PlayerBody = PlayerSpawn;
}

// True when the particle is outside the level's rectangle and moving away from
// it on an axis where nothing can turn it back: below and not rising (gravity
// only adds), or beside it and moving further out (nothing slows it sideways).
static bool CanNeverLand(const Body& particle) {
    const CollisionMask& level = LevelBody.mask;
    if (!level.cells) return particle.vy >= 0.0f;
    const float left = LevelBody.x - static_cast<float>((level.width - 1) / 2);
    const float top = LevelBody.y - static_cast<float>((level.height - 1) / 2);
    const float right = left + static_cast<float>(level.width - 1);
    const float bottom = top + static_cast<float>(level.height - 1);
    // One pixel of margin covers the probes one pixel ahead.
    if (particle.y > bottom + 2.0f && particle.vy >= 0.0f) return true;
    if (particle.x > right + 2.0f && particle.vx >= 0.0f) return true;
    if (particle.x < left - 2.0f && particle.vx <= 0.0f) return true;
    return false;
}

// True when a one-pixel sprite at (x, y) lies outside the screen.
static bool OffScreen(int32_t x, int32_t y) {
    return x < 0 || y < 0 || x >= PlatScreenWidth() || y >= PlatScreenHeight();
}

void UpdateDebris() {
    const float px = PlayerBody.x, py = PlayerBody.y;
    const float halfW = static_cast<float>(PlatScreenWidth()) / 2.0f;
    const float halfH = static_cast<float>(PlatScreenHeight()) / 2.0f;
    size_t kept = 0;
    for (size_t i = 0; i < DebrisList.size(); i++) {
        Body& particle = DebrisList[i];
        if (particle.hitY == 1 && particle.vy >= RestSpeed) continue;
        particle.vy = particle.vy + DebrisGravity;
        MoveBodyPlain(particle, LevelBody);
        const int32_t x = NearestInt(((particle.x - px) + halfW) + PixelOffset);
        const int32_t y = NearestInt(((particle.y - py) + halfH) + PixelOffset);
        if (OffScreen(x, y) && CanNeverLand(particle)) continue;
        PlatSpriteDisplaySilhouette(ImagePixel, x, y, DebrisOpacity,
                                    static_cast<uint32_t>(particle.color));
        if (kept != i) DebrisList[kept] = std::move(particle);
        kept++;
    }
    DebrisList.resize(kept);
}
