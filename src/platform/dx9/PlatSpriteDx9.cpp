// Render-target back-end on SDL's 2D renderer: each frame is drawn into a
// texture of the logical screen size and stretched over the window when it is
// presented. On Windows SDL is asked for its Direct3D 9 driver; elsewhere its
// accelerated or software renderer serves (the latter headless as well).
#include "platform/PlatSpriteCommon.h"
#include "platform/PlatWindowInternal.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformSprite.h"

#include <SDL.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

struct SpriteTextures {
    SDL_Texture* color = nullptr;
    SDL_Texture* white = nullptr; // for silhouettes: white, with the sprite's alpha
    bool grabbed = false;         // `color` is a render target filled by grabs
    std::vector<uint8_t> alpha;   // alpha per pixel; empty when fully opaque
};

bool VideoStarted = false;
SDL_Renderer* Renderer = nullptr;
SDL_Window* RendererWindow = nullptr;
bool RendererVsync = false;
// SDL's software renderer snaps the corners of triangles to whole pixels and
// texture coordinates to whole texels; it gets transformed quads pre-sampled.
bool SoftwareRenderer = false;
std::vector<PlatTexelRun> Runs;
std::vector<SDL_Vertex> RunVertices;
std::vector<int> RunIndices;
// Two frames: drawing goes to Back; Front keeps the picture last presented.
SDL_Texture* Back = nullptr;
SDL_Texture* Front = nullptr;
SDL_Texture* CurrentTarget = nullptr;
bool Presented = false;
int PresentedWidth = 0;
int PresentedHeight = 0;
uint32_t PresentedClear = 0;
int PresentedQuality = 0;
std::vector<SpriteTextures> Textures; // indexed by sprite number

// Texture slot of a valid sprite number, grown on demand.
SpriteTextures& TexturesOf(int sprite) {
    if (static_cast<size_t>(sprite) >= Textures.size()) Textures.resize(size_t(sprite) + 1);
    return Textures[static_cast<size_t>(sprite)];
}

// Destroys a sprite's textures.
void ReleaseTextures(SpriteTextures& t) {
    if (t.color) SDL_DestroyTexture(t.color);
    if (t.white) SDL_DestroyTexture(t.white);
    t = SpriteTextures{};
}

// Destroys every sprite's textures.
void ReleaseAllTextures() {
    for (SpriteTextures& t : Textures) ReleaseTextures(t);
    Textures.clear();
}

// Makes `target` the renderer's target (null: the window) if it is not already.
void UseTarget(SDL_Texture* target) {
    if (!Renderer || CurrentTarget == target) return;
    SDL_SetRenderTarget(Renderer, target);
    CurrentTarget = target;
}

SDL_ScaleMode ScaleMode() {
    return PlatScreen.quality == 0 ? SDL_ScaleModeNearest : SDL_ScaleModeLinear;
}

// Destroys the two frame textures.
void ReleaseFrames() {
    UseTarget(nullptr);
    if (Back) SDL_DestroyTexture(Back);
    if (Front) SDL_DestroyTexture(Front);
    Back = nullptr;
    Front = nullptr;
    Presented = false;
}

// Destroys the renderer and everything made with it.
void ReleaseRenderer() {
    ReleaseAllTextures();
    ReleaseFrames();
    if (Renderer) SDL_DestroyRenderer(Renderer);
    Renderer = nullptr;
    RendererWindow = nullptr;
    CurrentTarget = nullptr;
    SoftwareRenderer = false;
}

// A renderer for `window`, made anew when the window changed; null on failure.
SDL_Renderer* RendererFor(SDL_Window* window) {
    if (Renderer && RendererWindow == window) return Renderer;
    ReleaseRenderer();
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
#ifdef _WIN32
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "direct3d");
#endif
    Uint32 flags = SDL_RENDERER_TARGETTEXTURE | (PlatScreen.pacing ? SDL_RENDERER_PRESENTVSYNC : 0);
    Renderer = SDL_CreateRenderer(window, -1, flags | SDL_RENDERER_ACCELERATED);
    if (!Renderer) Renderer = SDL_CreateRenderer(window, -1, flags | SDL_RENDERER_SOFTWARE);
    if (!Renderer) return nullptr;
    RendererWindow = window;
    SDL_RendererInfo info;
    const bool known = SDL_GetRendererInfo(Renderer, &info) == 0;
    RendererVsync = known && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0 && PlatScreen.pacing;
    SoftwareRenderer = known && (info.flags & SDL_RENDERER_SOFTWARE) != 0;
    return Renderer;
}

