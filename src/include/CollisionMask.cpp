// Building collision masks: empty grids, single cells, and masks read from images.
#include "Body.h"

#include "platform/PlatformImage.h"

// Empty rows start with the impossible span (width, -1) so any solid cell widens it.
CollisionMask NewMask(int32_t width, int32_t height, uint8_t fill) {
    CollisionMask mask;
    if (width < 1 || height < 1) return mask;
    const int64_t area = int64_t{width} * height;
    if (area > MaxMaskCells) return mask;
    auto cells = std::make_shared<MaskCells>();
    cells->width = width;
    cells->height = height;
    cells->bytes.assign(static_cast<size_t>(area), 0);
    cells->rowWords = (width + 63) / 64 + 1;
    cells->bits.assign(static_cast<size_t>(int64_t{cells->rowWords} * height), 0);
    cells->rowFirst.assign(static_cast<size_t>(height), width);
    cells->rowLast.assign(static_cast<size_t>(height), -1);
    cells->minX = width;
    cells->maxX = -1;
    cells->minY = height;
    cells->maxY = -1;
    mask.width = width;
    mask.height = height;
    mask.cells = std::move(cells);
    if (fill != 0) {
        for (int32_t cy = 0; cy < height; ++cy)
            for (int32_t cx = 0; cx < width; ++cx) SetMaskCell(mask, cx, cy, 1);
    }
    return mask;
}

// Clearing a cell leaves the row span and the bounding rectangle as they were:
// they only have to contain every solid cell, not fit it tightly.
void SetMaskCell(CollisionMask& mask, int32_t cx, int32_t cy, uint8_t solid) {
    MaskCells* cells = mask.cells.get();
    if (cells == nullptr || cx < 0 || cy < 0 || cx >= cells->width || cy >= cells->height) return;
    const size_t at = static_cast<size_t>(cy) * static_cast<size_t>(cells->width) + cx;
    uint64_t& word = cells->bits[static_cast<size_t>(cy) * cells->rowWords + cx / 64];
    const uint64_t bit = uint64_t{1} << (cx % 64);
    if (solid == 0) {
        cells->bytes[at] = 0;
        word &= ~bit;
        return;
    }
    cells->bytes[at] = 1;
    word |= bit;
    if (cx < cells->rowFirst[cy]) cells->rowFirst[cy] = cx;
    if (cx > cells->rowLast[cy]) cells->rowLast[cy] = cx;
    if (cx < cells->minX) cells->minX = cx;
    if (cx > cells->maxX) cells->maxX = cx;
    if (cy < cells->minY) cells->minY = cy;
    if (cy > cells->maxY) cells->maxY = cy;
}

uint8_t MaskCell(const CollisionMask& mask, int32_t cx, int32_t cy) {
    const MaskCells* cells = mask.cells.get();
    if (cells == nullptr || cx < 0 || cy < 0 || cx >= cells->width || cy >= cells->height) return 0;
    return cells->bytes[static_cast<size_t>(cy) * static_cast<size_t>(cells->width) + cx];
}

// The platform reads pixels back with alpha in the top byte (0 for images
// without transparency), so "not zero" is the whole rule.
CollisionMask MaskFromImage(int32_t image) {
    if (!PlatImageExists(image)) return CollisionMask{};
    const int32_t width = PlatImageWidth(image);
    const int32_t height = PlatImageHeight(image);
    CollisionMask mask = NewMask(width, height);
    if (!mask.cells) return mask;
    for (int32_t cy = 0; cy < height; ++cy)
        for (int32_t cx = 0; cx < width; ++cx)
            if (PlatImagePixel(image, cx, cy) != 0) SetMaskCell(mask, cx, cy, 1);
    return mask;
}
