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

// True when the particle has passed the level's solid cells and the screen's
// edge on the same side and moves further out on that axis: below and not
// rising (gravity only adds), or beside and moving outwards (nothing slows it
// sideways). Nothing there can turn it back, so it would never land, and with
// the camera where it is it would never show again. A particle that is merely
// off screen, or outside the level on one side but off screen on another, may
// still come back into view and stays.
static bool GoneForGood(const Body& particle, int32_t screenX, int32_t screenY) {
    const CollisionMask& level = LevelBody.mask;
    // With no solid cell at all every side is past the level.
    bool pastLeft = true, pastRight = true, pastBottom = true;
    if (level.cells && level.cells->minX <= level.cells->maxX) {
        const MaskCells& cells = *level.cells;
        const double left = static_cast<double>(NearestInt(LevelBody.x)) -
                            static_cast<double>((level.width - 1) / 2);
        const double top = static_cast<double>(NearestInt(LevelBody.y)) -
                           static_cast<double>((level.height - 1) / 2);
        // Two pixels of margin: the probes look one pixel ahead of a position
        // that the back-off of a move can leave a rounding error behind.
        pastLeft = static_cast<double>(particle.x) < left + cells.minX - 2.0;
        pastRight = static_cast<double>(particle.x) > left + cells.maxX + 2.0;
        pastBottom = static_cast<double>(particle.y) > top + cells.maxY + 2.0;
    }
    if (pastBottom && particle.vy >= 0.0f && screenY >= PlatScreenHeight()) return true;
    if (pastRight && particle.vx >= 0.0f && screenX >= PlatScreenWidth()) return true;
    if (pastLeft && particle.vx <= 0.0f && screenX < 0) return true;
    return false;
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
        if (GoneForGood(particle, x, y)) continue;
        PlatSpriteDisplaySilhouette(ImagePixel, x, y, DebrisOpacity,
                                    static_cast<uint32_t>(particle.color));
        if (kept != i) DebrisList[kept] = std::move(particle);
        kept++;
    }
    DebrisList.resize(kept);
}
