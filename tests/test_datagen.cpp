// The generated data sets: every asset present under its logical name with
// the documented source, a closed level the player can stand in, sheets the
// animation can cut, sounds and a seamless music loop, and the same bytes on
// every run of the generator.
#include <gtest/gtest.h>

#include <png.h>
#include <vorbis/vorbisfile.h>
#include <zip.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>

#include "IndexedFile.h"
#include "TestSupport.h"
#include "platform/PlatformFiles.h"
#include "platform/PlatformZip.h"

namespace fs = std::filesystem;

namespace {

const std::string DataDir = std::string(VREM_BUILD_DIR) + "/data";

// A decoded image: pixels as 0xAABBGGRR, rows from the top.
struct Rgba {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Returns the PNG decoded from `bytes`; an empty image when it does not decode.
Rgba DecodePng(const std::string& bytes) {
    Rgba out;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return out;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> raw(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, raw.data(), 0, nullptr)) return out;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.pixels.resize(raw.size() / 4);
    for (size_t i = 0; i < out.pixels.size(); ++i)
        out.pixels[i] = raw[4 * i] | raw[4 * i + 1] << 8 | raw[4 * i + 2] << 16 |
                        static_cast<uint32_t>(raw[4 * i + 3]) << 24;
    return out;
}

// Returns the bytes of an entry of a zip file read with libzip; empty on failure.
std::string ZipEntry(const std::string& zipPath, const std::string& name) {
    int error = 0;
    zip_t* zip = zip_open(zipPath.c_str(), ZIP_RDONLY, &error);
    if (!zip) return {};
    std::string bytes;
    zip_stat_t st;
    if (zip_stat(zip, name.c_str(), 0, &st) == 0) {
        zip_file_t* file = zip_fopen(zip, name.c_str(), 0);
        if (file) {
            bytes.resize(st.size);
            if (zip_fread(file, bytes.data(), st.size) != static_cast<zip_int64_t>(st.size))
                bytes.clear();
            zip_fclose(file);
        }
    }
    zip_close(zip);
    return bytes;
}

// The two data roots indexed as the game's start does it ("ld:" each, in order).
class DataSet : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        CreateAssetIndex();
        std::string start = PlatCurrentDir();
        for (const char* root : {"base", "kl"}) {
            ASSERT_TRUE(PlatSetCurrentDir(DataDir + "/" + root));
            IndexDirectory(AssetIndex, "", 16);
            PlatSetCurrentDir(start);
        }
    }
    static void TearDownTestSuite() {
        AssetIndex.clear();
        PlatZipCloseAll();
    }
    // Returns the bytes the index leads to for a logical name; empty if absent.
    static std::string Asset(const std::string& name) {
        auto found = AssetIndex.find(name);
        if (found == AssetIndex.end()) return {};
        const AssetEntry& entry = found->second;
        std::string bytes;
        if (entry.pack == 0) {
            PlatReadFile(entry.source, &bytes);
        } else {
            bytes.resize(static_cast<size_t>(std::max(entry.size, 0)));
            if (PlatZipRead(entry.pack, bytes.data(), entry.size, entry.source) != entry.size)
                bytes.clear();
        }
        return bytes;
    }
};

// Where each asset is expected to come from after the two roots are laid over
// each other.
enum class From { BaseLoose, KlLoose, BasePack, KlPack };

struct Expected {
    const char* name;
    From from;
};

const Expected Assets[] = {
    {"maps\\testlevel\\collision.png", From::BaseLoose},
    {"maps\\testlevel\\color.png", From::KlLoose}, // later root's loose file wins
    {"textures\\player\\collision.png", From::BaseLoose},
    {"textures\\player\\stand.png", From::BaseLoose}, // loose beats kl's pack entry
    {"textures\\player\\walk.png", From::BaseLoose},
    {"textures\\player\\jump.png", From::BaseLoose},
    {"textures\\player\\run.png", From::BaseLoose},
    {"textures\\orb.png", From::KlPack}, // later pack wins
    {"sounds\\click.wav", From::BasePack},
    {"sounds\\launch.wav", From::BasePack},
    {"sounds\\hit.wav", From::KlPack},
    {"sounds\\music\\turmoil_short.ogg", From::BaseLoose},
};

