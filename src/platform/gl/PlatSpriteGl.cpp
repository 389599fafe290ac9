// OpenGL back-end through SDL's GL context and libepoxy: the logical screen is
// mapped onto the whole window by the projection, so sprites are rasterised
// at window resolution. Sprite quads are batched per texture and filter and
// drawn with one call per batch.
#include "platform/PlatSpriteCommon.h"
#include "platform/PlatWindowInternal.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformSprite.h"

#include <SDL.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <epoxy/gl.h>
#include <vector>

namespace {

struct Vertex {
    float x, y, u, v;
    uint8_t r, g, b, a;
    uint8_t silhouette; // 255: the colour replaces the texel's
    uint8_t pad[3];
};

struct SpriteTexture {
    GLuint id = 0;
    bool grabbed = false; // filled from the framebuffer: rows bottom to top
    int textureWidth = 0;
    int textureHeight = 0;
    GLint filter = 0;
};

constexpr int BatchQuads = 8192; // 4 vertices each, within 16-bit indices

bool VideoStarted = false;
SDL_GLContext Context = nullptr;
SDL_Window* ContextWindow = nullptr;
bool SwapWaits = false;
GLuint Program = 0;
GLuint VertexBuffer = 0;
GLuint IndexBuffer = 0;
GLint ScaleLocation = -1;
GLint MaxTextureSize = 0;
int DrawableWidth = 0;
int DrawableHeight = 0;
bool Presented = false;
// Copy of the last frame swapped in: the front buffer cannot be read back
// everywhere (virtual displays give black).
GLuint PresentedTexture = 0;
int PresentedWidth = 0;
int PresentedHeight = 0;
std::vector<SpriteTexture> Textures; // indexed by sprite number
std::vector<Vertex> Batch;
GLuint BatchTexture = 0;
GLint BatchFilter = 0;

const char* const VertexSource = R"(#version 120
attribute vec2 aPos;
attribute vec2 aUv;
attribute vec4 aColor;
attribute float aSilhouette;
uniform vec2 uScale;
varying vec2 vUv;
varying vec4 vColor;
varying float vSilhouette;
void main() {
    gl_Position = vec4(aPos.x * uScale.x - 1.0, 1.0 - aPos.y * uScale.y, 0.0, 1.0);
    vUv = aUv;
    vColor = aColor;
    vSilhouette = aSilhouette;
}
)";

const char* const FragmentSource = R"(#version 120
uniform sampler2D uTexture;
varying vec2 vUv;
varying vec4 vColor;
varying float vSilhouette;
void main() {
    vec4 t = texture2D(uTexture, vUv);
    gl_FragColor = vec4(mix(t.rgb, vColor.rgb, vSilhouette), t.a * vColor.a);
}
)";

// Compiled shader of the given kind, 0 on failure.
GLuint CompileShader(GLenum kind, const char* source) {
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

// Builds the sprite program and buffers in the current context; false on failure.
bool MakePipeline() {
    GLuint vs = CompileShader(GL_VERTEX_SHADER, VertexSource);
    GLuint fs = CompileShader(GL_FRAGMENT_SHADER, FragmentSource);
    if (!vs || !fs) {
        if (vs) glDeleteShader(vs);
        if (fs) glDeleteShader(fs);
        return false;
    }
    Program = glCreateProgram();
    glAttachShader(Program, vs);
    glAttachShader(Program, fs);
    glBindAttribLocation(Program, 0, "aPos");
    glBindAttribLocation(Program, 1, "aUv");
    glBindAttribLocation(Program, 2, "aColor");
    glBindAttribLocation(Program, 3, "aSilhouette");
    glLinkProgram(Program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(Program, GL_LINK_STATUS, &ok);
    if (!ok) {
        glDeleteProgram(Program);
        Program = 0;
        return false;
    }
    glUseProgram(Program);
    glUniform1i(glGetUniformLocation(Program, "uTexture"), 0);
    ScaleLocation = glGetUniformLocation(Program, "uScale");

    std::vector<uint16_t> indices(size_t(BatchQuads) * 6);
    for (int q = 0; q < BatchQuads; ++q) {
        const uint16_t b = static_cast<uint16_t>(q * 4);
        const uint16_t quad[6] = {b, uint16_t(b + 1), uint16_t(b + 2),
                                  b, uint16_t(b + 2), uint16_t(b + 3)};
        std::copy(quad, quad + 6, indices.begin() + q * 6);
    }
    glGenBuffers(1, &IndexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, IndexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * sizeof(uint16_t)),
                 indices.data(), GL_STATIC_DRAW);
    glGenBuffers(1, &VertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, VertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(BatchQuads * 4 * sizeof(Vertex)), nullptr,
                 GL_STREAM_DRAW);
    const GLsizei stride = sizeof(Vertex);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(Vertex, x)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(Vertex, u)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          reinterpret_cast<const void*>(offsetof(Vertex, r)));
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, 1, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          reinterpret_cast<const void*>(offsetof(Vertex, silhouette)));

    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // The framebuffer's alpha stays 1 so that grabs come out opaque.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &MaxTextureSize);
    return true;
}

