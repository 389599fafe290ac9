// Sprite and screen bookkeeping shared by the rendering back-ends; platform only.
#pragma once
#include <cstdint>
#include <vector>

constexpr int PlatSpriteMaxNumber = 4096;
// Larger sprites or screens are refused rather than allocated.
constexpr int PlatSpriteMaxSide = 16384;

struct PlatSpriteRecord {
    bool exists = false;
    int width = 0; // the whole sprite, in sprite pixels
    int height = 0;
    int flags = 0;
    uint32_t colorKey = 0; // key in force when the sprite was made
    int clipX = 0;
    int clipY = 0;
    int clipWidth = 0;
    int clipHeight = 0;
    bool transformed = false;
    float corners[8] = {};
    int displayWidth = -1; // -1: the clip size
    int displayHeight = -1;
};

struct PlatScreenState {
    bool open = false;
    int window = 0;
    int width = 0; // logical size, never negative
    int height = 0;
    int quality = 0;
    bool culling = false;
    uint32_t colorKey = 0xFF00FF;
    uint32_t clearColor = 0; // last colour cleared to, shown by flips of an empty screen
    bool pacing = true;
};

extern PlatScreenState PlatScreen;
// Draw submissions the back-end has made to its renderer (for tests).
extern int64_t PlatDrawCalls;

// A quad ready to rasterise: corners in drawing order, always turning
// clockwise on screen (y downward), with texture coordinates from 0 to 1 over
// the whole sprite, v = 0 at its top row.
struct PlatQuad {
    float x[4];
    float y[4];
    float u[4];
    float v[4];
};

// The record of a valid, existing sprite number, or null.
PlatSpriteRecord* PlatSpriteFind(int sprite);
// The record slot of a valid number (existing or not), or null.
PlatSpriteRecord* PlatSpriteSlot(int sprite);
// Makes the slot an unclipped, untransformed width x height sprite; false for
// a bad number or size (the slot is then left empty).
bool PlatSpriteRecordMake(int sprite, int width, int height, int flags);
// Empties every slot.
void PlatSpriteRecordsClear();

// Corners of a display of `s` at (x, y); false when it would cover nothing.
// A mirrored quad is turned into an unmirrored one with mirrored texture
// coordinates, so rasterisers that mishandle reversed corners draw it right.
bool PlatSpriteQuadAt(const PlatSpriteRecord& s, int x, int y, PlatQuad* quad);
// Whether the quad is an upright rectangle whose u runs along x and v along y.
bool PlatQuadIsRectangle(const PlatQuad& quad);

// Screen pixels x .. x + length - 1 of row y, showing texels texelX,
// texelX + step, ... of texel row texelY (step is 1 or -1).
struct PlatTexelRun {
    int x, y, length;
    int texelX, texelY;
    int step;
};

// The pixels of `quad` inside a screenWidth x screenHeight screen, each with
// the texel of a texWidth x texHeight texture that its centre samples
// (nearest, clamped to the edge), as the hardware rasterisers fill and sample
// them; in rows of runs. `runs` is emptied first.
void PlatQuadTexelRuns(const PlatQuad& quad, int texWidth, int texHeight, int screenWidth,
                       int screenHeight, std::vector<PlatTexelRun>* runs);

// Colour of a 0x00BBGGRR value as bytes.
inline uint8_t PlatRed(uint32_t c) {
    return static_cast<uint8_t>(c & 0xFF);
}
inline uint8_t PlatGreen(uint32_t c) {
    return static_cast<uint8_t>((c >> 8) & 0xFF);
}
inline uint8_t PlatBlue(uint32_t c) {
    return static_cast<uint8_t>((c >> 16) & 0xFF);
}

// Call right after each present. `swapWaits` tells whether the back-end could
// ask the present to wait for the retrace; when it could not, or the presents
// are seen not to wait, this sleeps out the display's refresh period instead.
void PlatPaceAfterFlip(bool swapWaits);
// Forgets the measured present timings (new screen or pacing change).
void PlatPaceReset();
// Refresh rate of the display showing `window`; 60 when unknown.
int PlatRefreshRate(int window);