TEST_F(DataSet, EveryAssetIsIndexedFromItsDocumentedSource) {
    for (const Expected& e : Assets) {
        SCOPED_TRACE(e.name);
        auto found = AssetIndex.find(e.name);
        ASSERT_NE(found, AssetIndex.end());
        const AssetEntry& entry = found->second;
        std::string relative = e.name;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        std::string source = entry.source;
        std::replace(source.begin(), source.end(), '\\', '/');
        switch (e.from) {
        case From::BaseLoose:
        case From::KlLoose: {
            EXPECT_EQ(entry.pack, 0);
            std::string root = e.from == From::BaseLoose ? "/base/" : "/kl/";
            ASSERT_GE(source.size(), root.size() + relative.size());
            EXPECT_EQ(source.substr(source.size() - root.size() - relative.size()),
                      root + relative);
            break;
        }
        case From::BasePack:
        case From::KlPack: {
            EXPECT_NE(entry.pack, 0);
            std::string pack =
                e.from == From::BasePack ? DataDir + "/base/base.zip" : DataDir + "/kl/kl.zip";
            std::string expected = ZipEntry(pack, relative);
            ASSERT_FALSE(expected.empty());
            EXPECT_EQ(Asset(e.name), expected);
            break;
        }
        }
        EXPECT_GT(Asset(e.name).size(), 0u);
    }
}

TEST_F(DataSet, OverriddenAssetsReallyDiffer) {
    // An override that repeats the bytes it replaces would show nothing.
    EXPECT_NE(ReadFileBytes(DataDir + "/base/maps/testlevel/color.png"),
              ReadFileBytes(DataDir + "/kl/maps/testlevel/color.png"));
    EXPECT_NE(ZipEntry(DataDir + "/base/base.zip", "textures/orb.png"),
              ZipEntry(DataDir + "/kl/kl.zip", "textures/orb.png"));
    EXPECT_NE(ZipEntry(DataDir + "/base/base.zip", "sounds/hit.wav"),
              ZipEntry(DataDir + "/kl/kl.zip", "sounds/hit.wav"));
    EXPECT_NE(ReadFileBytes(DataDir + "/base/textures/player/stand.png"),
              ZipEntry(DataDir + "/kl/kl.zip", "textures/player/stand.png"));
}

TEST_F(DataSet, PacksAreConsistentZipArchives) {
    for (const char* pack : {"/base/base.zip", "/kl/kl.zip"}) {
        SCOPED_TRACE(pack);
        int error = 0;
        zip_t* zip = zip_open((DataDir + pack).c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
        ASSERT_NE(zip, nullptr) << "libzip error " << error;
        zip_int64_t count = zip_get_num_entries(zip, 0);
        EXPECT_GT(count, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            zip_stat_t st;
            ASSERT_EQ(zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &st), 0);
            std::string bytes = ZipEntry(DataDir + pack, st.name);
            EXPECT_EQ(bytes.size(), st.size) << st.name; // CRC checked on the way
        }
        zip_close(zip);
    }
}

// The level's collision picture with the player's mask, and helpers that
// place the mask as the game does (centre cell on the position).
class Level : public DataSet {
  protected:
    static void SetUpTestSuite() {
        DataSet::SetUpTestSuite();
        level = DecodePng(Asset("maps\\testlevel\\collision.png"));
        player = DecodePng(Asset("textures\\player\\collision.png"));
    }
    // Returns whether the image pixel is solid (outside counts as empty).
    static bool Solid(int ix, int iy) {
        if (ix < 0 || iy < 0 || ix >= level.width || iy >= level.height) return false;
        return level.At(ix, iy) != 0;
    }
    // Returns whether the player's mask at world (x, y) touches the level.
    static bool Blocked(int x, int y) {
        int left = x - (player.width - 1) / 2 + (level.width - 1) / 2;
        int top = y - (player.height - 1) / 2 + (level.height - 1) / 2;
        for (int cy = 0; cy < player.height; ++cy)
            for (int cx = 0; cx < player.width; ++cx)
                if (player.At(cx, cy) != 0 && Solid(left + cx, top + cy)) return true;
        return false;
    }
    // Image row of the mask's bottom row for a player at world row y.
    static int FeetRow(int y) {
        return y + (player.height - 1) - (player.height - 1) / 2 + (level.height - 1) / 2;
    }
    static Rgba level;
    static Rgba player;
};
Rgba Level::level;
Rgba Level::player;