// Makes our context current again if something else took it; false without one.
bool ContextReady() {
    if (!Context || !Program) return false;
    if (SDL_GL_GetCurrentContext() != Context) SDL_GL_MakeCurrent(ContextWindow, Context);
    return true;
}

// Follows the window's drawable size and the logical size.
void UpdateProjection() {
    SDL_GL_GetDrawableSize(ContextWindow, &DrawableWidth, &DrawableHeight);
    glViewport(0, 0, DrawableWidth, DrawableHeight);
    const float sx = PlatScreen.width > 0 ? 2.0f / float(PlatScreen.width) : 0.0f;
    const float sy = PlatScreen.height > 0 ? 2.0f / float(PlatScreen.height) : 0.0f;
    glUniform2f(ScaleLocation, sx, sy);
}

// Draws and empties the pending batch.
void Flush() {
    if (Batch.empty()) return;
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(BatchQuads * 4 * sizeof(Vertex)), nullptr,
                 GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(Batch.size() * sizeof(Vertex)), Batch.data());
    glDrawElements(GL_TRIANGLES, GLsizei(Batch.size() / 4 * 6), GL_UNSIGNED_SHORT, nullptr);
    ++PlatDrawCalls;
    Batch.clear();
}

// Texture slot of a valid sprite number, grown on demand.
SpriteTexture& TextureOf(int sprite) {
    if (static_cast<size_t>(sprite) >= Textures.size()) Textures.resize(size_t(sprite) + 1);
    return Textures[static_cast<size_t>(sprite)];
}

// Deletes a sprite's texture.
void ReleaseTexture(SpriteTexture& t) {
    if (t.id) {
        if (BatchTexture == t.id) {
            Flush();
            BatchTexture = 0;
        }
        glDeleteTextures(1, &t.id);
    }
    t = SpriteTexture{};
}

// Deletes every sprite texture.
void ReleaseAllTextures() {
    if (ContextReady()) {
        Flush();
        for (SpriteTexture& t : Textures) ReleaseTexture(t);
    }
    Textures.clear();
    BatchTexture = 0;
}

// Makes a texture of the given size (transparent, or from `rgba`); 0 if too large.
GLuint MakeTexture(int width, int height, const uint8_t* rgba) {
    if (width <= 0 || height <= 0 || width > MaxTextureSize || height > MaxTextureSize) return 0;
    Flush();
    BatchTexture = 0;
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    std::vector<uint8_t> zero;
    if (!rgba) {
        zero.assign(size_t(width) * size_t(height) * 4, 0);
        rgba = zero.data();
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return id;
}

// Deletes the context and everything made in it.
void ReleaseContext() {
    ReleaseAllTextures();
    if (Context) {
        SDL_GL_MakeCurrent(ContextWindow, Context);
        if (Program) glDeleteProgram(Program);
        if (VertexBuffer) glDeleteBuffers(1, &VertexBuffer);
        if (IndexBuffer) glDeleteBuffers(1, &IndexBuffer);
        if (PresentedTexture) glDeleteTextures(1, &PresentedTexture);
        SDL_GL_MakeCurrent(ContextWindow, nullptr);
        SDL_GL_DeleteContext(Context);
    }
    Context = nullptr;
    ContextWindow = nullptr;
    Program = 0;
    VertexBuffer = 0;
    IndexBuffer = 0;
    PresentedTexture = 0;
    Batch.clear();
    BatchTexture = 0;
    Presented = false;
}

// Keeps a copy of the finished frame for PlatScreenReadPresented.
void KeepPresentedCopy() {
    if (DrawableWidth <= 0 || DrawableHeight <= 0) return;
    if (!PresentedTexture || PresentedWidth != DrawableWidth || PresentedHeight != DrawableHeight) {
        if (PresentedTexture) glDeleteTextures(1, &PresentedTexture);
        PresentedTexture = 0;
        if (DrawableWidth > MaxTextureSize || DrawableHeight > MaxTextureSize) return;
        glGenTextures(1, &PresentedTexture);
        glBindTexture(GL_TEXTURE_2D, PresentedTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, DrawableWidth, DrawableHeight, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, nullptr);
        PresentedWidth = DrawableWidth;
        PresentedHeight = DrawableHeight;
    }
    glBindTexture(GL_TEXTURE_2D, PresentedTexture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, PresentedWidth, PresentedHeight);
    BatchTexture = 0;
}

// Sets the swap interval for the pacing wanted; remembers whether it took.
void ApplySwapInterval() {
    if (!Context) return;
    int interval = PlatScreen.pacing ? 1 : 0;
    SwapWaits = SDL_GL_SetSwapInterval(interval) == 0 && interval == 1;
}

// Queues one display of `sprite` at (x, y) with the given vertex colour.
void DrawSprite(int sprite, int x, int y, bool silhouette, const uint8_t color[4]) {
    PlatSpriteRecord* s = PlatSpriteFind(sprite);
    if (!s || PlatScreen.width <= 0 || PlatScreen.height <= 0 || !ContextReady()) return;
    SpriteTexture& t = TextureOf(sprite);
    PlatQuad q;
    if (!t.id || !PlatSpriteQuadAt(*s, x, y, &q)) return;
    const GLint filter = PlatScreen.quality == 0 ? GL_NEAREST : GL_LINEAR;
    if (BatchTexture != t.id || BatchFilter != filter || Batch.size() >= size_t(BatchQuads) * 4) {
        Flush();
        glBindTexture(GL_TEXTURE_2D, t.id);
        if (t.filter != filter) {
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
            t.filter = filter;
        }
        BatchTexture = t.id;
        BatchFilter = filter;
    }
    for (int i = 0; i < 4; ++i) {
        Vertex v;
        v.x = q.x[i];
        v.y = q.y[i];
        v.u = q.u[i];
        v.v = t.grabbed ? 1.0f - q.v[i] : q.v[i];
        v.r = color[0];
        v.g = color[1];
        v.b = color[2];
        v.a = color[3];
        v.silhouette = silhouette ? 255 : 0;
        v.pad[0] = v.pad[1] = v.pad[2] = 0;
        Batch.push_back(v);
    }
}

} // namespace