// A new, transparent RGBA texture; null on failure.
SDL_Texture* MakeStaticTexture(int width, int height, const uint8_t* rgba) {
    SDL_Texture* t = SDL_CreateTexture(Renderer, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STATIC,
                                       width, height);
    if (!t) return nullptr;
    if (rgba) {
        SDL_UpdateTexture(t, nullptr, rgba, width * 4);
    } else {
        std::vector<uint8_t> zero(size_t(width) * size_t(height) * 4, 0);
        SDL_UpdateTexture(t, nullptr, zero.data(), width * 4);
    }
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    return t;
}

// The sprite's silhouette texture, made on first use; null if it cannot be.
SDL_Texture* WhiteTexture(const PlatSpriteRecord& s, SpriteTextures& t) {
    if (t.white || !t.color) return t.white;
    std::vector<uint8_t> rgba(size_t(s.width) * size_t(s.height) * 4, 255);
    if (!t.alpha.empty())
        for (size_t i = 0; i < t.alpha.size(); ++i) rgba[i * 4 + 3] = t.alpha[i];
    t.white = MakeStaticTexture(s.width, s.height, rgba.data());
    return t.white;
}

// Draws quad `q` of a texture as upright runs of whole pixels, each showing
// the texels the hardware rasterisers would pick.
void DrawQuadInRuns(SDL_Texture* texture, int texWidth, int texHeight, const PlatQuad& q,
                    SDL_Color mod) {
    PlatQuadTexelRuns(q, texWidth, texHeight, PlatScreen.width, PlatScreen.height, &Runs);
    if (Runs.empty()) return;
    RunVertices.clear();
    RunIndices.clear();
    const float fw = static_cast<float>(texWidth), fh = static_cast<float>(texHeight);
    for (const PlatTexelRun& r : Runs) {
        const float x0 = static_cast<float>(r.x), x1 = static_cast<float>(r.x + r.length);
        const float y0 = static_cast<float>(r.y), y1 = y0 + 1.0f;
        // Texel edges under the run's left and right pixel edges.
        const int left = r.step > 0 ? r.texelX : r.texelX + 1;
        const float u0 = static_cast<float>(left) / fw;
        const float u1 = static_cast<float>(left + r.step * r.length) / fw;
        const float v0 = static_cast<float>(r.texelY) / fh;
        const float v1 = static_cast<float>(r.texelY + 1) / fh;
        const int base = static_cast<int>(RunVertices.size());
        RunVertices.push_back({{x0, y0}, mod, {u0, v0}});
        RunVertices.push_back({{x1, y0}, mod, {u1, v0}});
        RunVertices.push_back({{x1, y1}, mod, {u1, v1}});
        RunVertices.push_back({{x0, y1}, mod, {u0, v1}});
        for (int i : {0, 1, 2, 0, 2, 3}) RunIndices.push_back(base + i);
    }
    SDL_RenderGeometry(Renderer, texture, RunVertices.data(), static_cast<int>(RunVertices.size()),
                       RunIndices.data(), static_cast<int>(RunIndices.size()));
}

