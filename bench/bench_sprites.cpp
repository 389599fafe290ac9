// Per-frame CPU cost of the sprite screen: the sharp-mode presentation at
// 800 x 600, 10 000 one-pixel silhouettes and a leaned, outlined player. Built against the
// render-target back-end (headless, SDL's software renderer) in vrem_bench and against the OpenGL
// back-end in vrem_bench_sprites_gl (run that one under a virtual X display, e.g. with xvfb-run).
#include <benchmark/benchmark.h>

#include "platform/PlatformImage.h"
#include "platform/PlatformSprite.h"
#include "platform/PlatformWindow.h"

#include <cstdlib>

namespace {

constexpr int Width = 800;
constexpr int Height = 600;
constexpr int Zoom = 4;

// Opens the 800 x 600 window and screen once, with sprite 9 a black pixel;
// false when no window can be opened.
bool ScreenReady() {
    static int state = 0; // 0 untried, 1 ready, 2 failed
    if (state == 0) {
#ifndef VREM_BENCH_GL
        setenv("SDL_VIDEODRIVER", "dummy", 1);
#endif
        PlatSpriteInit();
        state = 2;
        if (PlatWindowOpen(1, "bench", Width, Height, PlatStyleGameWindow)) {
            PlatScreenOpen(1, Width, Height);
            PlatScreenSetPacing(false);
            PlatSpriteQuality(0);
            PlatSpriteBackfaceCulling(0);
            PlatImageCreate(9, 1, 1, 32);
            PlatSpriteCreate(9, 1, 1, PlatSpriteAlphaFlag);
            PlatSpriteDrawImage(9, 9);
            PlatScreenClear(0xDDDDDD);
            state = 1;
        }
    }
    return state == 1;
}

// The sharp-mode end of a frame: grab the middle, magnify it over the
// screen, flip, clear.
void PresentFrame() {
    PlatSpriteQuality(0);
    PlatSpriteGrab(10, Width / 2 - Width / (2 * Zoom), Height / 2 - Height / (2 * Zoom),
                   Width / Zoom, Height / Zoom);
    PlatSpriteDisplaySize(10, Width, Height);
    PlatSpriteDisplay(10, 0, 0);
    PlatSpriteDisplaySize(10, -1, -1);
    PlatScreenFlip();
    PlatScreenClear(0xDDDDDD);
}

void BM_PresentFrameSharp800x600(benchmark::State& state) {
    if (!ScreenReady()) {
        state.SkipWithError("no window");
        return;
    }
    for (auto _ : state) PresentFrame();
}
BENCHMARK(BM_PresentFrameSharp800x600)->Unit(benchmark::kMillisecond);

// Flip and clear alone: the part of the next case that is not the silhouettes.
void BM_FlipAndClear800x600(benchmark::State& state) {
    if (!ScreenReady()) {
        state.SkipWithError("no window");
        return;
    }
    for (auto _ : state) {
        PlatScreenFlip();
        PlatScreenClear(0xDDDDDD);
    }
}
BENCHMARK(BM_FlipAndClear800x600)->Unit(benchmark::kMillisecond);

// 10 000 debris-like silhouettes of the one-pixel sprite in varied colours,
// then flip and clear (the batched draws are carried out by then).
void BM_Silhouettes10000(benchmark::State& state) {
    if (!ScreenReady()) {
        state.SkipWithError("no window");
        return;
    }
    for (auto _ : state) {
        for (int i = 0; i < 10000; ++i) {
            const uint32_t color = uint32_t(i) * 2654435761u & 0xFFFFFF;
            PlatSpriteDisplaySilhouette(9, 100 + i % 600, 100 + i / 600 * 7 % 400, 255, color);
        }
        PlatScreenFlip();
        PlatScreenClear(0xDDDDDD);
    }
}
BENCHMARK(BM_Silhouettes10000)->Unit(benchmark::kMillisecond);

// A running player with its outline: nine leaned, squashed 32 x 32 quads
// (eight silhouettes around the sprite), then flip and clear.
void BM_LeanedPlayerWithOutline(benchmark::State& state) {
    if (!ScreenReady()) {
        state.SkipWithError("no window");
        return;
    }
    PlatImageCreate(8, 32, 32, 32);
    PlatSpriteCreate(8, 32, 32, PlatSpriteAlphaFlag);
    PlatSpriteDrawImage(8, 8);
    const float corners[8] = {5.4f, 2.45f, 37.4f, 2.45f, 32, 32, 0, 32};
    PlatSpriteTransform(8, corners);
    for (auto _ : state) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx != 0 || dy != 0) PlatSpriteDisplaySilhouette(8, 400 + dx, 300 + dy, 255, 0);
        PlatSpriteDisplay(8, 400, 300);
        PlatScreenFlip();
        PlatScreenClear(0xDDDDDD);
    }
}
BENCHMARK(BM_LeanedPlayerWithOutline)->Unit(benchmark::kMillisecond);

} // namespace
