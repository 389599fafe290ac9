// Shared set-up of the gameplay tests: a headless screen, images made in
// memory, small levels, and the player state reset between cases.
#pragma once
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "AssetTable.h"
#include "Body.h"
#include "Debris.h"
#include "Main.h"
#include "Orbs.h"
#include "Player.h"
#include "World.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformKeyboard.h"
#include "platform/PlatformSprite.h"
#include "platform/PlatformWindow.h"

namespace gameplay_test {

struct Px {
    uint8_t r, g, b, a;
};

inline void PutLe(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A 32-bit BMP with an alpha mask holding pixel(x, y) everywhere.
inline std::string Bmp32(int width, int height, const std::function<Px(int, int)>& pixel) {
    const int offset = 14 + 108;
    std::string out = "BM";
    PutLe(out, static_cast<uint32_t>(offset + width * height * 4), 4);
    PutLe(out, 0, 4);
    PutLe(out, offset, 4);
    PutLe(out, 108, 4);
    PutLe(out, static_cast<uint32_t>(width), 4);
    PutLe(out, static_cast<uint32_t>(height), 4);
    PutLe(out, 1, 2);
    PutLe(out, 32, 2);
    PutLe(out, 3, 4);
    PutLe(out, static_cast<uint32_t>(width * height * 4), 4);
    PutLe(out, 2835, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0x00FF0000, 4);
    PutLe(out, 0x0000FF00, 4);
    PutLe(out, 0x000000FF, 4);
    PutLe(out, 0xFF000000, 4);
    PutLe(out, 0x73524742, 4);
    out.append(48, '\0');
    for (int y = height - 1; y >= 0; y--) {
        for (int x = 0; x < width; x++) {
            const Px c = pixel(x, y);
            out.push_back(static_cast<char>(c.b));
            out.push_back(static_cast<char>(c.g));
            out.push_back(static_cast<char>(c.r));
            out.push_back(static_cast<char>(c.a));
        }
    }
    return out;
}

// Loads image `n` from pixel(x, y) and remakes its sprite on the open screen.
inline void MakeImage(int n, int width, int height, const std::function<Px(int, int)>& pixel) {
    const std::string bmp = Bmp32(width, height, pixel);
    ASSERT_TRUE(PlatImageLoadMemory(n, bmp.data(), static_cast<int64_t>(bmp.size())));
    if (PlatScreenWidth() > 0) {
        PlatSpriteCreate(n, width, height, PlatSpriteAlphaFlag);
        PlatSpriteDrawImage(n, n);
    }
}

// Opens the game window once and a sharp, unmagnified screen of w x h.
inline void OpenScreen(int w, int h) {
    static bool open = false;
    if (!open) {
        PlatSpriteInit();
        ASSERT_TRUE(OpenGameWindow("gameplay test"));
        open = true;
    }
    PlatScreenSetPacing(false);
    Zoom = 1;
    SharpDisplay = 1;
    StretchOff = 0;
    OutlineOn = 0;
    PlatWindowSetInnerSize(GameWindow, w, h);
    PlatEvent e;
    while (PlatNextEvent(&e)) {
    }
    LastScreenWidth = LastScreenHeight = 0;
    SetupScreen(GameWindow, 1, 1);
    ASSERT_EQ(PlatScreenWidth(), w);
    ASSERT_EQ(PlatScreenHeight(), h);
}

// The presented picture as 0xBBGGRR values.
struct Picture {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    uint32_t At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFFu;
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x] & 0xFFFFFFu;
    }
};

inline Picture Present() {
    PresentFrame();
    Picture p;
    EXPECT_TRUE(PlatScreenReadPresented(&p.pixels, &p.width, &p.height));
    return p;
}

// Every piece of player, animation, debris and orb state back to a fresh game.
inline void ResetGame() {
    LevelBody = Body{};
    PlayerSpawn = Body{};
    PlayerBody = Body{};
    OrbProbe = Body{};
    DebrisList.clear();
    OrbList.clear();
    RunHeld = 0;
    JumpReady = 1;
    JumpRequest = 0;
    Airborne = 0;
    AirJumpReady = 0;
    DashCooldown = 0;
    Facing = 1;
    PlayerSprite = 0;
    AnimCounter = 0.0f;
    AnimFrame = 0;
    StretchTopX = StretchTopY = StretchBottomX = StretchBottomY = 0.0f;
    PlatKeyboardSetScripted(true);
    for (int k = 0; k < 256; k++) PlatKeyboardScriptKey(k, false);
    PlatKeyboardCapture();
    for (int k = 0; k < 256; k++) PlatKeyReleased(k);
}

// A level image-free: `width` x `height` cells, solid where solid(cx, cy).
inline CollisionMask MakeLevelMask(int width, int height,
                                   const std::function<bool(int, int)>& solid) {
    CollisionMask m = NewMask(width, height);
    for (int cy = 0; cy < height; cy++)
        for (int cx = 0; cx < width; cx++)
            if (solid(cx, cy)) SetMaskCell(m, cx, cy, 1);
    return m;
}

inline uint32_t Bits(float f) {
    return std::bit_cast<uint32_t>(f);
}

// Nearest integer, ties to even, of a single-precision value (the default
// rounding mode).
inline int32_t Nearest(float f) {
    return static_cast<int32_t>(std::nearbyintf(f));
}

} // namespace gameplay_test