// Draws one display of `sprite` at (x, y) into the back buffer, with the
// given modulation (silhouettes use the white texture).
void DrawSprite(int sprite, int x, int y, bool silhouette, SDL_Color mod) {
    PlatSpriteRecord* s = PlatSpriteFind(sprite);
    if (!s || !Renderer || !Back) return;
    SpriteTextures& t = TexturesOf(sprite);
    SDL_Texture* texture = silhouette ? WhiteTexture(*s, t) : t.color;
    PlatQuad q;
    if (!texture || !PlatSpriteQuadAt(*s, x, y, &q)) return;
    UseTarget(Back);
    SDL_SetTextureScaleMode(texture, ScaleMode());
    ++PlatDrawCalls;
    // The software renderer rounds a rectangle's fractional corners its own way.
    const bool wholePixels = std::floor(q.x[0]) == q.x[0] && std::floor(q.x[2]) == q.x[2] &&
                             std::floor(q.y[0]) == q.y[0] && std::floor(q.y[2]) == q.y[2];
    if (PlatQuadIsRectangle(q) && (wholePixels || !SoftwareRenderer)) {
        SDL_SetTextureColorMod(texture, mod.r, mod.g, mod.b);
        SDL_SetTextureAlphaMod(texture, mod.a);
        const float fw = static_cast<float>(s->width);
        const float fh = static_cast<float>(s->height);
        int sx0 = static_cast<int>(std::lround(std::min(q.u[0], q.u[1]) * fw));
        int sx1 = static_cast<int>(std::lround(std::max(q.u[0], q.u[1]) * fw));
        int sy0 = static_cast<int>(std::lround(std::min(q.v[0], q.v[3]) * fh));
        int sy1 = static_cast<int>(std::lround(std::max(q.v[0], q.v[3]) * fh));
        SDL_Rect src = {sx0, sy0, sx1 - sx0, sy1 - sy0};
        SDL_FRect dst = {std::min(q.x[0], q.x[1]), std::min(q.y[0], q.y[3]),
                         std::fabs(q.x[1] - q.x[0]), std::fabs(q.y[3] - q.y[0])};
        int flip = SDL_FLIP_NONE;
        if ((q.x[1] > q.x[0]) != (q.u[1] > q.u[0])) flip |= SDL_FLIP_HORIZONTAL;
        if ((q.y[3] > q.y[0]) != (q.v[3] > q.v[0])) flip |= SDL_FLIP_VERTICAL;
        if (flip == SDL_FLIP_NONE)
            SDL_RenderCopyF(Renderer, texture, &src, &dst);
        else
            SDL_RenderCopyExF(Renderer, texture, &src, &dst, 0.0, nullptr,
                              static_cast<SDL_RendererFlip>(flip));
        return;
    }
    SDL_SetTextureColorMod(texture, 255, 255, 255);
    SDL_SetTextureAlphaMod(texture, 255);
    if (SoftwareRenderer) {
        DrawQuadInRuns(texture, s->width, s->height, q, mod);
        return;
    }
    SDL_Vertex v[4];
    for (int i = 0; i < 4; ++i) {
        v[i].position = {q.x[i], q.y[i]};
        v[i].color = mod;
        v[i].tex_coord = {q.u[i], q.v[i]};
    }
    static const int Indices[6] = {0, 1, 2, 0, 2, 3};
    SDL_RenderGeometry(Renderer, texture, v, 4, Indices, 6);
}

// Fills the current target with a 0x00BBGGRR colour.
void FillTarget(uint32_t color) {
    SDL_SetRenderDrawBlendMode(Renderer, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(Renderer, PlatRed(color), PlatGreen(color), PlatBlue(color), 255);
    SDL_RenderClear(Renderer);
}

} // namespace

