// Loading sounds and images by logical name from loose files and zip packs,
// and the start-up asset table.
#include <gtest/gtest.h>

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "AssetTable.h"
#include "ImageTestFiles.h"
#include "IndexedFile.h"
#include "TestSupport.h"
#include "platform/PlatformFiles.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformSound.h"
#include "platform/PlatformZip.h"

namespace {

// Mono 16-bit PCM WAV of `frames` frames of a ramp.
std::string MakeWav(int frames) {
    std::string data;
    for (int i = 0; i < frames; i++)
        PutLe(data, static_cast<uint16_t>((i * 97) % 20000 - 10000), 2);
    std::string out = "RIFF";
    PutLe(out, static_cast<uint32_t>(36 + data.size()), 4);
    out += "WAVEfmt ";
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);         // PCM
    PutLe(out, 1, 2);         // mono
    PutLe(out, 22050, 4);     // rate
    PutLe(out, 22050 * 2, 4); // bytes per second
    PutLe(out, 2, 2);         // block align
    PutLe(out, 16, 2);        // bits
    out += "data";
    PutLe(out, static_cast<uint32_t>(data.size()), 4);
    return out + data;
}

// Mono Ogg Vorbis of `frames` frames of a 441 Hz sine at 44100 Hz.
std::string MakeOgg(int64_t frames) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 1, 44100, 0.3f) != 0) throw std::runtime_error("encoder");
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 7);
    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    std::string out;
    ogg_page page;
    auto append = [&]() {
        out.append(reinterpret_cast<const char*>(page.header), page.header_len);
        out.append(reinterpret_cast<const char*>(page.body), page.body_len);
    };
    while (ogg_stream_flush(&os, &page)) append();
    int64_t done = 0;
    for (bool last = false; !last;) {
        int n = static_cast<int>(std::min<int64_t>(1024, frames - done));
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&vd, n);
            for (int i = 0; i < n; i++)
                buffer[0][i] = 0.5f * std::sin(static_cast<float>(done + i) * 0.0628318f);
            done += n;
        }
        last = n <= 0;
        vorbis_analysis_wrote(&vd, last ? 0 : n);
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page)) append();
            }
        }
    }
    while (ogg_stream_flush(&os, &page)) append();
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

class AssetLoad : public ::testing::Test {
  protected:
    void SetUp() override {
        PlatImageRegisterPng();
        PlatSoundRegisterOgg();
    }
    void TearDown() override {
        PlatImagesEnd();
        PlatSoundEnd();
        PlatZipCloseAll();
        AssetIndex.clear();
    }

    // Writes a loose file and indexes it under `key`.
    void AddLoose(const std::string& key, const std::string& bytes) {
        std::string path = dir.path + "/loose/" + key;
        std::replace(path.begin(), path.end(), '\\', '/');
        WriteFile(path, bytes);
        index[key] = AssetEntry{0, path, static_cast<int32_t>(bytes.size())};
    }

    // Writes a pack holding `entries` (entry name, bytes) and opens it.
    int MakePack(const std::string& name,
                 const std::vector<std::pair<std::string, std::string>>& entries) {
        std::string path = dir.path + "/" + name;
        MakeZip(path, entries);
        int pack = PlatZipOpen(path);
        EXPECT_NE(pack, 0) << path;
        return pack;
    }

    TempDir dir;
    AssetMap index;
};

// Same size, transparency and pixels in both images.
void ExpectSameImage(int a, int b) {
    ASSERT_TRUE(PlatImageExists(a));
    ASSERT_TRUE(PlatImageExists(b));
    ASSERT_EQ(PlatImageWidth(a), PlatImageWidth(b));
    ASSERT_EQ(PlatImageHeight(a), PlatImageHeight(b));
    EXPECT_EQ(PlatImageHasTransparency(a), PlatImageHasTransparency(b));
    int w = PlatImageWidth(a), h = PlatImageHeight(a);
    std::vector<uint8_t> pa(PlatImageRGBA(a), PlatImageRGBA(a) + w * h * 4);
    std::vector<uint8_t> pb(PlatImageRGBA(b), PlatImageRGBA(b) + w * h * 4);
    EXPECT_EQ(pa, pb);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) ASSERT_EQ(PlatImagePixel(a, x, y), PlatImagePixel(b, x, y));
}

