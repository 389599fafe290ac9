// Helpers of the sprite-screen tests: images built in memory, a window with a
// screen, read-back of the presented picture, and the scene both back-ends
// must draw alike.
#pragma once
#include "platform/PlatformImage.h"
#include "platform/PlatformSprite.h"
#include "platform/PlatformWindow.h"

#include <cstdint>
#include <string>
#include <vector>

// Colours as the screen reads them back: 0xAABBGGRR.
constexpr uint32_t Rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a = 255) {
    return r | (g << 8) | (b << 16) | (a << 24);
}

// A 32-bit BMP with an alpha mask holding `pixels` (0xAABBGGRR, rows top to bottom).
inline std::string Bmp32(int width, int height, const std::vector<uint32_t>& pixels) {
    std::string out;
    auto put = [&out](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    const uint32_t header = 14 + 108;
    const uint32_t data = uint32_t(width) * uint32_t(height) * 4;
    out += "BM";
    put(header + data, 4);
    put(0, 4);
    put(header, 4);
    put(108, 4);
    put(uint32_t(width), 4);
    put(uint32_t(height), 4);
    put(1, 2);
    put(32, 2);
    put(3, 4); // bit fields
    put(data, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    put(0x00FF0000, 4);
    put(0x0000FF00, 4);
    put(0x000000FF, 4);
    put(0xFF000000, 4);
    put(0x73524742, 4); // sRGB
    for (int i = 0; i < 12; ++i) put(0, 4);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            uint32_t p = pixels[size_t(y) * size_t(width) + size_t(x)];
            uint32_t r = p & 0xFF, g = (p >> 8) & 0xFF, b = (p >> 16) & 0xFF, a = p >> 24;
            put(b | (g << 8) | (r << 16) | (a << 24), 4);
        }
    }
    return out;
}

// Loads `pixels` as image `image`; false when the loader refuses them.
inline bool LoadTestImage(int image, int width, int height, const std::vector<uint32_t>& pixels) {
    std::string bmp = Bmp32(width, height, pixels);
    return PlatImageLoadMemory(image, bmp.data(), static_cast<int64_t>(bmp.size()));
}

// Sprite `sprite` made from image `image`, as the game makes its sprites.
inline void SpriteFromTestImage(int sprite, int image, int flags = PlatSpriteAlphaFlag) {
    PlatSpriteCreate(sprite, PlatImageWidth(image), PlatImageHeight(image), flags);
    PlatSpriteDrawImage(sprite, image);
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Flips and reads the picture now in the window (empty when it cannot be read).
inline Picture FlipAndRead() {
    PlatScreenFlip();
    Picture p;
    if (!PlatScreenReadPresented(&p.pixels, &p.width, &p.height)) p = Picture{};
    return p;
}

// Opens window 1 with an inner size of windowWidth x windowHeight and a
// width x height screen in it, flips unpaced, cleared to 0xDDDDDD.
inline bool OpenTestScreen(int windowWidth, int windowHeight, int width, int height) {
    PlatSpriteInit();
    if (!PlatWindowOpen(1, "sprites", windowWidth, windowHeight, PlatStyleGameWindow)) return false;
    PlatScreenOpen(1, width, height);
    PlatScreenSetPacing(false);
    PlatSpriteQuality(0);
    PlatSpriteBackfaceCulling(0);
    PlatSpriteColorKey(0xFF00FF);
    PlatScreenClear(0xDDDDDD);
    return true;
}

// Ends everything OpenTestScreen and the images started.
inline void CloseTestScreen() {
    PlatScreenEnd();
    PlatSpritesEnd();
    PlatWindowsEnd();
    PlatImagesEnd();
}

// A 16 x 16 frame in four coloured quadrants (red, green / blue, yellow) and a
// second, black frame beside it: a 32 x 16 animation sheet.
inline std::vector<uint32_t> QuadrantSheet() {
    std::vector<uint32_t> px(32 * 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) {
            uint32_t c = Rgba(0, 0, 0);
            if (x < 16)
                c = y < 8 ? (x < 8 ? Rgba(255, 0, 0) : Rgba(0, 255, 0))
                          : (x < 8 ? Rgba(0, 0, 255) : Rgba(255, 255, 0));
            px[size_t(y) * 32 + size_t(x)] = c;
        }
    return px;
}

// Deterministic opaque colours, different for neighbours.
inline uint32_t PatternColor(int x, int y, int seed) {
    uint32_t h = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u ^ uint32_t(seed) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return h | 0xFF000000u;
}

// Where the comparison scene draws its leaned quad: x0, y0, x1, y1 (exclusive).
constexpr int LeanedBox[4] = {109, 87, 150, 117};

// The scene both back-ends must show identically in the sharp mode, on a
// 160 x 120 screen in a 160 x 120 window: frame `frame` 0 is drawn straight,
// frame 1 also magnified four times by grab and display size. Returns false
// if an image could not be made.
inline bool DrawComparisonScene(int frame) {
    if (!PlatImageExists(1)) {
        std::vector<uint32_t> pattern(40 * 30);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                uint32_t c = PatternColor(x, y, 1);
                if ((x + y) % 7 == 0) c &= 0x00FFFFFF; // fully transparent texels
                pattern[size_t(y) * 40 + size_t(x)] = c;
            }
        if (!LoadTestImage(1, 40, 30, pattern)) return false;
        if (!LoadTestImage(2, 32, 16, QuadrantSheet())) return false;
        if (!PlatImageCreate(9, 1, 1, 32)) return false;
    }
    SpriteFromTestImage(1, 1);
    SpriteFromTestImage(2, 2);
    SpriteFromTestImage(9, 9);
    PlatSpriteDisplay(1, 60, 45);
    // Clipped and scaled.
    PlatSpriteClip(1, 5, 5, 10, 8);
    PlatSpriteDisplaySize(1, 20, 24);
    PlatSpriteDisplay(1, 2, 2);
    PlatSpriteClip(1, -1, -1, -1, -1);
    PlatSpriteDisplaySize(1, -1, -1);
    // Upright and mirrored player frames at twice their size.
    PlatSpriteClip(2, 0, 0, 16, 16);
    const float upright[8] = {0, 0, 32, 0, 32, 32, 0, 32};
    const float mirrored[8] = {32, 0, 0, 0, 0, 32, 32, 32};
    PlatSpriteTransform(2, upright);
    PlatSpriteDisplay(2, 110, 4);
    PlatSpriteTransform(2, mirrored);
    PlatSpriteDisplay(2, 110, 50);
    // Leaned and mirrored: inside LeanedBox.
    const float leaned[8] = {38, 4, 6, 4, 0, 32, 32, 32};
    PlatSpriteTransform(2, leaned);
    PlatSpriteDisplay(2, 110, 84);
    // Opaque silhouettes of the one-pixel sprite.
    for (int i = 0; i < 200; ++i)
        PlatSpriteDisplaySilhouette(9, 4 + i % 50, 90 + i / 50 * 3, 255,
                                    PatternColor(i, 0, 2) & 0xFFFFFF);
    PlatSpriteDisplaySilhouette(2, 60, 75, 255, 0x204080);
    if (frame == 1) {
        const int w = PlatScreenWidth(), h = PlatScreenHeight(), z = 4;
        PlatSpriteQuality(0);
        PlatSpriteGrab(10, w / 2 - w / (2 * z), h / 2 - h / (2 * z), w / z, h / z);
        PlatSpriteDisplaySize(10, w, h);
        PlatSpriteDisplay(10, 0, 0);
        PlatSpriteDisplaySize(10, -1, -1);
    }
    return true;
}
