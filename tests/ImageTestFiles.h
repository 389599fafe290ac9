// PNG, BMP and zip files made by the tests themselves, with the pixels a
// correct loader must read back from them.
#pragma once
#include <png.h>
#include <zip.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// A PNG in one of libpng's colour types and bit depths; samples are given
// per pixel and channel at the file's bit depth (palette: the index).
struct PngCase {
    const char* label = "";
    int colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    int bitDepth = 8;
    bool interlaced = false;
    bool trns = false; // tRNS chunk: palette alphas, or a grey / RGB key
    int width = 13;
    int height = 7;
};

// Read-back of one pixel as the loader must give it, transparency included.
struct Rgba {
    uint8_t r, g, b, a;
};

inline int PngChannels(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return 4;
    default:
        return 1; // palette index
    }
}

inline int PaletteSize(const PngCase& s) {
    return (1 << s.bitDepth) < 200 ? (1 << s.bitDepth) : 200;
}

inline png_color PaletteColor(int i) {
    return png_color{static_cast<png_byte>(i * 53 + 7), static_cast<png_byte>(255 - i * 3),
                     static_cast<png_byte>(i * 17)};
}

// Palette alphas of the tRNS chunk: transparent with colour, half, and more.
inline std::vector<png_byte> PaletteAlphas() {
    return {0, 128, 255, 1, 0};
}

// 8-bit value of pixel (x, y), channel c: a pattern that hits 0 and 255.
inline int Value8(int x, int y, int c) {
    int v = (x * 37 + y * 91 + c * 53 + 11) % 300;
    return v > 255 ? (c == 3 && v < 278 ? 0 : 255) : v;
}

// Sample of pixel (x, y), channel c, at the case's bit depth. 16-bit samples
// differ from v * 257 in their low byte so a swapped or dropped byte shows.
inline int Sample(const PngCase& s, int x, int y, int c) {
    if (s.colorType == PNG_COLOR_TYPE_PALETTE) return (x + 3 * y) % PaletteSize(s);
    if (s.bitDepth < 8) return (x + 2 * y + c) % (1 << s.bitDepth);
    int v = Value8(x, y, c);
    if (s.bitDepth == 8) return v;
    int w = v * 257 + ((x * 7 + y * 3 + c) % 61) - 30;
    return w < 0 ? 0 : (w > 65535 ? 65535 : w);
}

// The tRNS key of grey and RGB images: the samples of pixel (0, 0), which the
// pattern repeats elsewhere.
inline int KeySample(const PngCase& s, int c) {
    return Sample(s, 0, 0, c);
}

inline uint8_t To8(const PngCase& s, int v) {
    if (s.bitDepth == 16) return static_cast<uint8_t>((v * 255 + 32767) / 65535);
    if (s.bitDepth < 8) return static_cast<uint8_t>(v * 255 / ((1 << s.bitDepth) - 1));
    return static_cast<uint8_t>(v);
}

inline bool PngHasTransparency(const PngCase& s) {
    return (s.colorType & PNG_COLOR_MASK_ALPHA) != 0 || s.trns;
}

// Colour and alpha the file holds at (x, y); alpha 255 where it has none.
inline Rgba PngPixel(const PngCase& s, int x, int y) {
    if (s.colorType == PNG_COLOR_TYPE_PALETTE) {
        int i = Sample(s, x, y, 0);
        png_color c = PaletteColor(i);
        std::vector<png_byte> alphas = PaletteAlphas();
        uint8_t a = s.trns && i < static_cast<int>(alphas.size()) ? alphas[i] : 255;
        return {c.red, c.green, c.blue, a};
    }
    int n = PngChannels(s.colorType);
    bool color = (s.colorType & PNG_COLOR_MASK_COLOR) != 0;
    int colorChannels = color ? 3 : 1;
    bool keyed = s.trns;
    int raw[4] = {0, 0, 0, 0};
    for (int c = 0; c < n; c++) {
        raw[c] = Sample(s, x, y, c);
        if (c < colorChannels && raw[c] != KeySample(s, c)) keyed = false;
    }
    uint8_t r = To8(s, raw[0]);
    uint8_t g = color ? To8(s, raw[1]) : r;
    uint8_t b = color ? To8(s, raw[2]) : r;
    uint8_t a = 255;
    if (s.colorType & PNG_COLOR_MASK_ALPHA) a = To8(s, raw[n - 1]);
    if (keyed) a = 0;
    return {r, g, b, a};
}

// The 32-bit value read back with alpha: alpha only when the file carries
// transparency.
inline uint32_t ReadBack(bool transparency, Rgba p) {
    uint32_t a = transparency ? p.a : 0;
    return p.r | (uint32_t(p.g) << 8) | (uint32_t(p.b) << 16) | (a << 24);
}

inline void PngWriteToString(png_structp png, png_bytep data, size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}
inline void PngFlushNone(png_structp) {}