TEST_F(Level, IsFarLargerThanTheViewAndMatchesItsPicture) {
    ASSERT_GT(level.width, 0);
    // Zoom 4 in an 800 × 600 window shows 200 × 150 world pixels.
    EXPECT_GE(level.width, 4 * 200);
    EXPECT_GE(level.height, 4 * 150);
    Rgba color = DecodePng(Asset("maps\\testlevel\\color.png"));
    EXPECT_EQ(color.width, level.width);
    EXPECT_EQ(color.height, level.height);
    for (uint32_t p : color.pixels) ASSERT_EQ(p >> 24, 0xffu) << "the background has holes";
}

TEST_F(Level, TerrainIsOpaqueAndEmptySpaceIsTransparentBlack) {
    // A see-through pixel would still be solid: terrain is opaque or absent.
    size_t solid = 0;
    for (uint32_t p : level.pixels) {
        ASSERT_TRUE(p == 0 || (p >> 24) == 0xffu) << std::hex << p;
        solid += p != 0;
    }
    EXPECT_GT(solid, level.pixels.size() / 10);
    EXPECT_LT(solid, level.pixels.size() * 9 / 10);
}

TEST_F(Level, SpawnIsFreeWithFloorRightUnderIt) {
    ASSERT_GT(player.width, 0);
    EXPECT_FALSE(Blocked(0, 100));
    EXPECT_TRUE(Blocked(0, 101)); // standing on the floor, not falling into it
    // The first moves (vx 3, vy -2, gravity) stay clear of walls and ceiling.
    for (int dx = -3; dx <= 6; ++dx)
        for (int dy = -8; dy <= 0; ++dy) EXPECT_FALSE(Blocked(dx, 100 + dy)) << dx << "," << dy;
}

