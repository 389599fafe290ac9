// The fixed asset numbers and the loading of the asset table through the
// asset index.
#pragma once
#include "IndexedFile.h"

#include <cstdint>
#include <string>

// Sounds.
constexpr int32_t SoundMusic = 1;
constexpr int32_t SoundClick = 2;
constexpr int32_t SoundLaunch = 3;
constexpr int32_t SoundHit = 4;

// Images; sprite n is made from image n for n from 1 to 9.
constexpr int32_t ImagePlayerCollision = 1;
constexpr int32_t ImageLevelCollision = 2;
constexpr int32_t ImageLevelColor = 3;
constexpr int32_t ImagePlayerStand = 4;
constexpr int32_t ImagePlayerWalk = 5;
constexpr int32_t ImagePlayerJump = 6;
constexpr int32_t ImagePlayerRun = 7;
constexpr int32_t ImageOrb = 8;
constexpr int32_t ImagePixel = 9;

// Grabbed from the back buffer, not made from an image.
constexpr int32_t SpriteScreenGrab = 10;

// Sound load flag: keep the source and decode while playing.
constexpr int32_t SoundStreamed = 1;

// Loads sound `sound` from the asset `name` (lower-cased, then looked up);
// `flags` go to the platform unchanged. Non-zero when loaded, 0 when the name
// is missing or the data does not load (the number then stays empty).
int32_t LoadIndexedSound(const AssetMap& index, int32_t sound, const std::string& name,
                         int32_t flags);

// The same for image `image`.
int32_t LoadIndexedImage(const AssetMap& index, int32_t image, const std::string& name);

// Starts the sprite back-end, sound and keyboard, registers the PNG and Ogg Vorbis decoders,
// switches to single precision and loads the whole asset table from the global AssetIndex, ignoring
// every failure; image 9 is always created.
void LoadAssets();
