// Each rendering back-end carries its own culling state (a render state on the
// render-target back-end; OpenGL never enables culling), so the switch goes
// to the platform.
#include "SpriteFromImage.h"

#include "platform/PlatformSprite.h"

void SetSpriteBackfaceCulling(int32_t enabled) {
    PlatSpriteBackfaceCulling(enabled);
}
