// The sprite screen: a back buffer shown stretched over a window, and numbered
// sprites made from images. Every rendering back-end implements all of it.
#pragma once
#include <cstdint>
#include <vector>

constexpr int PlatSpriteAlphaFlag = 1; // transparency from the sprite's own alpha

// Prepares the back-end; call before the window opens (it may need its own
// kind of window).
void PlatSpriteInit();
// Opens a width x height back buffer in `window`, stretched over its whole
// inner area (also after later size changes), flip synchronised with the
// vertical retrace. Releases the previous screen and all its sprites first.
void PlatScreenOpen(int window, int width, int height);
int PlatScreenWidth();
int PlatScreenHeight();
// 0 = nearest neighbour for every later draw.
void PlatSpriteQuality(int quality);
void PlatSpriteBackfaceCulling(int enabled);
// Colour treated as transparent in sprites made later without the alpha flag.
void PlatSpriteColorKey(uint32_t color);

// An empty width x height sprite.
void PlatSpriteCreate(int sprite, int width, int height, int flags);
// Copies image `image`'s colour and alpha into the sprite at (0, 0).
void PlatSpriteDrawImage(int sprite, int image);
bool PlatSpriteExists(int sprite);
// Size of the current clip rectangle (the whole sprite when not clipped).
int PlatSpriteWidth(int sprite);
int PlatSpriteHeight(int sprite);
// Later displays show only this rectangle, cut to the sprite's bounds;
// (-1, -1, -1, -1) is the whole sprite. Discards the corner transform.
void PlatSpriteClip(int sprite, int x, int y, int width, int height);
// Corner offsets from the display position, as x, y pairs for the texture's
// top-left, top-right, bottom-right and bottom-left; lasts until the next clip.
void PlatSpriteTransform(int sprite, const float corners[8]);
// Size later displays are scaled to; (-1, -1) is the clip size.
void PlatSpriteDisplaySize(int sprite, int width, int height);
// Copies a back-buffer rectangle, as drawn so far in this frame, into the
// sprite, making or replacing it as needed.
void PlatSpriteGrab(int sprite, int x, int y, int width, int height);
// Draws the sprite with its colours and alpha, top-left at (x, y).
void PlatSpriteDisplay(int sprite, int x, int y);
// Draws the sprite in one colour (red in the low byte), its alpha multiplied by
// opacity / 255.
void PlatSpriteDisplaySilhouette(int sprite, int x, int y, int opacity, uint32_t color);

// Shows the back buffer; waits for the vertical retrace (or, where the display
// cannot wait, for the refresh period by a timer).
void PlatScreenFlip();
void PlatScreenClear(uint32_t color);
// Off: flips never wait (headless replays and benchmarks).
void PlatScreenSetPacing(bool on);
// The picture last presented in the window, as 0xAABBGGRR pixels.
bool PlatScreenReadPresented(std::vector<uint32_t>* pixels, int* width, int* height);
void PlatSpritesEnd();
void PlatScreenEnd();