// Returns the empty cells reachable from the spawn (4-connected), marking 1.
std::vector<uint8_t> FloodFromSpawn(const Rgba& level, bool& reachedBorder) {
    std::vector<uint8_t> seen(level.pixels.size(), 0);
    int sx = (level.width - 1) / 2, sy = (level.height - 1) / 2 + 100;
    std::deque<std::pair<int, int>> todo{{sx, sy}};
    seen[static_cast<size_t>(sy) * level.width + sx] = 1;
    reachedBorder = false;
    while (!todo.empty()) {
        auto [x, y] = todo.front();
        todo.pop_front();
        if (x == 0 || y == 0 || x == level.width - 1 || y == level.height - 1) reachedBorder = true;
        const int step[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        for (const auto& s : step) {
            int nx = x + s[0], ny = y + s[1];
            if (nx < 0 || ny < 0 || nx >= level.width || ny >= level.height) continue;
            size_t k = static_cast<size_t>(ny) * level.width + nx;
            if (seen[k] || level.pixels[k] != 0) continue;
            seen[k] = 1;
            todo.emplace_back(nx, ny);
        }
    }
    return seen;
}

TEST_F(Level, IsAClosedWorldAroundTheSpawn) {
    ASSERT_EQ(level.At((level.width - 1) / 2, (level.height - 1) / 2 + 100), 0u);
    bool reachedBorder = true;
    std::vector<uint8_t> open = FloodFromSpawn(level, reachedBorder);
    EXPECT_FALSE(reachedBorder);
    size_t count = std::count(open.begin(), open.end(), 1);
    EXPECT_GT(count, level.pixels.size() / 4) << "the open world is only a pocket";
}

// Counts the places where a player standing on the floor meets a rise of
// exactly `rise` pixels (either direction) with room to stand on top of it.
int CountRises(int rise, const Rgba& level, const Rgba& player, bool (*blocked)(int, int),
               int (*feetRow)(int)) {
    int found = 0;
    int cx = (level.width - 1) / 2, cy = (level.height - 1) / 2;
    int reachRight = (player.width - 1) - (player.width - 1) / 2 + 1;
    int reachLeft = -(player.width - 1) / 2 - 1;
    auto solid = [&](int ix, int iy) {
        return ix >= 0 && iy >= 0 && ix < level.width && iy < level.height && level.At(ix, iy) != 0;
    };
    for (int x = -cx + 8; x < level.width - cx - 8; ++x) {
        for (int y = -cy + 20; y < level.height - cy - 20; ++y) {
            // Standing at (x, y): free, and resting on something. The row
            // under the feet is checked first as a cheap filter.
            int feet = feetRow(y);
            bool ground = false;
            for (int k = reachLeft + 1; k < reachRight && !ground; ++k)
                ground = solid(x + cx + k, feet + 1);
            if (!ground || solid(x + cx, feet)) continue;
            if (blocked(x, y) || !blocked(x, y + 1)) continue;
            for (int dir : {-1, 1}) {
                // The column just beyond the mask's edge rises by `rise`...
                int edge = x + cx + (dir > 0 ? reachRight : reachLeft);
                bool rises = !solid(edge, feet - rise);
                for (int k = 0; k < rise; ++k) rises = rises && solid(edge, feet - k);
                // ...and the player fits standing on top, one step further.
                if (rises && !blocked(x + dir, y - rise) && blocked(x + dir, y - rise + 1)) ++found;
            }
        }
    }
    return found;
}

TEST_F(Level, HasClimbableOnePixelStepsAndBlockingTwoPixelSteps) {
    EXPECT_GE(CountRises(1, level, player, Blocked, FeetRow), 10);
    EXPECT_GE(CountRises(2, level, player, Blocked, FeetRow), 1);
}

// Animation sheets: one row of square 32-pixel frames.
TEST_F(DataSet, SheetsAreRowsOfSquareFramesWithTheFeetOnTheMask) {
    Rgba mask = DecodePng(Asset("textures\\player\\collision.png"));
    ASSERT_GT(mask.height, 0);
    // Frame row of the mask's bottom row: frames are drawn centred on the
    // player's position like the mask.
    int feetRow = 16 + (mask.height - 1) - (mask.height - 1) / 2;
    const struct {
        const char* name;
        int minFrames;
        bool grounded;
    } sheets[] = {{"textures\\player\\stand.png", 1, true},
                  {"textures\\player\\walk.png", 6, true},
                  {"textures\\player\\jump.png", 1, false},
                  {"textures\\player\\run.png", 6, true}};
    for (const auto& s : sheets) {
        SCOPED_TRACE(s.name);
        Rgba sheet = DecodePng(Asset(s.name));
        ASSERT_EQ(sheet.height, 32);
        ASSERT_EQ(sheet.width % 32, 0);
        int frames = sheet.width / 32;
        EXPECT_GE(frames, s.minFrames);
        for (int f = 0; f < frames; ++f) {
            int lowest = -1, filled = 0;
            bool translucent = false;
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x) {
                    uint32_t p = sheet.At(f * 32 + x, y);
                    if (p == 0) continue;
                    ++filled;
                    lowest = y;
                    translucent = translucent || (p >> 24) != 0xffu;
                }
            EXPECT_GT(filled, 100) << "frame " << f;
            EXPECT_LT(filled, 32 * 32 / 2) << "frame " << f << " has no transparent room";
            EXPECT_FALSE(translucent) << "frame " << f;
            if (s.grounded) {
                EXPECT_EQ(lowest, feetRow) << "frame " << f << " floats or sinks";
            }
        }
    }
}

TEST_F(DataSet, OrbIsSquareWithASoftGlow) {
    Rgba orb = DecodePng(Asset("textures\\orb.png"));
    ASSERT_GT(orb.height, 0);
    EXPECT_EQ(orb.width, orb.height); // its mask is height × height
    EXPECT_LE(orb.height, 16);
    bool soft = false, opaque = false;
    for (uint32_t p : orb.pixels) {
        soft = soft || ((p >> 24) > 0 && (p >> 24) < 0xff);
        opaque = opaque || (p >> 24) == 0xff;
    }
    EXPECT_TRUE(soft);
    EXPECT_TRUE(opaque);
    EXPECT_EQ(orb.At(0, 0), 0u);
}

