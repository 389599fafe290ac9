#include "SpriteFromImage.h"

#include "platform/PlatformImage.h"
#include "platform/PlatformSprite.h"

void SpriteFromImage(int32_t image, int32_t sprite, int32_t flags) {
    PlatSpriteCreate(sprite, PlatImageWidth(image), PlatImageHeight(image), flags);
    PlatSpriteDrawImage(sprite, image);
}
