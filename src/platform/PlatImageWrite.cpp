// PNG output through libpng's simplified interface (no setjmp handling needed).
#include "PlatformImageWrite.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

bool PlatImageWritePng(const std::string& path, const uint32_t* pixels, int width, int height) {
    if (!pixels || width <= 0 || height <= 0 || width > 65535 || height > 65535) return false;
    // Byte order of the file is red, green, blue, alpha whatever the host's.
    std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4);
    for (size_t i = 0; i < size_t(width) * size_t(height); i++) {
        const uint32_t p = pixels[i];
        rgba[i * 4 + 0] = static_cast<uint8_t>(p & 0xFF);
        rgba[i * 4 + 1] = static_cast<uint8_t>((p >> 8) & 0xFF);
        rgba[i * 4 + 2] = static_cast<uint8_t>((p >> 16) & 0xFF);
        rgba[i * 4 + 3] = static_cast<uint8_t>((p >> 24) & 0xFF);
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    const bool ok =
        png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), width * 4, nullptr) != 0;
    png_image_free(&image);
    if (!ok) std::remove(path.c_str());
    return ok;
}
