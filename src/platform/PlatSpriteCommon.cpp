// Sprite records, clip, transform and display-size bookkeeping, quad geometry
// and the timer pacing of flips: what both rendering back-ends share.
#include "PlatSpriteCommon.h"

#include "PlatWindowInternal.h"
#include "PlatformSprite.h"

#include <SDL.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

PlatScreenState PlatScreen;
int64_t PlatDrawCalls = 0;

namespace {

std::vector<PlatSpriteRecord> Records; // indexed by number, grown on demand

// Keeps corner offsets within a range every rasteriser handles exactly.
constexpr float MaxCorner = 1.0e6f;

// Present timing, in performance-counter ticks.
constexpr int PaceSamples = 16;
uint64_t PaceSample[PaceSamples] = {};
int PaceCount = 0;
uint64_t LastFlipEnd = 0;
uint64_t Deadline = 0;
int PaceRefresh = 60;

// Cuts the span [start, start + length) to [0, size); returns the new start and length.
void CutSpan(int start, int length, int size, int* outStart, int* outLength) {
    int64_t a = std::clamp<int64_t>(start, 0, size);
    int64_t b = std::clamp<int64_t>(int64_t(start) + std::max(length, 0), 0, size);
    *outStart = static_cast<int>(a);
    *outLength = static_cast<int>(std::max<int64_t>(b - a, 0));
}

// Waits until the performance counter reaches `until`.
void SleepUntil(uint64_t until) {
    const uint64_t freq = SDL_GetPerformanceFrequency();
    for (;;) {
        uint64_t now = SDL_GetPerformanceCounter();
        if (now >= until) return;
        uint64_t ms = (until - now) * 1000 / freq;
        if (ms >= 2) SDL_Delay(static_cast<Uint32>(ms - 1));
    }
}

} // namespace

// The record slot of a valid number, or null.
PlatSpriteRecord* PlatSpriteSlot(int sprite) {
    if (sprite < 1 || sprite > PlatSpriteMaxNumber) return nullptr;
    if (static_cast<size_t>(sprite) >= Records.size()) Records.resize(size_t(sprite) + 1);
    return &Records[static_cast<size_t>(sprite)];
}

// The record of an existing sprite, or null.
PlatSpriteRecord* PlatSpriteFind(int sprite) {
    if (sprite < 1 || static_cast<size_t>(sprite) >= Records.size()) return nullptr;
    PlatSpriteRecord* s = &Records[static_cast<size_t>(sprite)];
    return s->exists ? s : nullptr;
}

// Fresh record for a new sprite; false (slot emptied) for a bad number or size.
bool PlatSpriteRecordMake(int sprite, int width, int height, int flags) {
    PlatSpriteRecord* s = PlatSpriteSlot(sprite);
    if (!s) return false;
    *s = PlatSpriteRecord{};
    if (width < 0 || height < 0 || width > PlatSpriteMaxSide || height > PlatSpriteMaxSide)
        return false;
    s->exists = true;
    s->width = width;
    s->height = height;
    s->flags = flags;
    s->colorKey = PlatScreen.colorKey & 0xFFFFFF;
    s->clipWidth = width;
    s->clipHeight = height;
    return true;
}

// Empties every slot.
void PlatSpriteRecordsClear() {
    Records.clear();
}

// Four corners and texture coordinates of a display at (x, y); false if empty.
bool PlatSpriteQuadAt(const PlatSpriteRecord& s, int x, int y, PlatQuad* quad) {
    if (s.clipWidth <= 0 || s.clipHeight <= 0 || s.width <= 0 || s.height <= 0) return false;
    float px[4];
    float py[4];
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    if (s.transformed) {
        for (int i = 0; i < 4; ++i) {
            float cx = s.corners[2 * i];
            float cy = s.corners[2 * i + 1];
            if (!(std::fabs(cx) <= MaxCorner) || !(std::fabs(cy) <= MaxCorner)) return false;
            px[i] = fx + cx;
            py[i] = fy + cy;
        }
    } else {
        int w = s.displayWidth >= 0 ? s.displayWidth : s.clipWidth;
        int h = s.displayHeight >= 0 ? s.displayHeight : s.clipHeight;
        if (w <= 0 || h <= 0) return false;
        const float fw = static_cast<float>(w);
        const float fh = static_cast<float>(h);
        px[0] = fx;
        py[0] = fy;
        px[1] = fx + fw;
        py[1] = fy;
        px[2] = fx + fw;
        py[2] = fy + fh;
        px[3] = fx;
        py[3] = fy + fh;
    }
    const float u0 = static_cast<float>(s.clipX) / static_cast<float>(s.width);
    const float u1 = static_cast<float>(s.clipX + s.clipWidth) / static_cast<float>(s.width);
    const float v0 = static_cast<float>(s.clipY) / static_cast<float>(s.height);
    const float v1 = static_cast<float>(s.clipY + s.clipHeight) / static_cast<float>(s.height);
    const float tu[4] = {u0, u1, u1, u0};
    const float tv[4] = {v0, v0, v1, v1};

    // Twice the signed area; positive when the corners turn clockwise on screen.
    double area = 0;
    for (int i = 0; i < 4; ++i) {
        int j = (i + 1) % 4;
        area += double(px[i]) * py[j] - double(px[j]) * py[i];
    }
    if (area == 0) return false;
    // Swapping the corners pairwise keeps every point's texture coordinate
    // (the same picture for a parallelogram) but lists them unmirrored.
    static const int Straight[4] = {0, 1, 2, 3};
    static const int Swapped[4] = {1, 0, 3, 2};
    const int* order = area > 0 ? Straight : Swapped;
    for (int i = 0; i < 4; ++i) {
        quad->x[i] = px[order[i]];
        quad->y[i] = py[order[i]];
        quad->u[i] = tu[order[i]];
        quad->v[i] = tv[order[i]];
    }
    return true;
}

