// Numbered images: PNG in every colour type and depth, BMP, blank images, the
// read-back rules and damaged data.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ImageTestFiles.h"
#include "TestSupport.h"
#include "platform/PlatformImage.h"

namespace {

class Images : public ::testing::Test {
  protected:
    void SetUp() override { PlatImageRegisterPng(); }
    void TearDown() override { PlatImagesEnd(); }
    TempDir dir;
};

// Every pixel, the size, the transparency flag and the drawing pixels of
// image `image` against the file's own content.
void ExpectImageMatches(int image, const PngCase& s) {
    ASSERT_TRUE(PlatImageExists(image));
    ASSERT_EQ(PlatImageWidth(image), s.width);
    ASSERT_EQ(PlatImageHeight(image), s.height);
    bool transparency = PngHasTransparency(s);
    EXPECT_EQ(PlatImageHasTransparency(image), transparency);
    const uint8_t* rgba = PlatImageRGBA(image);
    ASSERT_NE(rgba, nullptr);
    for (int y = 0; y < s.height; y++)
        for (int x = 0; x < s.width; x++) {
            Rgba want = PngPixel(s, x, y);
            ASSERT_EQ(PlatImagePixel(image, x, y), ReadBack(transparency, want))
                << "pixel " << x << "," << y;
            const uint8_t* p = rgba + (y * s.width + x) * 4;
            // Without transparency the image still draws opaque.
            uint8_t drawnAlpha = transparency ? want.a : 255;
            ASSERT_EQ(p[0], want.r);
            ASSERT_EQ(p[1], want.g);
            ASSERT_EQ(p[2], want.b);
            ASSERT_EQ(p[3], drawnAlpha) << "pixel " << x << "," << y;
        }
}

const PngCase PngCases[] = {
    {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false},
    {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, false},
    {"rgb8", PNG_COLOR_TYPE_RGB, 8, false, false},
    {"rgb16", PNG_COLOR_TYPE_RGB, 16, false, false},
    {"rgb8_trns", PNG_COLOR_TYPE_RGB, 8, false, true},
    {"rgb16_trns", PNG_COLOR_TYPE_RGB, 16, false, true},
    {"gray1", PNG_COLOR_TYPE_GRAY, 1, false, false},
    {"gray2", PNG_COLOR_TYPE_GRAY, 2, false, false},
    {"gray4", PNG_COLOR_TYPE_GRAY, 4, false, false},
    {"gray8", PNG_COLOR_TYPE_GRAY, 8, false, false},
    {"gray16", PNG_COLOR_TYPE_GRAY, 16, false, false},
    {"gray2_trns", PNG_COLOR_TYPE_GRAY, 2, false, true},
    {"gray8_trns", PNG_COLOR_TYPE_GRAY, 8, false, true},
    {"gray16_trns", PNG_COLOR_TYPE_GRAY, 16, false, true},
    {"grayalpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false},
    {"grayalpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, false},
    {"palette1", PNG_COLOR_TYPE_PALETTE, 1, false, false},
    {"palette2", PNG_COLOR_TYPE_PALETTE, 2, false, false},
    {"palette4", PNG_COLOR_TYPE_PALETTE, 4, false, false},
    {"palette8", PNG_COLOR_TYPE_PALETTE, 8, false, false},
    {"palette4_trns", PNG_COLOR_TYPE_PALETTE, 4, false, true},
    {"palette8_trns", PNG_COLOR_TYPE_PALETTE, 8, false, true},
    {"rgba8_interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false},
    {"rgb16_interlaced", PNG_COLOR_TYPE_RGB, 16, true, false},
    {"gray1_interlaced", PNG_COLOR_TYPE_GRAY, 1, true, false},
    {"grayalpha16_interlaced", PNG_COLOR_TYPE_GRAY_ALPHA, 16, true, false},
    {"palette4_trns_interlaced", PNG_COLOR_TYPE_PALETTE, 4, true, true},
};

class PngFormats : public Images, public ::testing::WithParamInterface<PngCase> {};

TEST_P(PngFormats, FileAndMemoryGiveTheFilesPixels) {
    const PngCase& s = GetParam();
    std::string png = MakePng(s);
    ASSERT_TRUE(PlatImageLoadMemory(3, png.data(), static_cast<int64_t>(png.size())));
    ExpectImageMatches(3, s);
    std::string path = dir.path + "/" + s.label + ".png";
    WriteFile(path, png);
    ASSERT_TRUE(PlatImageLoadFile(4, path));
    ExpectImageMatches(4, s);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, PngFormats, ::testing::ValuesIn(PngCases),
                         [](const auto& param) { return std::string(param.param.label); });

// A small fixed picture for the BMP cases: colours, black, white, and alpha
// values including transparent-with-colour.
Rgba BmpPixel(int x, int y) {
    return {static_cast<uint8_t>(x * 40), static_cast<uint8_t>(y * 60),
            static_cast<uint8_t>((x + y) % 2 ? 255 : 0), static_cast<uint8_t>((x * 3 + y) * 20)};
}

TEST_F(Images, BmpLoadsWithAlphaOnlyWhenItHasAnAlphaChannel) {
    struct Case {
        int bits;
        bool transparency;
    } cases[] = {{8, false}, {24, false}, {32, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        const int w = 5, h = 3; // 5 pixels of 3 bytes: rows need padding
        std::string bmp = MakeBmp(w, h, c.bits, BmpPixel);
        ASSERT_TRUE(PlatImageLoadMemory(5, bmp.data(), static_cast<int64_t>(bmp.size())));
        ASSERT_EQ(PlatImageWidth(5), w);
        ASSERT_EQ(PlatImageHeight(5), h);
        EXPECT_EQ(PlatImageHasTransparency(5), c.transparency);
        const uint8_t* rgba = PlatImageRGBA(5);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                Rgba p = BmpPixel(x, y);
                EXPECT_EQ(PlatImagePixel(5, x, y), ReadBack(c.transparency, p)) << x << "," << y;
                EXPECT_EQ(rgba[(y * w + x) * 4 + 3], c.transparency ? p.a : 255);
            }
    }
}

TEST_F(Images, ContentDecidesTheFormatNotTheName) {
    std::string bmp = MakeBmp(2, 2, 24, BmpPixel);
    WriteFile(dir.path + "/picture.png", bmp);
    ASSERT_TRUE(PlatImageLoadFile(1, dir.path + "/picture.png"));
    EXPECT_EQ(PlatImagePixel(1, 1, 1), ReadBack(false, BmpPixel(1, 1)));

    std::string png = MakePng({"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false, 3, 2});
    WriteFile(dir.path + "/picture.bmp", png);
    ASSERT_TRUE(PlatImageLoadFile(2, dir.path + "/picture.bmp"));
    EXPECT_EQ(PlatImageWidth(2), 3);
}

TEST_F(Images, ReadBackAlphaRules) {
    // Alpha channel: transparent with colour and opaque black are both non-zero.
    PngCase rgba{"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false, 13, 7};
    std::string png = MakePng(rgba);
    ASSERT_TRUE(PlatImageLoadMemory(1, png.data(), static_cast<int64_t>(png.size())));
    bool sawTransparentColour = false, sawOpaque = false;
    for (int y = 0; y < 7; y++)
        for (int x = 0; x < 13; x++) {
            Rgba p = PngPixel(rgba, x, y);
            uint32_t v = PlatImagePixel(1, x, y);
            if (p.a == 0 && (p.r | p.g | p.b) != 0) {
                sawTransparentColour = true;
                EXPECT_NE(v, 0u);
                EXPECT_EQ(v >> 24, 0u);
            }
            if (p.a == 255) {
                sawOpaque = true;
                EXPECT_EQ(v >> 24, 255u);
            }
        }
    EXPECT_TRUE(sawTransparentColour && sawOpaque) << "pattern lacks the cases";

    // No transparency: black reads as 0, white without alpha.
    auto blackWhite = [](int x, int) {
        return x == 0 ? Rgba{0, 0, 0, 255} : Rgba{255, 255, 255, 255};
    };
    std::string bmp = MakeBmp(2, 1, 24, blackWhite);
    ASSERT_TRUE(PlatImageLoadMemory(2, bmp.data(), static_cast<int64_t>(bmp.size())));
    EXPECT_EQ(PlatImagePixel(2, 0, 0), 0u);
    EXPECT_EQ(PlatImagePixel(2, 1, 0), 0x00FFFFFFu);
}

TEST_F(Images, PixelsOutsideTheImageAndEmptyNumbersReadZero) {
    std::string bmp = MakeBmp(3, 2, 24, [](int, int) { return Rgba{9, 9, 9, 255}; });
    ASSERT_TRUE(PlatImageLoadMemory(1, bmp.data(), static_cast<int64_t>(bmp.size())));
    ASSERT_EQ(PlatImagePixel(1, 2, 1), 0x090909u);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {INT32_MIN, INT32_MAX}})
        EXPECT_EQ(PlatImagePixel(1, x, y), 0u) << x << "," << y;
    EXPECT_EQ(PlatImagePixel(7, 0, 0), 0u);
    EXPECT_FALSE(PlatImageExists(7));
    EXPECT_EQ(PlatImageWidth(7), 0);
    EXPECT_EQ(PlatImageRGBA(7), nullptr);
    EXPECT_FALSE(PlatImageHasTransparency(7));
}

TEST_F(Images, CreateMakesOpaqueBlank) {
    ASSERT_TRUE(PlatImageCreate(9, 1, 1, 32));
    EXPECT_EQ(PlatImageWidth(9), 1);
    EXPECT_EQ(PlatImageHeight(9), 1);
    EXPECT_EQ(PlatImagePixel(9, 0, 0), 0xFF000000u);
    const uint8_t* p = PlatImageRGBA(9);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ((std::vector<uint8_t>(p, p + 4)), (std::vector<uint8_t>{0, 0, 0, 255}));

    // Without an alpha channel it reads back 0 but still draws opaque.
    ASSERT_TRUE(PlatImageCreate(8, 4, 2, 24));
    EXPECT_EQ(PlatImagePixel(8, 3, 1), 0u);
    EXPECT_EQ(PlatImageRGBA(8)[(1 * 4 + 3) * 4 + 3], 255);
}

TEST_F(Images, BadNumbersAndSizesAreRefused) {
    std::string bmp = MakeBmp(1, 1, 24, BmpPixel);
    for (int n : {0, -1, PlatImageMaxNumber + 1, INT32_MAX}) {
        EXPECT_FALSE(PlatImageCreate(n, 1, 1, 32)) << n;
        EXPECT_FALSE(PlatImageLoadMemory(n, bmp.data(), static_cast<int64_t>(bmp.size()))) << n;
        EXPECT_FALSE(PlatImageExists(n));
    }
    EXPECT_TRUE(PlatImageCreate(PlatImageMaxNumber, 1, 1, 32));
    for (auto [w, h] : {std::pair{0, 1}, {1, 0}, {-5, 3}, {1 << 20, 1 << 20}, {INT32_MAX, 1}}) {
        ASSERT_TRUE(PlatImageCreate(2, 1, 1, 32));
        EXPECT_FALSE(PlatImageCreate(2, w, h, 32)) << w << "x" << h;
        EXPECT_FALSE(PlatImageExists(2)) << "a refused create leaves the number empty";
    }
}

// Loads `bytes` into number 6, which held an image before, and expects the
// load to fail and leave the number empty.
void ExpectRefused(const std::string& bytes, const std::string& what) {
    ASSERT_TRUE(PlatImageCreate(6, 2, 2, 32));
    EXPECT_FALSE(PlatImageLoadMemory(6, bytes.data(), static_cast<int64_t>(bytes.size()))) << what;
    EXPECT_FALSE(PlatImageExists(6)) << what;
}

TEST_F(Images, EveryTruncationOfAPngFails) {
    std::string png = MakePng({"rgba8_interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false});
    for (size_t n = 0; n < png.size(); n++)
        ExpectRefused(png.substr(0, n), "cut at " + std::to_string(n));
    std::string bmp = MakeBmp(5, 3, 24, BmpPixel);
    for (size_t n = 0; n < bmp.size(); n++)
        ExpectRefused(bmp.substr(0, n), "bmp cut at " + std::to_string(n));
}

// Offset of the first chunk of the given type in a PNG.
size_t FindChunk(const std::string& png, const char* type) {
    size_t at = png.find(type);
    return at == std::string::npos ? at : at - 4;
}

// Writes a big-endian 32-bit value.
void PutBe(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) s[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

// Recomputes the CRC of the chunk at `at`, so a changed field passes the check.
void FixCrc(std::string& png, size_t at) {
    uint32_t length = 0;
    for (int i = 0; i < 4; i++) length = length << 8 | static_cast<uint8_t>(png[at + i]);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + at + 4), length + 4);
    PutBe(png, at + 8 + length, static_cast<uint32_t>(crc));
}

TEST_F(Images, DamagedPngFailsSilently) {
    std::string png = MakePng({"rgb8", PNG_COLOR_TYPE_RGB, 8, false, false});
    size_t ihdr = FindChunk(png, "IHDR"), idat = FindChunk(png, "IDAT");
    ASSERT_NE(idat, std::string::npos);

    // Any changed byte inside the header or the pixel data.
    std::vector<size_t> positions;
    for (size_t i = 0; i < 13; i++) positions.push_back(ihdr + 8 + i);
    size_t idatLength =
        static_cast<uint8_t>(png[idat + 2]) << 8 | static_cast<uint8_t>(png[idat + 3]);
    for (size_t i = 0; i < idatLength; i++) positions.push_back(idat + 8 + i);
    for (size_t at : positions) {
        std::string bad = png;
        bad[at] = static_cast<char>(bad[at] ^ 0x5A);
        ExpectRefused(bad, "changed byte " + std::to_string(at));
    }

    // Valid CRCs around impossible contents.
    struct Patch {
        const char* what;
        uint32_t width, height;
        uint8_t depth, colorType;
    } patches[] = {
        {"huge size", 30000, 30000, 8, 2}, {"beyond the format", 0x7FFFFFFF, 1, 8, 2},
        {"zero width", 0, 7, 8, 2},        {"bad depth", 13, 7, 3, 2},
        {"bad colour type", 13, 7, 8, 5},  {"more rows than data", 13, 7000, 8, 2},
    };
    for (const Patch& p : patches) {
        std::string bad = png;
        PutBe(bad, ihdr + 8, p.width);
        PutBe(bad, ihdr + 12, p.height);
        bad[ihdr + 16] = static_cast<char>(p.depth);
        bad[ihdr + 17] = static_cast<char>(p.colorType);
        FixCrc(bad, ihdr);
        ExpectRefused(bad, p.what);
    }
}

TEST_F(Images, UnknownAndMissingDataFails) {
    ExpectRefused(std::string(64, '\0'), "zeros");
    ExpectRefused("GIF89a" + std::string(40, 'x'), "other format");
    ExpectRefused("BM" + std::string(100, '\xff'), "bmp header of garbage");
    ExpectRefused(std::string("\x89PNG\r\n\x1a\n", 8), "signature only");
    ASSERT_TRUE(PlatImageCreate(6, 1, 1, 32));
    EXPECT_FALSE(PlatImageLoadMemory(6, nullptr, 10));
    EXPECT_FALSE(PlatImageLoadMemory(6, "BM", 0));
    EXPECT_FALSE(PlatImageLoadMemory(6, "BM", -1));
    EXPECT_FALSE(PlatImageLoadFile(6, dir.path + "/missing.png"));
    EXPECT_FALSE(PlatImageLoadFile(6, dir.path));
    EXPECT_FALSE(PlatImageExists(6));
}

TEST_F(Images, LoadingAgainReplacesTheImage) {
    std::string small = MakeBmp(1, 1, 24, BmpPixel);
    std::string wide = MakePng({"rgb8", PNG_COLOR_TYPE_RGB, 8, false, false, 20, 3});
    ASSERT_TRUE(PlatImageLoadMemory(1, small.data(), static_cast<int64_t>(small.size())));
    ASSERT_TRUE(PlatImageLoadMemory(1, wide.data(), static_cast<int64_t>(wide.size())));
    EXPECT_EQ(PlatImageWidth(1), 20);
    EXPECT_FALSE(PlatImageHasTransparency(1));
    PlatImagesEnd();
    EXPECT_FALSE(PlatImageExists(1));
}

} // namespace
