// The global bodies and their start-up set-up.
#include "AssetTable.h"
#include "Body.h"

Body LevelBody;
Body PlayerSpawn;
Body PlayerBody;
Body OrbProbe;

void SetupCollision() {
    LevelBody = Body{};
    LevelBody.mask = MaskFromImage(ImageLevelCollision);
    PlayerSpawn = Body{};
    PlayerSpawn.mask = MaskFromImage(ImagePlayerCollision);
    PlayerSpawn.x = 0.0f;
    PlayerSpawn.y = 100.0f;
    PlayerSpawn.vx = 3.0f;
    PlayerSpawn.vy = -2.0f;
    PlayerSpawn.bounceX = 1.1f;
    PlayerSpawn.bounceY = 0.0f;
}
