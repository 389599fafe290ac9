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
#include <utility>

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

// Frames of the comparison scene.
constexpr int ComparisonFrames = 3;

// Sixty player-like quads from a fixed sequence: leaned by 1.8 x a speed and
// squashed or stretched by another, as the running character is, some mirrored
// and some as silhouettes.
inline void DrawRunningQuads() {
    uint32_t seed = 12345;
    auto next = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<uint32_t>(n));
    };
    for (int i = 0; i < 60; ++i) {
        const float lean = 1.8f * (static_cast<float>(next(81) - 40) * 0.1f);
        const float squash = -(static_cast<float>(next(41) - 20) * 0.35f);
        const bool mirror = next(2) == 1;
        const float w = static_cast<float>(16 + next(30)), h = static_cast<float>(16 + next(30));
        PlatSpriteClip(2, next(2) * 16, 0, 16, 16);
        float c[8] = {lean, squash, w + lean, squash, w, h, 0, h};
        if (mirror) {
            std::swap(c[0], c[2]);
            std::swap(c[4], c[6]);
        }
        PlatSpriteTransform(2, c);
        const int x = next(130) - 5, y = next(100) - 5;
        if (next(3) == 0)
            PlatSpriteDisplaySilhouette(2, x, y, 255, 0x3070C0);
        else
            PlatSpriteDisplay(2, x, y);
    }
}

// The scene both back-ends must show identically in the sharp mode, on a
// 160 x 120 screen in a 160 x 120 window: frame `frame` 0 is drawn straight,
// frame 1 also magnified four times by grab and display size, frame 2 holds
// many running-player quads. Returns false if an image could not be made.
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
    if (frame == 2) {
        DrawRunningQuads();
        return true;
    }
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
    // Leaned and mirrored, on whole pixels.
    const float leaned[8] = {38, 4, 6, 4, 0, 32, 32, 32};
    PlatSpriteTransform(2, leaned);
    PlatSpriteDisplay(2, 110, 84);
    // Leaned and squashed by fractions of a pixel, as a running player is.
    const float running[8] = {5.4f, 3.0f, 37.4f, 3.0f, 32, 32, 0, 32};
    PlatSpriteTransform(2, running);
    PlatSpriteDisplay(2, 20, 40);
    // Mirrored, leaned the other way and stretched, as a silhouette (outline).
    const float falling[8] = {29.3f, -2.25f, -2.7f, -2.25f, 0, 32, 32, 32};
    PlatSpriteTransform(2, falling);
    PlatSpriteDisplaySilhouette(2, 76, 86, 255, 0x3070C0);
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
