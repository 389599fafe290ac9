// The record of everything that collides, its grid of solid cells, and the
// global bodies of the game.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

// The cells of one mask: one byte per cell (0 empty, 1 solid), row by row from
// the top, and the same rows packed into 64-bit words beside them so the overlap
// test can compare 64 cells at once. Built once and never changed afterwards.
struct MaskCells {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bytes;    // cell (cx, cy) at cy * width + cx
    int32_t rowWords = 0;          // words per packed row, one spare word at the end
    std::vector<uint64_t> bits;    // cell (cx, cy) is bit cx % 64 of word cy * rowWords + cx / 64
    std::vector<int32_t> rowFirst; // first solid column of each row; width when the row is empty
    std::vector<int32_t> rowLast;  // last solid column of each row; -1 when the row is empty
    // Smallest rectangle holding every solid cell; minX > maxX when there is none.
    int32_t minX = 0, maxX = -1, minY = 0, maxY = -1;
};

// A body's solid shape. Copies of a mask share its cells; the cells go when the
// last body referring to them goes, which for the game's ownership rules is the
// body that created them.
struct CollisionMask {
    int32_t width = 0;
    int32_t height = 0;
    std::shared_ptr<MaskCells> cells; // empty: the mask was never created
};

struct Body {
    CollisionMask mask;
    float x = 0.0f;
    float y = 0.0f;
    float vx = 0.0f;
    float vy = 0.0f;
    float bounceX = 0.0f;
    float bounceY = 0.0f;
    float transferX = 0.0f;
    float transferY = 0.0f;
    int32_t hitX = 0;
    int32_t hitY = 0;
    int32_t color = 0;
};

extern Body LevelBody;
extern Body PlayerSpawn;
extern Body PlayerBody;
extern Body OrbProbe;

// Largest mask the game builds, in cells; larger requests get no cells.
constexpr int64_t MaxMaskCells = int64_t{1} << 28;

// A width x height mask with every cell set to `fill` (0 or 1); a mask without
// cells when a side is below 1 or the area exceeds MaxMaskCells.
CollisionMask NewMask(int32_t width, int32_t height, uint8_t fill = 0);

// Sets cell (cx, cy) to 1 when `solid` is non-zero, else 0; ignores cells outside
// the mask. Only for building a mask before it is shared.
void SetMaskCell(CollisionMask& mask, int32_t cx, int32_t cy, uint8_t solid);

// The cell (cx, cy): 1 solid, 0 empty, also 0 outside the mask or without cells.
uint8_t MaskCell(const CollisionMask& mask, int32_t cx, int32_t cy);

// A mask with one cell per pixel of image `image`: solid where the pixel read
// back with alpha is not zero. No cells when the image is missing or empty.
CollisionMask MaskFromImage(int32_t image);

// Start-up: builds LevelBody from the level collision image (2) and PlayerSpawn
// from the player collision image (1). Missing images leave bodies without cells.
void SetupCollision();