TEST_F(AssetLoad, PackedAndLooseImagesAreIdentical) {
    struct File {
        const char* key;
        std::string bytes;
    } files[] = {
        {"a\\rgba8.png", MakePng({"", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false})},
        {"a\\gray16.png", MakePng({"", PNG_COLOR_TYPE_GRAY, 16, false, false})},
        {"a\\palette.png", MakePng({"", PNG_COLOR_TYPE_PALETTE, 4, true, true})},
        {"a\\rgbkey.png", MakePng({"", PNG_COLOR_TYPE_RGB, 8, false, true})},
        {"b\\bmp24.png", MakeBmp(5, 3, 24,
                                 [](int x, int y) {
                                     return Rgba{uint8_t(x * 9), uint8_t(y), 7, 0};
                                 })},
        {"b\\bmp32.bmp", MakeBmp(4, 4, 32,
                                 [](int x, int y) {
                                     return Rgba{1, uint8_t(x), uint8_t(y), uint8_t(x * y * 16)};
                                 })},
    };
    std::vector<std::pair<std::string, std::string>> entries;
    for (const File& f : files) {
        std::string name = f.key;
        std::replace(name.begin(), name.end(), '\\', '/');
        entries.push_back({name, f.bytes});
    }
    int pack = MakePack("images.zip", entries);
    for (const File& f : files) {
        SCOPED_TRACE(f.key);
        std::string name = f.key;
        std::replace(name.begin(), name.end(), '\\', '/');
        AddLoose(f.key, f.bytes);
        index[std::string("packed\\") + f.key] =
            AssetEntry{pack, name, static_cast<int32_t>(f.bytes.size())};
        ASSERT_EQ(LoadIndexedImage(index, 1, f.key), 1);
        ASSERT_EQ(LoadIndexedImage(index, 2, std::string("packed\\") + f.key), 1);
        ExpectSameImage(1, 2);
        // Straight from the bytes, for a loader that would fail both ways alike.
        ASSERT_TRUE(PlatImageLoadMemory(3, f.bytes.data(), static_cast<int64_t>(f.bytes.size())));
        ExpectSameImage(1, 3);
    }
}

TEST_F(AssetLoad, NamesAreLowerCasedButSeparatorsKept) {
    std::string bmp = MakeBmp(2, 2, 24, [](int, int) { return Rgba{1, 2, 3, 255}; });
    AddLoose("textures\\orb.png", bmp);
    EXPECT_EQ(LoadIndexedImage(index, 8, "Textures\\ORB.png"), 1);
    EXPECT_EQ(PlatImageWidth(8), 2);
    EXPECT_EQ(LoadIndexedImage(index, 7, "textures/orb.png"), 0);
    EXPECT_FALSE(PlatImageExists(7));
    // A name the index lacks leaves the number as it was.
    ASSERT_TRUE(PlatImageCreate(5, 3, 3, 32));
    EXPECT_EQ(LoadIndexedImage(index, 5, "textures\\missing.png"), 0);
    EXPECT_EQ(PlatImageWidth(5), 3);

    std::string wav = MakeWav(100);
    AddLoose("sounds\\click.wav", wav);
    EXPECT_EQ(LoadIndexedSound(index, SoundClick, "Sounds\\Click.WAV", 0), 1);
    EXPECT_TRUE(PlatSoundExists(SoundClick));
    EXPECT_EQ(LoadIndexedSound(index, SoundHit, "sounds/click.wav", 0), 0);
    EXPECT_FALSE(PlatSoundExists(SoundHit));
}

TEST_F(AssetLoad, LooseFilesLoadFromTheirAbsolutePathWhereverWeAre) {
    AddLoose("maps\\testlevel\\color.png",
             MakePng({"", PNG_COLOR_TYPE_RGB, 8, false, false, 4, 4}));
    std::string saved = PlatCurrentDir();
    TempDir elsewhere;
    ASSERT_TRUE(PlatSetCurrentDir(elsewhere.path));
    int32_t loaded = LoadIndexedImage(index, 3, "maps\\testlevel\\color.png");
    PlatSetCurrentDir(saved);
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(PlatImageWidth(3), 4);
}

