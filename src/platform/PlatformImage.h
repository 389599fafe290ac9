// Images, addressed by number (1 and up).
#pragma once
#include <cstdint>
#include <string>

void PlatImageRegisterPng();
// Format from the content (PNG when registered, BMP always); false on failure,
// the number then stays empty.
bool PlatImageLoadFile(int image, const std::string& path);
bool PlatImageLoadMemory(int image, const void* data, int64_t length);
// A blank image of the given size and depth, opaque black.
void PlatImageCreate(int image, int width, int height, int depth);
bool PlatImageExists(int image);
int PlatImageWidth(int image);
int PlatImageHeight(int image);
// Pixel read back with alpha: red in bits 0-7, alpha in bits 24-31. Alpha is 0
// for images that carry no transparency. 0 outside the image.
uint32_t PlatImagePixel(int image, int x, int y);
void PlatImagesEnd();
