// Masks read from real PNG images: which read-back values make solid cells,
// and the collision set-up of the level and the player template.
#include <gtest/gtest.h>
#include <png.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "ArrayCollision.h"
#include "Body.h"
#include "platform/PlatformImage.h"

namespace {

struct Pixel {
    uint8_t r, g, b, a;
};

// Encodes w x h pixels as PNG, with or without an alpha channel, and loads it
// as image `number`.
void LoadPng(int number, int w, int h, const std::vector<Pixel>& pixels, bool alpha) {
    std::vector<uint8_t> samples;
    for (const Pixel& p : pixels) {
        samples.insert(samples.end(), {p.r, p.g, p.b});
        if (alpha) samples.push_back(p.a);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    ASSERT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, samples.data(), 0, nullptr));
    std::vector<uint8_t> file(size);
    ASSERT_TRUE(
        png_image_write_to_memory(&image, file.data(), &size, 0, samples.data(), 0, nullptr));
    ASSERT_TRUE(PlatImageLoadMemory(number, file.data(), static_cast<int64_t>(size)));
}

class MaskFromImageTest : public ::testing::Test {
  protected:
    void SetUp() override { PlatImageRegisterPng(); }
    void TearDown() override { PlatImagesEnd(); }
};

} // namespace

TEST_F(MaskFromImageTest, AnyNonZeroChannelIsSolidWhenTheImageHasAlpha) {
    const std::vector<Pixel> row = {
        {0, 0, 0, 0},   // transparent black: empty
        {0, 0, 0, 255}, // opaque black: solid
        {9, 0, 0, 0},   // transparent with colour: solid
        {0, 0, 0, 1},   // nearly transparent black: solid
        {255, 255, 255, 255},
    };
    LoadPng(
        5, 5, 2,
        [&] {
            std::vector<Pixel> both = row;
            both.insert(both.end(), row.rbegin(), row.rend()); // second row mirrored
            return both;
        }(),
        true);
    const CollisionMask m = MaskFromImage(5);
    ASSERT_TRUE(m.cells);
    EXPECT_EQ(m.width, 5);
    EXPECT_EQ(m.height, 2);
    const uint8_t want[2][5] = {{0, 1, 1, 1, 1}, {1, 1, 1, 1, 0}};
    for (int cy = 0; cy < 2; ++cy)
        for (int cx = 0; cx < 5; ++cx)
            EXPECT_EQ(MaskCell(m, cx, cy), want[cy][cx]) << cx << "," << cy;
}

TEST_F(MaskFromImageTest, OnlyBlackIsEmptyWithoutTransparency) {
    const std::vector<Pixel> pixels = {{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0},
                                       {0, 0, 0, 0}, {0, 7, 0, 0}, {0, 0, 0, 0}};
    LoadPng(6, 3, 2, pixels, false);
    const CollisionMask m = MaskFromImage(6);
    ASSERT_TRUE(m.cells);
    const uint8_t want[2][3] = {{0, 1, 1}, {0, 1, 0}};
    for (int cy = 0; cy < 2; ++cy)
        for (int cx = 0; cx < 3; ++cx)
            EXPECT_EQ(MaskCell(m, cx, cy), want[cy][cx]) << cx << "," << cy;
}

TEST_F(MaskFromImageTest, MissingImageGivesNoCells) {
    EXPECT_FALSE(MaskFromImage(7).cells);
    EXPECT_FALSE(MaskFromImage(0).cells);
    EXPECT_FALSE(MaskFromImage(-3).cells);
}

TEST_F(MaskFromImageTest, SetupBuildsLevelAndPlayerTemplate) {
    // Level 7 x 5 with its bottom row solid; player 3 x 4 fully opaque.
    std::vector<Pixel> level(35, Pixel{0, 0, 0, 0});
    for (int cx = 0; cx < 7; ++cx) level[28 + cx] = {90, 60, 30, 255};
    LoadPng(2, 7, 5, level, true);
    LoadPng(1, 3, 4, std::vector<Pixel>(12, Pixel{200, 10, 10, 255}), true);
    LevelBody.x = 55.0f; // set-up must reset it
    SetupCollision();
    ASSERT_TRUE(LevelBody.mask.cells);
    EXPECT_EQ(LevelBody.mask.width, 7);
    EXPECT_EQ(LevelBody.x, 0.0f);
    EXPECT_EQ(LevelBody.y, 0.0f);
    // The level's centre cell (3, 2) is world (0, 0): its floor is world row 2.
    Body dot;
    dot.mask = NewMask(1, 1, 1);
    EXPECT_EQ(MaskOverlap(dot, -3, 2, LevelBody, 0, 0), 1);
    EXPECT_EQ(MaskOverlap(dot, 3, 2, LevelBody, 0, 0), 1);
    EXPECT_EQ(MaskOverlap(dot, 0, 1, LevelBody, 0, 0), 0);
    EXPECT_EQ(MaskOverlap(dot, 4, 2, LevelBody, 0, 0), 0);

    ASSERT_TRUE(PlayerSpawn.mask.cells);
    EXPECT_EQ(PlayerSpawn.mask.width, 3);
    EXPECT_EQ(PlayerSpawn.mask.height, 4);
    EXPECT_EQ(PlayerSpawn.x, 0.0f);
    EXPECT_EQ(PlayerSpawn.y, 100.0f);
    EXPECT_EQ(PlayerSpawn.vx, 3.0f);
    EXPECT_EQ(PlayerSpawn.vy, -2.0f);
    EXPECT_EQ(std::bit_cast<uint32_t>(PlayerSpawn.bounceX), std::bit_cast<uint32_t>(1.1f));
    EXPECT_EQ(PlayerSpawn.bounceY, 0.0f);
    EXPECT_EQ(PlayerSpawn.transferX, 0.0f);
    EXPECT_EQ(PlayerSpawn.hitX, 0);
    EXPECT_EQ(PlayerSpawn.color, 0);

    // The player copied from the template shares its cells.
    PlayerBody = PlayerSpawn;
    EXPECT_EQ(PlayerBody.mask.cells.get(), PlayerSpawn.mask.cells.get());
}

TEST_F(MaskFromImageTest, SetupWithoutImagesLeavesBodiesThatTouchNothing) {
    SetupCollision();
    EXPECT_FALSE(LevelBody.mask.cells);
    EXPECT_FALSE(PlayerSpawn.mask.cells);
    EXPECT_EQ(PlayerSpawn.y, 100.0f);
    EXPECT_EQ(MaskOverlap(PlayerSpawn, 0, 0, LevelBody, 0, 0), 0);
}
