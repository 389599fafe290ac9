// Sprites made from images, and the back-end's culling switch.
#pragma once
#include <cstdint>

// Makes sprite `sprite` a copy of image `image` (size, colour and alpha).
void SpriteFromImage(int32_t image, int32_t sprite, int32_t flags);

// 0 switches back-face culling of sprite quads off, so mirrored quads show.
void SetSpriteBackfaceCulling(int32_t enabled);
