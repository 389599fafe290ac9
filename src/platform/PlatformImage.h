// Images, addressed by number (1 to PlatImageMaxNumber).
#pragma once
#include <cstdint>
#include <string>

constexpr int PlatImageMaxNumber = 4096;

// Lets later loads decode PNG; BMP loads without it.
void PlatImageRegisterPng();
// Format from the content (PNG when registered, BMP always); false on failure,
// the number then stays empty (an image it held before is released).
bool PlatImageLoadFile(int image, const std::string& path);
bool PlatImageLoadMemory(int image, const void* data, int64_t length);
// A blank image of the given size, opaque black. Depth 32 gives it an alpha
// channel (it reads back 0xFF000000); other depths read back 0. False for a
// bad number or size.
bool PlatImageCreate(int image, int width, int height, int depth);
bool PlatImageExists(int image);
// 0 for an empty number.
int PlatImageWidth(int image);
int PlatImageHeight(int image);
// Pixel read back with alpha: red in bits 0-7, green 8-15, blue 16-23, alpha
// 24-31. Alpha is 0 for images that carry no transparency (no alpha channel
// and no tRNS). 0 outside the image or for an empty number.
uint32_t PlatImagePixel(int image, int x, int y);
// Whether the image carries transparency (alpha channel, tRNS, 32-bit BMP).
bool PlatImageHasTransparency(int image);
// Width x height pixels, rows top to bottom, 4 bytes each: red, green, blue,
// alpha. Alpha is 255 throughout in an image without transparency, so it
// draws opaque. Null for an empty number; valid until the number is loaded,
// created or released again.
const uint8_t* PlatImageRGBA(int image);
// Releases every image.
void PlatImagesEnd();
