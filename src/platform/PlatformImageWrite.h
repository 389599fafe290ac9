// Writing pictures to files.
#pragma once
#include <cstdint>
#include <string>

// Writes width x height pixels (rows top to bottom, 0xAABBGGRR as read back
// from the screen) to `path` as an 8-bit RGBA PNG; false when the size is bad
// or the file cannot be written (no partial file is left then).
bool PlatImageWritePng(const std::string& path, const uint32_t* pixels, int width, int height);