// Returns the little-endian value of `n` bytes at `at`.
uint32_t LE(const std::string& b, size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
    return v;
}

TEST_F(DataSet, EffectsAreShortPcmWaves) {
    for (const char* name : {"sounds\\click.wav", "sounds\\launch.wav", "sounds\\hit.wav"}) {
        SCOPED_TRACE(name);
        std::string wav = Asset(name);
        ASSERT_GE(wav.size(), 44u);
        EXPECT_EQ(wav.substr(0, 4), "RIFF");
        EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(LE(wav, 20, 2), 1u); // PCM
        uint32_t channels = LE(wav, 22, 2), rate = LE(wav, 24, 4), bits = LE(wav, 34, 2);
        EXPECT_EQ(wav.substr(36, 4), "data");
        uint32_t bytes = LE(wav, 40, 4);
        ASSERT_EQ(wav.size(), 44u + bytes);
        double seconds = static_cast<double>(bytes) / (channels * rate * bits / 8);
        EXPECT_GT(seconds, 0.05);
        EXPECT_LT(seconds, 1.0);
        // Silent ends: no click when it starts or stops.
        EXPECT_EQ(static_cast<int16_t>(LE(wav, 44, 2)), 0);
        EXPECT_EQ(static_cast<int16_t>(LE(wav, wav.size() - 2, 2)), 0);
    }
}

TEST_F(DataSet, MusicIsAVorbisLoopOfTwentySecondsWithoutASeam) {
    auto found = AssetIndex.find("sounds\\music\\turmoil_short.ogg");
    ASSERT_NE(found, AssetIndex.end());
    std::string path = found->second.source;
    std::replace(path.begin(), path.end(), '\\', '/');
    OggVorbis_File vf;
    ASSERT_EQ(ov_fopen(path.c_str(), &vf), 0);
    EXPECT_GE(ov_time_total(&vf, -1), 20.0);
    int channels = ov_info(&vf, -1)->channels;
    std::vector<float> first(static_cast<size_t>(channels)), last(first.size());
    double stepSum = 0;
    long steps = 0;
    bool haveFirst = false;
    std::vector<float> previous(first.size());
    for (;;) {
        float** pcm = nullptr;
        int section = 0;
        long n = ov_read_float(&vf, &pcm, 4096, &section);
        if (n <= 0) break;
        for (long i = 0; i < n; ++i) {
            for (int c = 0; c < channels; ++c) {
                float v = pcm[c][i];
                if (!haveFirst)
                    first[c] = v;
                else {
                    stepSum += std::fabs(v - previous[c]);
                    ++steps;
                }
                previous[c] = v;
            }
            haveFirst = true;
        }
    }
    ov_clear(&vf);
    last = previous;
    ASSERT_GT(steps, 0);
    double meanStep = stepSum / steps;
    for (int c = 0; c < channels; ++c)
        EXPECT_LT(std::fabs(first[c] - last[c]), std::max(6 * meanStep, 0.02))
            << "a click where the loop wraps, channel " << c;
}

// Returns every file under `root` by relative path, with its bytes.
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).generic_string()] =
                ReadFileBytes(entry.path().string());
    return files;
}

TEST(DataGenerator, WritesTheSameBytesOnEveryRun) {
    TempDir a, b;
    for (const TempDir* dir : {&a, &b}) {
        RunResult run = RunProgram({VREM_DATAGEN, dir->path}, dir->path);
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }
    auto first = Tree(a.path), second = Tree(b.path);
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, second);
    // The build tree's data is what the current generator writes.
    std::map<std::string, std::string> built;
    for (const char* root : {"base", "kl"})
        for (auto& [name, bytes] : Tree(DataDir + "/" + root))
            built[std::string(root) + "/" + name] = bytes;
    EXPECT_EQ(first, built);
}

TEST(DataGenerator, RefusesAMissingOutputFolderArgument) {
    RunResult run = RunProgram({VREM_DATAGEN}, VREM_BUILD_DIR);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find("usage"), std::string::npos);
}

} // namespace