TEST_F(AssetLoad, PackEntryIsReadUpToItsDeclaredSizeOnly) {
    std::string png = MakePng({"", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false});
    std::string cut = png.substr(0, png.size() / 2);
    int pack = MakePack("p.zip", {{"x/full.png", png}, {"x/cut.png", cut}});
    const int32_t real = static_cast<int32_t>(png.size());
    struct Case {
        const char* what;
        int pack;
        const char* source;
        int32_t size;
        bool loads;
    } cases[] = {
        {"exact size", pack, "x/full.png", real, true},
        {"declared larger: zero tail", pack, "x/full.png", real + 4096, true},
        {"declared one byte short", pack, "x/full.png", real - 1, false},
        {"truncated entry", pack, "x/cut.png", static_cast<int32_t>(cut.size()), false},
        {"truncated entry declared whole", pack, "x/cut.png", real, false},
        {"entry missing from pack", pack, "x/none.png", real, false},
        {"name with other case", pack, "X/FULL.PNG", real, false},
        {"pack not open", pack + 1000, "x/full.png", real, false},
        {"zero size", pack, "x/full.png", 0, false},
        {"negative size", pack, "x/full.png", -1, false},
        {"most negative size", pack, "x/full.png", INT32_MIN, false},
        {"absurd size", pack, "x/full.png", INT32_MAX, false},
        {"beyond the packed limit", pack, "x/full.png", (256 << 20) + 1, false},
    };
    for (const Case& c : cases) {
        index["t.png"] = AssetEntry{c.pack, c.source, c.size};
        ASSERT_TRUE(PlatImageCreate(4, 1, 1, 32));
        EXPECT_EQ(LoadIndexedImage(index, 4, "t.png"), c.loads ? 1 : 0) << c.what;
        EXPECT_EQ(PlatImageWidth(4), c.loads ? 13 : 0) << c.what;
    }
}

TEST_F(AssetLoad, DamagedPackEntriesFailWithoutHarm) {
    std::string png = MakePng({"", PNG_COLOR_TYPE_RGB, 8, false, false, 64, 64});
    std::string path = dir.path + "/damaged.zip";
    MakeZip(path, {{"a.png", png}, {"b.png", png}});
    // Spoil the middle of the first entry's compressed data.
    std::string zip = ReadFileBytes(path);
    size_t data = 30 + 5; // local header and name, no extra field from libzip
    ASSERT_EQ(zip.compare(30, 5, "a.png"), 0);
    uint16_t extra = static_cast<uint8_t>(zip[28]) | static_cast<uint8_t>(zip[29]) << 8;
    data += extra;
    for (size_t i = 0; i < 8; i++)
        zip[data + 20 + i] = static_cast<char>(zip[data + 20 + i] ^ 0x33);
    WriteFile(path, zip);
    int pack = PlatZipOpen(path);
    ASSERT_NE(pack, 0);
    index["a.png"] = AssetEntry{pack, "a.png", static_cast<int32_t>(png.size())};
    index["b.png"] = AssetEntry{pack, "b.png", static_cast<int32_t>(png.size())};
    EXPECT_EQ(LoadIndexedImage(index, 1, "a.png"), 0);
    EXPECT_FALSE(PlatImageExists(1));
    EXPECT_EQ(LoadIndexedImage(index, 2, "b.png"), 1) << "the undamaged neighbour still loads";
}

// Mixes `frames` frames of `sound` played alone, once, at full volume.
std::vector<float> MixAlone(int sound, int frames) {
    std::vector<float> out(static_cast<size_t>(frames) * PlatSoundMixChannels);
    PlatSoundPlay(sound, 100, false);
    PlatSoundMix(out.data(), frames);
    PlatSoundStop(sound);
    return out;
}