// Starts SDL's video and asks for GL windows with a plain double-buffered
// framebuffer.
void PlatSpriteInit() {
    if (!VideoStarted) VideoStarted = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!VideoStarted) return;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    PlatWindowCreateFlags |= SDL_WINDOW_OPENGL;
}

// Replaces the screen: no sprites, the projection set for the new logical size.
void PlatScreenOpen(int window, int width, int height) {
    ReleaseAllTextures();
    PlatSpriteRecordsClear();
    Batch.clear();
    Presented = false;
    PlatScreen.open = true;
    PlatScreen.window = window;
    PlatScreen.width = std::max(width, 0);
    PlatScreen.height = std::max(height, 0);
    PlatPaceReset();
    SDL_Window* w = PlatSdlWindow(window);
    if (!w) {
        ReleaseContext();
        return;
    }
    if (w != ContextWindow) {
        ReleaseContext();
        Context = SDL_GL_CreateContext(w);
        if (!Context) return;
        ContextWindow = w;
        SDL_GL_MakeCurrent(w, Context);
        if (!MakePipeline()) {
            ReleaseContext();
            return;
        }
    }
    if (!ContextReady()) return;
    ApplySwapInterval();
    UpdateProjection();
    PlatScreenClear(PlatScreen.clearColor);
}

// Makes an empty, transparent sprite.
void PlatSpriteCreate(int sprite, int width, int height, int flags) {
    if (!PlatSpriteSlot(sprite)) return;
    if (ContextReady()) ReleaseTexture(TextureOf(sprite));
    if (!PlatSpriteRecordMake(sprite, width, height, flags) || !ContextReady()) return;
    SpriteTexture& t = TextureOf(sprite);
    t.id = MakeTexture(width, height, nullptr);
    t.textureWidth = width;
    t.textureHeight = height;
}

// Copies the image's pixels (colour-keyed for sprites without the alpha flag)
// into the sprite's top-left corner.
void PlatSpriteDrawImage(int sprite, int image) {
    PlatSpriteRecord* s = PlatSpriteFind(sprite);
    const uint8_t* src = PlatImageRGBA(image);
    if (!s || !src || !ContextReady()) return;
    const int iw = PlatImageWidth(image);
    const int w = std::min(s->width, iw);
    const int h = std::min(s->height, PlatImageHeight(image));
    if (w <= 0 || h <= 0) return;
    SpriteTexture& t = TextureOf(sprite);
    if (t.grabbed || !t.id) {
        ReleaseTexture(t);
        t.id = MakeTexture(s->width, s->height, nullptr);
        t.textureWidth = s->width;
        t.textureHeight = s->height;
        if (!t.id) return;
    }
    std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4);
    const bool keyed = (s->flags & PlatSpriteAlphaFlag) == 0;
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = src + size_t(y) * size_t(iw) * 4;
        uint8_t* out = rgba.data() + size_t(y) * size_t(w) * 4;
        for (int x = 0; x < w; ++x, in += 4, out += 4) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
            uint32_t rgb = in[0] | (uint32_t(in[1]) << 8) | (uint32_t(in[2]) << 16);
            out[3] = keyed ? (rgb == s->colorKey ? 0 : 255) : in[3];
        }
    }
    if (BatchTexture == t.id) Flush();
    glBindTexture(GL_TEXTURE_2D, t.id);
    BatchTexture = t.id;
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
}

