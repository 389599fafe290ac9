// The global bodies and their start-up set-up.
#include "Body.h"

Body LevelBody;
Body PlayerSpawn;
Body PlayerBody;
Body OrbProbe;

// Asset numbers of the two collision images.
static constexpr int32_t PlayerCollisionImage = 1;
static constexpr int32_t LevelCollisionImage = 2;

void SetupCollision() {
    LevelBody = Body{};
    LevelBody.mask = MaskFromImage(LevelCollisionImage);
    PlayerSpawn = Body{};
    PlayerSpawn.mask = MaskFromImage(PlayerCollisionImage);
    PlayerSpawn.x = 0.0f;
    PlayerSpawn.y = 100.0f;
    PlayerSpawn.vx = 3.0f;
    PlayerSpawn.vy = -2.0f;
    PlayerSpawn.bounceX = 1.1f;
    PlayerSpawn.bounceY = 0.0f;
}