TEST_F(AssetLoad, PackedAndLooseSoundsAreIdentical) {
    std::string wav = MakeWav(3000), ogg = MakeOgg(20000);
    AddLoose("sounds\\hit.wav", wav);
    AddLoose("sounds\\music.ogg", ogg);
    int pack = MakePack("s.zip", {{"hit.wav", wav}, {"music.ogg", ogg}});
    index["packed\\hit.wav"] = AssetEntry{pack, "hit.wav", static_cast<int32_t>(wav.size())};
    index["packed\\music.ogg"] = AssetEntry{pack, "music.ogg", static_cast<int32_t>(ogg.size())};

    ASSERT_EQ(LoadIndexedSound(index, 1, "sounds\\hit.wav", 0), 1);
    ASSERT_EQ(LoadIndexedSound(index, 2, "packed\\hit.wav", 0), 1);
    ASSERT_EQ(LoadIndexedSound(index, 3, "sounds\\music.ogg", 0), 1);
    ASSERT_EQ(LoadIndexedSound(index, 4, "packed\\music.ogg", 0), 1);
    EXPECT_GT(PlatSoundFrames(1), 0);
    EXPECT_EQ(PlatSoundFrames(1), PlatSoundFrames(2));
    EXPECT_GT(PlatSoundFrames(3), 0);
    EXPECT_EQ(PlatSoundFrames(3), PlatSoundFrames(4));
    EXPECT_EQ(MixAlone(1, 2048), MixAlone(2, 2048));
    EXPECT_EQ(MixAlone(3, 2048), MixAlone(4, 2048));
}

TEST_F(AssetLoad, StreamedSoundFromAPackKeepsItsBufferWhilePlaying) {
    std::string ogg = MakeOgg(44100 * 3);
    int pack = MakePack("m.zip", {{"sounds/music/turmoil_short.ogg", ogg}});
    index["sounds\\music\\turmoil_short.ogg"] =
        AssetEntry{pack, "sounds/music/turmoil_short.ogg", static_cast<int32_t>(ogg.size())};
    ASSERT_EQ(
        LoadIndexedSound(index, SoundMusic, "sounds\\music\\turmoil_short.ogg", SoundStreamed), 1);
    ASSERT_TRUE(PlatSoundIsStreamed(SoundMusic));
    int64_t before = PlatSoundSourceBytesRead(SoundMusic);
    // Decoding while it plays reads the block the load left behind; a freed
    // block shows here under the address sanitizer.
    PlatSoundPlay(SoundMusic, 100, true);
    std::vector<float> out(4096 * PlatSoundMixChannels);
    float loudest = 0;
    for (int i = 0; i < 40; i++) {
        PlatSoundMix(out.data(), 4096);
        for (float v : out) loudest = std::max(loudest, std::fabs(v));
    }
    EXPECT_GT(PlatSoundSourceBytesRead(SoundMusic), before);
    EXPECT_GT(loudest, 0.2f);

    // Loading the number again replaces the stream, whose block goes with it.
    std::string wav = MakeWav(10);
    int other = MakePack("w.zip", {{"w.wav", wav}});
    index["w.wav"] = AssetEntry{other, "w.wav", static_cast<int32_t>(wav.size())};
    ASSERT_EQ(LoadIndexedSound(index, SoundMusic, "w.wav", SoundStreamed), 1);
    EXPECT_FALSE(PlatSoundIsStreamed(SoundMusic)) << "WAV loads whole even when asked to stream";
    EXPECT_GT(PlatSoundFrames(SoundMusic), 0);
}

TEST_F(AssetLoad, UndecodableSoundsFailAndLeaveTheNumberEmpty) {
    std::string wav = MakeWav(50);
    int pack = MakePack("bad.zip",
                        {{"zeros.wav", std::string(200, '\0')}, {"cut.wav", wav.substr(0, 20)}});
    struct Case {
        const char* what;
        AssetEntry entry;
        int32_t flags;
    } cases[] = {
        {"zeros", {pack, "zeros.wav", 200}, 0},
        {"zeros streamed", {pack, "zeros.wav", 200}, SoundStreamed},
        {"cut header", {pack, "cut.wav", 20}, 0},
        {"missing entry", {pack, "none.wav", 100}, SoundStreamed},
        {"negative size", {pack, "zeros.wav", -200}, 0},
        {"absurd size", {pack, "zeros.wav", INT32_MAX}, SoundStreamed},
        {"missing loose file", {0, dir.path + "/none.wav", 100}, 0},
    };
    for (const Case& c : cases) {
        index["s.wav"] = c.entry;
        EXPECT_EQ(LoadIndexedSound(index, 2, "s.wav", c.flags), 0) << c.what;
        EXPECT_FALSE(PlatSoundExists(2)) << c.what;
    }
}

