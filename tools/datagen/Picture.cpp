// Pictures in memory and their PNG encoding.
#include "DataGen.h"

#include <png.h>

// Returns a picture of the given size filled with `fill`.
Picture NewPicture(int width, int height, uint32_t fill) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
    return picture;
}

// Returns the pixel at (x, y), 0 outside the picture.
uint32_t GetPixel(const Picture& picture, int x, int y) {
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) return 0;
    return picture.pixels[static_cast<size_t>(y) * picture.width + x];
}

// Sets the pixel at (x, y); outside the picture nothing changes.
void SetPixel(Picture& picture, int x, int y, uint32_t value) {
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) return;
    picture.pixels[static_cast<size_t>(y) * picture.width + x] = value;
}

// Returns the opaque colour of a 0xRRGGBB literal.
uint32_t Rgb(uint32_t hex) {
    uint32_t r = (hex >> 16) & 0xff, g = (hex >> 8) & 0xff, b = hex & 0xff;
    return 0xff000000u | (b << 16) | (g << 8) | r;
}

// Returns the colour with its alpha replaced.
uint32_t WithAlpha(uint32_t color, int alpha) {
    return (color & 0x00ffffffu) | (static_cast<uint32_t>(alpha & 0xff) << 24);
}

namespace {
// Appends what libpng writes to the string behind the write pointer.
void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}
void NoFlush(png_structp) {}
} // namespace

// Returns PNG bytes of the picture (8-bit RGBA, no time or text chunks).
std::string EncodePng(const Picture& picture) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> row(static_cast<size_t>(picture.width) * 4);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendBytes, NoFlush);
    png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            uint32_t p = picture.pixels[static_cast<size_t>(y) * picture.width + x];
            row[x * 4 + 0] = p & 0xff;
            row[x * 4 + 1] = (p >> 8) & 0xff;
            row[x * 4 + 2] = (p >> 16) & 0xff;
            row[x * 4 + 3] = (p >> 24) & 0xff;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}