// Starts SDL's video; the renderer is made with the screen.
void PlatSpriteInit() {
    if (!VideoStarted) VideoStarted = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

// Replaces the screen: new frame textures of the logical size, no sprites.
void PlatScreenOpen(int window, int width, int height) {
    ReleaseAllTextures();
    PlatSpriteRecordsClear();
    ReleaseFrames();
    PlatScreen.open = true;
    PlatScreen.window = window;
    PlatScreen.width = std::max(width, 0);
    PlatScreen.height = std::max(height, 0);
    PlatPaceReset();
    SDL_Window* w = PlatSdlWindow(window);
    if (!w || !RendererFor(w)) {
        ReleaseRenderer();
        return;
    }
    const int sw = PlatScreen.width;
    const int sh = PlatScreen.height;
    // A screen of size 0 (or one too large to make) has no frame textures:
    // draws do nothing and flips show the clear colour.
    if (sw > 0 && sh > 0 && sw <= PlatSpriteMaxSide && sh <= PlatSpriteMaxSide) {
        for (SDL_Texture** frame : {&Back, &Front}) {
            *frame = SDL_CreateTexture(Renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET,
                                       sw, sh);
            if (*frame) SDL_SetTextureBlendMode(*frame, SDL_BLENDMODE_NONE);
        }
        if (!Back || !Front) ReleaseFrames();
    }
    for (SDL_Texture* frame : {Front, Back}) {
        if (!frame) continue;
        UseTarget(frame);
        FillTarget(PlatScreen.clearColor);
    }
}

// Makes an empty, transparent sprite.
void PlatSpriteCreate(int sprite, int width, int height, int flags) {
    if (!PlatSpriteSlot(sprite)) return;
    ReleaseTextures(TexturesOf(sprite));
    if (!PlatSpriteRecordMake(sprite, width, height, flags)) return;
    SpriteTextures& t = TexturesOf(sprite);
    if (Renderer && width > 0 && height > 0) {
        t.color = MakeStaticTexture(width, height, nullptr);
        if (t.color) t.alpha.assign(size_t(width) * size_t(height), 0);
    }
}

// Copies the image's pixels (colour-keyed for sprites without the alpha flag)
// into the sprite's top-left corner.
void PlatSpriteDrawImage(int sprite, int image) {
    PlatSpriteRecord* s = PlatSpriteFind(sprite);
    const uint8_t* src = PlatImageRGBA(image);
    if (!s || !src || !Renderer) return;
    const int iw = PlatImageWidth(image);
    const int w = std::min(s->width, iw);
    const int h = std::min(s->height, PlatImageHeight(image));
    if (w <= 0 || h <= 0) return;
    SpriteTextures& t = TexturesOf(sprite);
    if (t.grabbed || !t.color) {
        ReleaseTextures(t);
        t.color = MakeStaticTexture(s->width, s->height, nullptr);
        if (!t.color) return;
        t.alpha.assign(size_t(s->width) * size_t(s->height), 0);
    }
    std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4);
    const bool keyed = (s->flags & PlatSpriteAlphaFlag) == 0;
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = src + (size_t(y) * size_t(iw)) * 4;
        uint8_t* out = rgba.data() + size_t(y) * size_t(w) * 4;
        for (int x = 0; x < w; ++x, in += 4, out += 4) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
            uint32_t rgb = in[0] | (uint32_t(in[1]) << 8) | (uint32_t(in[2]) << 16);
            out[3] = keyed ? (rgb == s->colorKey ? 0 : 255) : in[3];
            t.alpha[size_t(y) * size_t(s->width) + size_t(x)] = out[3];
        }
    }
    SDL_Rect area = {0, 0, w, h};
    SDL_UpdateTexture(t.color, &area, rgba.data(), w * 4);
    if (t.white) SDL_DestroyTexture(t.white);
    t.white = nullptr;
}

// Copies a back-buffer rectangle (cut to the screen) into the sprite, reusing
// its texture when the size is unchanged.
void PlatSpriteGrab(int sprite, int x, int y, int width, int height) {
    if (!PlatSpriteSlot(sprite)) return;
    const int x0 = std::clamp(x, 0, PlatScreen.width);
    const int y0 = std::clamp(y, 0, PlatScreen.height);
    const int x1 =
        static_cast<int>(std::clamp<int64_t>(int64_t(x) + std::max(width, 0), 0, PlatScreen.width));
    const int y1 = static_cast<int>(
        std::clamp<int64_t>(int64_t(y) + std::max(height, 0), 0, PlatScreen.height));
    const int w = std::max(x1 - x0, 0);
    const int h = std::max(y1 - y0, 0);
    const PlatSpriteRecord* old = PlatSpriteFind(sprite);
    SpriteTextures& t = TexturesOf(sprite);
    const bool reuse = old && t.grabbed && t.color && old->width == w && old->height == h;
    if (!reuse) ReleaseTextures(t);
    PlatSpriteRecordMake(sprite, w, h, PlatSpriteAlphaFlag);
    if (!Renderer || !Back || w == 0 || h == 0) return;
    if (!reuse) {
        t.color =
            SDL_CreateTexture(Renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, w, h);
        if (!t.color) return;
        SDL_SetTextureBlendMode(t.color, SDL_BLENDMODE_BLEND);
        t.grabbed = true;
    }
    SDL_Rect src = {x0, y0, w, h};
    UseTarget(t.color);
    SDL_SetTextureScaleMode(Back, SDL_ScaleModeNearest);
    SDL_RenderCopy(Renderer, Back, &src, nullptr);
    UseTarget(Back);
}