TEST_F(AssetLoad, LoadAssetsWithoutDataStillCreatesThePixel) {
    CreateAssetIndex();
    LoadAssets();
    for (int n = ImagePlayerCollision; n <= ImageOrb; n++) EXPECT_FALSE(PlatImageExists(n)) << n;
    for (int n = SoundMusic; n <= SoundHit; n++) EXPECT_FALSE(PlatSoundExists(n)) << n;
    ASSERT_TRUE(PlatImageExists(ImagePixel));
    EXPECT_EQ(PlatImageWidth(ImagePixel), 1);
    EXPECT_EQ(PlatImageHeight(ImagePixel), 1);
    EXPECT_EQ(PlatImagePixel(ImagePixel, 0, 0), 0xFF000000u);
}

TEST_F(AssetLoad, LoadAssetsLoadsTheTableFromIndexedRoots) {
    // Two roots as the launcher names them: part loose, part packed, one
    // image a BMP under its .png name, and the second root overriding one.
    std::string root = dir.path + "/data";
    auto png = [](int w, int h) {
        return MakePng({"", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false, w, h});
    };
    WriteFile(root + "/base/textures/player/collision.png", png(16, 32));
    WriteFile(root + "/base/maps/testlevel/collision.png", png(40, 30));
    WriteFile(root + "/base/maps/testlevel/color.png", MakeBmp(40, 30, 24, [](int x, int y) {
                  return Rgba{uint8_t(x), uint8_t(y), 0, 255};
              }));
    WriteFile(root + "/base/sounds/click.wav", MakeWav(100));
    MakeZip(root + "/base/player.zip", {{"textures/player/stand.png", png(32, 32)},
                                        {"textures/player/walk.png", png(64, 32)},
                                        {"textures/player/jump.png", png(32, 32)},
                                        {"textures/player/run.png", png(96, 32)}});
    MakeZip(root + "/base/sounds.zip", {{"sounds/launch.wav", MakeWav(200)},
                                        {"sounds/hit.wav", MakeWav(300)},
                                        {"sounds/music/turmoil_short.ogg", MakeOgg(30000)}});
    WriteFile(root + "/base/textures/orb.png", png(8, 8));
    WriteFile(root + "/kl/textures/orb.png", png(12, 12));

    CreateAssetIndex();
    std::string saved = PlatCurrentDir();
    for (const char* r : {"/base", "/kl"}) {
        ASSERT_TRUE(PlatSetCurrentDir(root + r));
        IndexDirectory(AssetIndex, "", 16);
    }
    PlatSetCurrentDir(saved);
    LoadAssets();

    struct Want {
        int image, width, height;
    } wants[] = {{ImagePlayerCollision, 16, 32},
                 {ImageLevelCollision, 40, 30},
                 {ImageLevelColor, 40, 30},
                 {ImagePlayerStand, 32, 32},
                 {ImagePlayerWalk, 64, 32},
                 {ImagePlayerJump, 32, 32},
                 {ImagePlayerRun, 96, 32},
                 {ImageOrb, 12, 12},
                 {ImagePixel, 1, 1}};
    for (const Want& w : wants) {
        EXPECT_EQ(PlatImageWidth(w.image), w.width) << w.image;
        EXPECT_EQ(PlatImageHeight(w.image), w.height) << w.image;
    }
    EXPECT_EQ(PlatImagePixel(ImageLevelColor, 5, 7), 0x000705u) << "BMP without alpha";
    EXPECT_TRUE(PlatSoundIsStreamed(SoundMusic));
    EXPECT_GT(PlatSoundFrames(SoundClick), 0);
    EXPECT_GT(PlatSoundFrames(SoundLaunch), PlatSoundFrames(SoundClick));
    EXPECT_GT(PlatSoundFrames(SoundHit), PlatSoundFrames(SoundLaunch));
}

} // namespace