// Copies a back-buffer rectangle (cut to the screen) into the sprite at the
// window's resolution, reusing the texture when that size is unchanged.
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
    PlatSpriteRecordMake(sprite, w, h, PlatSpriteAlphaFlag);
    if (!ContextReady()) return;
    SpriteTexture& t = TextureOf(sprite);
    if (w == 0 || h == 0) {
        ReleaseTexture(t);
        return;
    }
    Flush();
    // The logical rectangle in window pixels, rows counted from the bottom.
    const double sx = double(DrawableWidth) / PlatScreen.width;
    const double sy = double(DrawableHeight) / PlatScreen.height;
    const int wx0 = int(std::lround(x0 * sx));
    const int wx1 = int(std::lround(x1 * sx));
    const int wy0 = int(std::lround(y0 * sy));
    const int wy1 = int(std::lround(y1 * sy));
    const int tw = wx1 - wx0;
    const int th = wy1 - wy0;
    if (tw <= 0 || th <= 0) {
        ReleaseTexture(t);
        return;
    }
    if (!t.id || !t.grabbed || t.textureWidth != tw || t.textureHeight != th) {
        ReleaseTexture(t);
        t.id = MakeTexture(tw, th, nullptr);
        if (!t.id) return;
        t.grabbed = true;
        t.textureWidth = tw;
        t.textureHeight = th;
    }
    glBindTexture(GL_TEXTURE_2D, t.id);
    BatchTexture = t.id;
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, wx0, DrawableHeight - wy1, tw, th);
}

void PlatSpriteDisplay(int sprite, int x, int y) {
    static const uint8_t White[4] = {255, 255, 255, 255};
    DrawSprite(sprite, x, y, false, White);
}

void PlatSpriteDisplaySilhouette(int sprite, int x, int y, int opacity, uint32_t color) {
    const uint8_t c[4] = {PlatRed(color), PlatGreen(color), PlatBlue(color),
                          static_cast<uint8_t>(std::clamp(opacity, 0, 255))};
    DrawSprite(sprite, x, y, true, c);
}

// Draws what is pending, swaps, and paces.
void PlatScreenFlip() {
    if (ContextReady()) {
        Flush();
        KeepPresentedCopy();
        SDL_GL_SwapWindow(ContextWindow);
        Presented = PresentedTexture != 0;
        UpdateProjection();
    }
    PlatPaceAfterFlip(SwapWaits);
}

// Fills the whole window with a 0x00BBGGRR colour.
void PlatScreenClear(uint32_t color) {
    PlatScreen.clearColor = color & 0xFFFFFF;
    if (!ContextReady()) return;
    Flush();
    UpdateProjection();
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(PlatRed(color) / 255.0f, PlatGreen(color) / 255.0f, PlatBlue(color) / 255.0f,
                 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
}

// Switches the swap interval and the timer pacing together.
void PlatScreenSetPacing(bool on) {
    PlatScreen.pacing = on;
    if (ContextReady()) ApplySwapInterval();
    PlatPaceReset();
}

// Reads the copy of the picture last swapped into the window.
bool PlatScreenReadPresented(std::vector<uint32_t>* pixels, int* width, int* height) {
    if (!pixels || !width || !height || !Presented || !ContextReady()) return false;
    const int w = PresentedWidth;
    const int h = PresentedHeight;
    Flush();
    std::vector<uint32_t> rows(size_t(w) * size_t(h));
    glBindTexture(GL_TEXTURE_2D, PresentedTexture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    BatchTexture = 0;
    pixels->resize(rows.size());
    for (int y = 0; y < h; ++y) {
        const uint32_t* in = rows.data() + size_t(h - 1 - y) * size_t(w);
        uint32_t* out = pixels->data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) out[x] = in[x] | 0xFF000000u;
    }
    *width = w;
    *height = h;
    return true;
}

// Releases every sprite.
void PlatSpritesEnd() {
    ReleaseAllTextures();
    PlatSpriteRecordsClear();
}

// Releases the screen, the GL context and the sprites made in it.
void PlatScreenEnd() {
    ReleaseContext();
    PlatSpriteRecordsClear();
    PlatScreen.open = false;
    PlatScreen.width = 0;
    PlatScreen.height = 0;
    if (VideoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    VideoStarted = false;
}
