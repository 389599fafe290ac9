// Numbered images kept as 8-bit RGBA: PNG through libpng, BMP through SDL.
#include "PlatformImage.h"

#include "PlatformFiles.h"

#include <SDL.h>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>
#include <png.h>
#include <vector>

namespace {

struct Image {
    int width = 0;
    int height = 0;
    bool transparency = false;
    std::unique_ptr<uint8_t[]> rgba; // null while the number is empty
};

// Decoded size limits: a damaged header must not make us allocate gigabytes.
constexpr uint32_t MaxSide = 32768;
constexpr int64_t MaxPixels = int64_t(1) << 26;

std::vector<Image> Images; // indexed by number
bool PngRegistered = false;

// The slot of a valid number, grown on demand; null for a bad number.
Image* Slot(int image) {
    if (image < 1 || image > PlatImageMaxNumber) return nullptr;
    if (static_cast<size_t>(image) >= Images.size()) Images.resize(static_cast<size_t>(image) + 1);
    return &Images[static_cast<size_t>(image)];
}

// The loaded image under a number, or null.
const Image* Loaded(int image) {
    if (image < 1 || static_cast<size_t>(image) >= Images.size()) return nullptr;
    const Image& img = Images[static_cast<size_t>(image)];
    return img.rgba ? &img : nullptr;
}

// True when a width x height image stays within the decoding limits.
bool SizeAllowed(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= MaxSide && height <= MaxSide &&
           width * height <= MaxPixels;
}

struct PngSource {
    const uint8_t* data;
    size_t length;
    size_t pos;
};

// Buffers that must survive a longjmp out of libpng to be released.
struct PngBuffers {
    uint8_t* volatile pixels = nullptr;
    png_bytep* volatile rows = nullptr;
};

// libpng's reader over a memory block; running out of data is an error.
void PngRead(png_structp png, png_bytep out, size_t count) {
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > src->length - src->pos) png_error(png, "truncated");
    memcpy(out, src->data + src->pos, count);
    src->pos += count;
}

// Silent error handler: back to the setjmp in DecodePng.
[[noreturn]] void PngFail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void PngWarn(png_structp, png_const_charp) {}

// Reads the whole PNG as 8-bit RGBA into `buf`; errors leave through png_error.
void ReadPng(png_structp png, png_infop info, PngBuffers* buf, Image* out) {
    png_set_user_limits(png, MaxSide, MaxSide);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
    if (!SizeAllowed(width, height)) png_error(png, "too large");
    bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    bool transparency = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || trns;

    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (trns) png_set_tRNS_to_alpha(png);
    if (depth == 16) png_set_scale_16(png);
    if ((colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
    if (!transparency) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    size_t rowBytes = static_cast<size_t>(width) * 4;
    if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "unexpected layout");

    buf->pixels = new (std::nothrow) uint8_t[rowBytes * height];
    buf->rows = new (std::nothrow) png_bytep[height];
    if (!buf->pixels || !buf->rows) png_error(png, "out of memory");
    for (png_uint_32 y = 0; y < height; y++) buf->rows[y] = buf->pixels + rowBytes * y;
    png_read_image(png, buf->rows);
    // A file cut short after its pixel data still counts as damaged.
    png_read_end(png, nullptr);

    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    out->transparency = transparency;
}

// Decodes PNG bytes into `out`; false for any fault in the data.
bool DecodePng(const uint8_t* data, size_t length, Image* out) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngWarn);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    PngSource src{data, length, 0};
    png_set_read_fn(png, &src, PngRead);
    PngBuffers buf;
    if (setjmp(png_jmpbuf(png))) {
        delete[] buf.pixels;
        delete[] buf.rows;
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    ReadPng(png, info, &buf, out);
    out->rgba.reset(buf.pixels);
    delete[] buf.rows;
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// Decodes BMP bytes into `out` through SDL's reader; false when SDL refuses them.
bool DecodeBmp(const uint8_t* data, size_t length, Image* out) {
    if (length > static_cast<size_t>(INT32_MAX)) return false;
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(length));
    if (!rw) return false;
    SDL_Surface* loaded = SDL_LoadBMP_RW(rw, 1);
    if (!loaded) return false;
    bool transparency = loaded->format->Amask != 0;
    SDL_Surface* rgba = nullptr;
    if (SizeAllowed(loaded->w, loaded->h))
        rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    if (!rgba) return false;
    size_t rowBytes = static_cast<size_t>(rgba->w) * 4;
    std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[rowBytes * rgba->h]);
    bool ok = pixels != nullptr && SDL_LockSurface(rgba) == 0;
    if (ok) {
        for (int y = 0; y < rgba->h; y++)
            memcpy(pixels.get() + rowBytes * y,
                   static_cast<const uint8_t*>(rgba->pixels) + static_cast<size_t>(rgba->pitch) * y,
                   rowBytes);
        SDL_UnlockSurface(rgba);
        if (!transparency)
            for (size_t i = 3; i < rowBytes * rgba->h; i += 4) pixels[i] = 0xFF;
        out->width = rgba->w;
        out->height = rgba->h;
        out->transparency = transparency;
        out->rgba = std::move(pixels);
    }
    SDL_FreeSurface(rgba);
    return ok;
}