// Upright rectangle with u along x and v along y.
bool PlatQuadIsRectangle(const PlatQuad& q) {
    return q.y[0] == q.y[1] && q.y[2] == q.y[3] && q.x[0] == q.x[3] && q.x[1] == q.x[2] &&
           q.v[0] == q.v[1] && q.v[2] == q.v[3] && q.u[0] == q.u[3] && q.u[1] == q.u[2];
}

// Refresh rate of the display showing the window; 60 when unknown.
int PlatRefreshRate(int window) {
    SDL_Window* w = PlatSdlWindow(window);
    if (!w) return 60;
    int index = SDL_GetWindowDisplayIndex(w);
    SDL_DisplayMode mode;
    if (index < 0 || SDL_GetCurrentDisplayMode(index, &mode) != 0) return 60;
    return mode.refresh_rate > 0 ? mode.refresh_rate : 60;
}

// Forgets present timings and reads the refresh rate again.
void PlatPaceReset() {
    PaceCount = 0;
    LastFlipEnd = 0;
    Deadline = 0;
    PaceRefresh = PlatRefreshRate(PlatScreen.window);
}

// Sleeps out the refresh period when presents do not wait for the retrace.
void PlatPaceAfterFlip(bool swapWaits) {
    uint64_t now = SDL_GetPerformanceCounter();
    if (!PlatScreen.pacing) {
        LastFlipEnd = now;
        PaceCount = 0;
        Deadline = 0;
        return;
    }
    const uint64_t period = SDL_GetPerformanceFrequency() / uint64_t(std::max(PaceRefresh, 1));
    // Time from the end of the last flip to the end of this present, our own
    // sleep excluded: about one period when the present waits for the retrace.
    if (LastFlipEnd != 0) {
        PaceSample[PaceCount % PaceSamples] = now - LastFlipEnd;
        ++PaceCount;
    }
    bool timer = !swapWaits;
    if (!timer && PaceCount >= PaceSamples) {
        uint64_t sum = 0;
        for (uint64_t t : PaceSample) sum += t;
        timer = sum / PaceSamples < period * 9 / 10;
    }
    if (timer) {
        if (Deadline == 0 || now >= Deadline + period) {
            Deadline = now; // far behind or first: restart the chain without waiting
        } else {
            SleepUntil(Deadline);
        }
        Deadline += period;
    } else {
        Deadline = 0;
    }
    LastFlipEnd = SDL_GetPerformanceCounter();
}

int PlatScreenWidth() {
    return PlatScreen.open ? PlatScreen.width : 0;
}
int PlatScreenHeight() {
    return PlatScreen.open ? PlatScreen.height : 0;
}

void PlatSpriteQuality(int quality) {
    PlatScreen.quality = quality;
}

// Culling is never applied: quads draw whatever their corner order. The
// flag is kept only so a later back-end could honour it.
void PlatSpriteBackfaceCulling(int enabled) {
    PlatScreen.culling = enabled != 0;
}

void PlatSpriteColorKey(uint32_t color) {
    PlatScreen.colorKey = color & 0xFFFFFF;
}

bool PlatSpriteExists(int sprite) {
    return PlatSpriteFind(sprite) != nullptr;
}

// Clip width; 0 for a missing sprite.
int PlatSpriteWidth(int sprite) {
    const PlatSpriteRecord* s = PlatSpriteFind(sprite);
    return s ? s->clipWidth : 0;
}

// Clip height; 0 for a missing sprite.
int PlatSpriteHeight(int sprite) {
    const PlatSpriteRecord* s = PlatSpriteFind(sprite);
    return s ? s->clipHeight : 0;
}

// Sets the clip cut to the sprite and drops the corner transform.
void PlatSpriteClip(int sprite, int x, int y, int width, int height) {
    PlatSpriteRecord* s = PlatSpriteFind(sprite);
    if (!s) return;
    s->transformed = false;
    if (x == -1 && y == -1 && width == -1 && height == -1) {
        s->clipX = 0;
        s->clipY = 0;
        s->clipWidth = s->width;
        s->clipHeight = s->height;
        return;
    }
    CutSpan(x, width, s->width, &s->clipX, &s->clipWidth);
    CutSpan(y, height, s->height, &s->clipY, &s->clipHeight);
}

// Stores the corner offsets until the next clip.
void PlatSpriteTransform(int sprite, const float corners[8]) {
    PlatSpriteRecord* s = PlatSpriteFind(sprite);
    if (!s || !corners) return;
    for (int i = 0; i < 8; ++i) s->corners[i] = corners[i];
    s->transformed = true;
}

// Sets the size later untransformed displays are scaled to; negative = clip size.
void PlatSpriteDisplaySize(int sprite, int width, int height) {
    PlatSpriteRecord* s = PlatSpriteFind(sprite);
    if (!s) return;
    s->displayWidth = width < 0 ? -1 : width;
    s->displayHeight = height < 0 ? -1 : height;
}