// The PNG file of the case, written with libpng.
inline std::string MakePng(const PngCase& s) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) throw std::runtime_error("libpng write failed");
    png_set_write_fn(png, &out, PngWriteToString, PngFlushNone);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    std::vector<png_byte> alphas = PaletteAlphas();
    png_color_16 key{};
    if (s.colorType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < PaletteSize(s); i++) palette.push_back(PaletteColor(i));
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
        if (s.trns)
            png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    } else if (s.trns) {
        key.gray = static_cast<png_uint_16>(KeySample(s, 0));
        key.red = static_cast<png_uint_16>(KeySample(s, 0));
        key.green = static_cast<png_uint_16>(KeySample(s, 1));
        key.blue = static_cast<png_uint_16>(KeySample(s, 2));
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    if (s.bitDepth < 8) png_set_packing(png);
    int n = PngChannels(s.colorType);
    int bytes = s.bitDepth == 16 ? 2 : 1;
    std::vector<std::vector<png_byte>> rows(s.height, std::vector<png_byte>(s.width * n * bytes));
    std::vector<png_bytep> rowPointers;
    for (int y = 0; y < s.height; y++) {
        for (int x = 0; x < s.width; x++)
            for (int c = 0; c < n; c++) {
                int v = Sample(s, x, y, c);
                png_byte* p = &rows[y][(x * n + c) * bytes];
                if (bytes == 2) {
                    p[0] = static_cast<png_byte>(v >> 8);
                    p[1] = static_cast<png_byte>(v & 0xFF);
                } else {
                    p[0] = static_cast<png_byte>(v);
                }
            }
        rowPointers.push_back(rows[y].data());
    }
    png_write_image(png, rowPointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

inline void PutLe(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A BMP of `bits` 8 (palette), 24 or 32 (with an alpha mask) per pixel,
// bottom-up, holding pixel(x, y) for every pixel.
template <class PixelFn> std::string MakeBmp(int width, int height, int bits, PixelFn pixel) {
    int headerSize = bits == 32 ? 108 : 40;
    int paletteBytes = bits == 8 ? 256 * 4 : 0;
    int rowBytes = (width * bits / 8 + 3) & ~3;
    int offset = 14 + headerSize + paletteBytes;
    std::string out = "BM";
    PutLe(out, offset + rowBytes * height, 4);
    PutLe(out, 0, 4);
    PutLe(out, offset, 4);
    PutLe(out, headerSize, 4);
    PutLe(out, width, 4);
    PutLe(out, height, 4);
    PutLe(out, 1, 2);
    PutLe(out, bits, 2);
    PutLe(out, bits == 32 ? 3 : 0, 4); // BI_BITFIELDS for the masks below
    PutLe(out, rowBytes * height, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 2835, 4);
    PutLe(out, bits == 8 ? 256 : 0, 4);
    PutLe(out, 0, 4);
    if (bits == 32) {
        PutLe(out, 0x00FF0000, 4);
        PutLe(out, 0x0000FF00, 4);
        PutLe(out, 0x000000FF, 4);
        PutLe(out, 0xFF000000, 4);
        PutLe(out, 0x73524742, 4); // "sRGB"
        out.append(36 + 12, '\0');
    }
    // An 8-bit file gets one palette entry per pixel, in pixel order.
    std::vector<Rgba> colors;
    if (bits == 8) {
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) colors.push_back(pixel(x, y));
        if (colors.size() > 256) throw std::runtime_error("too many colours for a palette");
        for (int i = 0; i < 256; i++) {
            Rgba c = i < static_cast<int>(colors.size()) ? colors[i] : Rgba{0, 0, 0, 0};
            out.push_back(static_cast<char>(c.b));
            out.push_back(static_cast<char>(c.g));
            out.push_back(static_cast<char>(c.r));
            out.push_back('\0');
        }
    }
    for (int y = height - 1; y >= 0; y--) {
        std::string row;
        for (int x = 0; x < width; x++) {
            Rgba c = pixel(x, y);
            if (bits == 8) {
                row.push_back(static_cast<char>(y * width + x));
                continue;
            }
            row.push_back(static_cast<char>(c.b));
            row.push_back(static_cast<char>(c.g));
            row.push_back(static_cast<char>(c.r));
            if (bits == 32) row.push_back(static_cast<char>(c.a));
        }
        row.resize(rowBytes, '\0');
        out += row;
    }
    return out;
}

// Writes a zip archive holding each (name, bytes) pair, compressed.
inline void MakeZip(const std::string& path,
                    const std::vector<std::pair<std::string, std::string>>& entries) {
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip) throw std::runtime_error("zip_open failed for " + path);
    for (const auto& [name, bytes] : entries) {
        zip_source_t* src = zip_source_buffer(zip, bytes.data(), bytes.size(), 0);
        if (!src || zip_file_add(zip, name.c_str(), src, ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(src);
            zip_discard(zip);
            throw std::runtime_error("zip_file_add failed for " + name);
        }
    }
    if (zip_close(zip) != 0) {
        zip_discard(zip);
        throw std::runtime_error("zip_close failed for " + path);
    }
}

// Test names and failure messages show the case's label.
inline void PrintTo(const PngCase& s, std::ostream* out) {
    *out << s.label;
}