// Decodes an image in whichever format its first bytes name.
bool Decode(const uint8_t* data, size_t length, Image* out) {
    if (length >= 8 && PngRegistered && png_sig_cmp(data, 0, 8) == 0)
        return DecodePng(data, length, out);
    if (length >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmp(data, length, out);
    return false;
}

} // namespace

void PlatImageRegisterPng() {
    PngRegistered = true;
}

bool PlatImageLoadMemory(int image, const void* data, int64_t length) {
    Image* slot = Slot(image);
    if (!slot) return false;
    Image decoded;
    bool ok = data && length > 0 &&
              static_cast<uint64_t>(length) <= static_cast<uint64_t>(SIZE_MAX) &&
              Decode(static_cast<const uint8_t*>(data), static_cast<size_t>(length), &decoded);
    *slot = ok ? std::move(decoded) : Image{};
    return ok;
}

bool PlatImageLoadFile(int image, const std::string& path) {
    std::string bytes;
    if (!PlatReadFile(path, &bytes)) {
        if (Image* slot = Slot(image)) *slot = Image{};
        return false;
    }
    return PlatImageLoadMemory(image, bytes.data(), static_cast<int64_t>(bytes.size()));
}

bool PlatImageCreate(int image, int width, int height, int depth) {
    Image* slot = Slot(image);
    if (!slot) return false;
    *slot = Image{};
    if (!SizeAllowed(width, height)) return false;
    size_t count = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[count]);
    if (!pixels) return false;
    for (size_t i = 0; i < count; i += 4) {
        pixels[i] = pixels[i + 1] = pixels[i + 2] = 0;
        pixels[i + 3] = 0xFF;
    }
    slot->width = width;
    slot->height = height;
    slot->transparency = depth == 32;
    slot->rgba = std::move(pixels);
    return true;
}

bool PlatImageExists(int image) {
    return Loaded(image) != nullptr;
}

int PlatImageWidth(int image) {
    const Image* img = Loaded(image);
    return img ? img->width : 0;
}

int PlatImageHeight(int image) {
    const Image* img = Loaded(image);
    return img ? img->height : 0;
}

uint32_t PlatImagePixel(int image, int x, int y) {
    const Image* img = Loaded(image);
    if (!img || x < 0 || y < 0 || x >= img->width || y >= img->height) return 0;
    const uint8_t* p = img->rgba.get() + (static_cast<size_t>(y) * img->width + x) * 4;
    uint32_t alpha = img->transparency ? p[3] : 0;
    return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (alpha << 24);
}

bool PlatImageHasTransparency(int image) {
    const Image* img = Loaded(image);
    return img && img->transparency;
}

const uint8_t* PlatImageRGBA(int image) {
    const Image* img = Loaded(image);
    return img ? img->rgba.get() : nullptr;
}

void PlatImagesEnd() {
    Images.clear();
    Images.shrink_to_fit();
}