void PlatSpriteDisplay(int sprite, int x, int y) {
    DrawSprite(sprite, x, y, false, SDL_Color{255, 255, 255, 255});
}

void PlatSpriteDisplaySilhouette(int sprite, int x, int y, int opacity, uint32_t color) {
    Uint8 a = static_cast<Uint8>(std::clamp(opacity, 0, 255));
    DrawSprite(sprite, x, y, true, SDL_Color{PlatRed(color), PlatGreen(color), PlatBlue(color), a});
}

// Presents the back buffer stretched over the window, then paces.
void PlatScreenFlip() {
    if (Renderer) {
        UseTarget(nullptr);
        FillTarget(PlatScreen.clearColor);
        if (Back) {
            SDL_SetTextureScaleMode(Back, ScaleMode());
            SDL_RenderCopy(Renderer, Back, nullptr, nullptr);
        }
        SDL_GetRendererOutputSize(Renderer, &PresentedWidth, &PresentedHeight);
        PresentedClear = PlatScreen.clearColor;
        PresentedQuality = PlatScreen.quality;
        SDL_RenderPresent(Renderer);
        std::swap(Back, Front);
        Presented = true;
    }
    PlatPaceAfterFlip(RendererVsync);
}

// Fills the back buffer with a 0x00BBGGRR colour.
void PlatScreenClear(uint32_t color) {
    PlatScreen.clearColor = color & 0xFFFFFF;
    if (!Renderer || !Back) return;
    UseTarget(Back);
    FillTarget(PlatScreen.clearColor);
}

// Switches the present's retrace wait and the timer pacing together.
void PlatScreenSetPacing(bool on) {
    PlatScreen.pacing = on;
    if (Renderer) {
        SDL_RenderSetVSync(Renderer, on ? 1 : 0);
        SDL_RendererInfo info;
        RendererVsync = on && SDL_GetRendererInfo(Renderer, &info) == 0 &&
                        (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
    }
    PlatPaceReset();
}

// Rebuilds the last presented picture (the front frame stretched as it was
// shown) and reads it back.
bool PlatScreenReadPresented(std::vector<uint32_t>* pixels, int* width, int* height) {
    if (!pixels || !width || !height || !Renderer || !Presented) return false;
    const int w = PresentedWidth;
    const int h = PresentedHeight;
    if (w <= 0 || h <= 0) return false;
    SDL_Texture* picture = Front;
    SDL_Texture* scratch = nullptr;
    if (!Front || PlatScreen.width != w || PlatScreen.height != h) {
        scratch =
            SDL_CreateTexture(Renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, w, h);
        if (!scratch) return false;
        UseTarget(scratch);
        FillTarget(PresentedClear);
        if (Front) {
            SDL_SetTextureScaleMode(Front, PresentedQuality == 0 ? SDL_ScaleModeNearest
                                                                 : SDL_ScaleModeLinear);
            SDL_RenderCopy(Renderer, Front, nullptr, nullptr);
        }
        picture = scratch;
    }
    pixels->assign(size_t(w) * size_t(h), 0);
    UseTarget(picture);
    bool ok = SDL_RenderReadPixels(Renderer, nullptr, SDL_PIXELFORMAT_ABGR8888, pixels->data(),
                                   w * 4) == 0;
    UseTarget(Back);
    if (scratch) SDL_DestroyTexture(scratch);
    if (!ok) return false;
    for (uint32_t& p : *pixels) p |= 0xFF000000u;
    *width = w;
    *height = h;
    return true;
}

// Releases every sprite.
void PlatSpritesEnd() {
    ReleaseAllTextures();
    PlatSpriteRecordsClear();
}

// Releases the screen, its renderer and the sprites made with it.
void PlatScreenEnd() {
    ReleaseRenderer();
    PlatSpriteRecordsClear();
    PlatScreen.open = false;
    PlatScreen.width = 0;
    PlatScreen.height = 0;
    if (VideoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    VideoStarted = false;
}
