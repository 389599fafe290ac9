// The generator of the game's data set: pictures, sounds and music made from
// the readable definitions in these sources, the same bytes on every run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One RGBA picture, row by row from the top; a pixel is 0xAABBGGRR.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// Returns a picture of the given size filled with `fill`.
Picture NewPicture(int width, int height, uint32_t fill = 0);
// Returns the pixel at (x, y), 0 outside the picture.
uint32_t GetPixel(const Picture& picture, int x, int y);
// Sets the pixel at (x, y); outside the picture nothing changes.
void SetPixel(Picture& picture, int x, int y, uint32_t value);
// Returns the opaque colour of a 0xRRGGBB literal.
uint32_t Rgb(uint32_t hex);
// Returns the colour with its alpha replaced.
uint32_t WithAlpha(uint32_t color, int alpha);
// Returns PNG bytes of the picture (8-bit RGBA, no time or text chunks).
std::string EncodePng(const Picture& picture);

// The palette every picture is drawn from.
namespace Pal {
constexpr uint32_t Ink = 0x14101e;
constexpr uint32_t Violet = 0x2b2140;
constexpr uint32_t Indigo = 0x3d3a6b;
constexpr uint32_t Blue = 0x4f6aa8;
constexpr uint32_t Sky = 0x7fb3d8;
constexpr uint32_t PaleSky = 0xc8e6ef;
constexpr uint32_t Cream = 0xf6f0d8;
constexpr uint32_t Gold = 0xf2c46a;
constexpr uint32_t Orange = 0xd9793f;
constexpr uint32_t Brick = 0x9c3f3f;
constexpr uint32_t Maroon = 0x5c2e38;
constexpr uint32_t Earth = 0x8a5a3c;
constexpr uint32_t DarkEarth = 0x4a3a34;
constexpr uint32_t DeepGrass = 0x3f7d3a;
constexpr uint32_t Grass = 0x6fb845;
constexpr uint32_t LightGrass = 0xb7e26a;
constexpr uint32_t Skin = 0xe8a67c;
constexpr uint32_t Stone = 0x6b7794;
constexpr uint32_t LightStone = 0x9aa6bd;
constexpr uint32_t DarkStone = 0x2a3346;
} // namespace Pal

// Level geometry shared by the pictures and the checks: the image size and the
// player's spawn point in world pixels (the image's centre cell is (0, 0)).
constexpr int LevelWidth = 1536;
constexpr int LevelHeight = 768;
constexpr int SpawnX = 0;
constexpr int SpawnY = 100;

// The player's collision mask: its size in pixels.
constexpr int PlayerMaskWidth = 12;
constexpr int PlayerMaskHeight = 26;

// Returns the level's terrain picture (solid mask and visible ground at once).
Picture MakeLevelCollision();
// Returns the picture behind the terrain; `dusk` picks the evening variant.
Picture MakeLevelBackground(bool dusk);

// Returns the player's collision mask picture.
Picture MakePlayerMask();
// Returns an animation sheet: "stand", "walk", "jump" or "run"; `tint` swaps
// the clothes' colours for the shadowed variant.
Picture MakePlayerSheet(const std::string& sheet, bool tint);
// Returns the orb; `glow` adds the wide soft halo.
Picture MakeOrb(bool glow);

// Returns a mono 16-bit WAV file of a sound effect: "click", "launch", "hit"
// or "pop".
std::string MakeEffect(const std::string& name);
// Returns the music loop as an Ogg Vorbis file.
std::string MakeMusic();
// Returns the music loop as interleaved stereo samples (before encoding).
std::vector<float> RenderMusic(int& sampleRate);
