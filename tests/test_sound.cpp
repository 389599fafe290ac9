// Sound loading, mixing, streaming and the audio device, on real WAV and Ogg
// Vorbis data made here.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <SDL.h>
#include <vorbis/vorbisenc.h>

#include "TestSupport.h"
#include "platform/PlatformSound.h"

namespace {

constexpr double Pi = 3.14159265358979323846;

void Put16(std::string* s, uint32_t v) {
    s->push_back(static_cast<char>(v & 0xFF));
    s->push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string* s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

struct WavFormat {
    uint16_t tag; // 1 integer PCM, 3 float
    uint16_t channels;
    uint32_t rate;
    uint16_t bits;
};

// A RIFF/WAVE file holding `data` as its sample bytes.
std::string MakeWav(WavFormat f, const std::string& data) {
    std::string w = "RIFF";
    Put32(&w, static_cast<uint32_t>(36 + data.size()));
    w += "WAVEfmt ";
    Put32(&w, 16);
    Put16(&w, f.tag);
    Put16(&w, f.channels);
    Put32(&w, f.rate);
    Put32(&w, f.rate * f.channels * f.bits / 8);
    Put16(&w, static_cast<uint16_t>(f.channels * f.bits / 8));
    Put16(&w, f.bits);
    w += "data";
    Put32(&w, static_cast<uint32_t>(data.size()));
    return w + data;
}

// 16-bit samples as little-endian bytes.
std::string Pcm16(const std::vector<int16_t>& samples) {
    std::string s;
    for (int16_t v : samples) Put16(&s, static_cast<uint16_t>(v));
    return s;
}

// Stereo 16-bit WAV at 44100 Hz whose every sample is non-zero and distinct:
// frame i holds (i + 1) * 100 on the left and -(i + 1) * 50 on the right.
std::string RampWav(int frames, std::vector<float>* expect) {
    std::vector<int16_t> samples;
    for (int i = 0; i < frames; ++i) {
        samples.push_back(static_cast<int16_t>((i + 1) * 100));
        samples.push_back(static_cast<int16_t>(-(i + 1) * 50));
    }
    if (expect)
        for (int16_t v : samples) expect->push_back(static_cast<float>(v) / 32768.0f);
    return MakeWav({1, 2, 44100, 16}, Pcm16(samples));
}

// An Ogg Vorbis file of `frames` frames whose channel c at frame i is
// `sample(i, c)`; encoded at `quality` (-0.1 to 1).
std::string MakeOgg(int channels, long rate, int64_t frames, float quality,
                    const std::function<float(int64_t, int)>& sample) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0)
        throw std::runtime_error("vorbis encoder refused the format");
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 4711);
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
    bool ended = false, eos = false;
    while (!eos) {
        if (done < frames) {
            int n = static_cast<int>(std::min<int64_t>(1024, frames - done));
            float** buffer = vorbis_analysis_buffer(&vd, n);
            for (int c = 0; c < channels; ++c)
                for (int i = 0; i < n; ++i) buffer[c][i] = sample(done + i, c);
            vorbis_analysis_wrote(&vd, n);
            done += n;
        } else if (!ended) {
            vorbis_analysis_wrote(&vd, 0);
            ended = true;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page)) {
                    append();
                    if (ogg_page_eos(&page)) eos = true;
                }
            }
        }
        if (ended && !eos) {
            while (ogg_stream_flush(&os, &page)) {
                append();
                if (ogg_page_eos(&page)) eos = true;
            }
            eos = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

// One second of a 441 Hz sine at amplitude 0.5 (a whole number of periods,
// so looping it is seamless), stereo at 44100 Hz.
const std::string& SineOgg() {
    static const std::string ogg = MakeOgg(2, 44100, 44100, 0.4f, [](int64_t i, int) {
        return static_cast<float>(0.5 * std::sin(2 * Pi * 441.0 * static_cast<double>(i) / 44100));
    });
    return ogg;
}

// `seconds` of stereo noise: many pages, hardly compressible.
std::string NoiseOgg(int seconds) {
    uint32_t state = 12345;
    return MakeOgg(2, 44100, int64_t{44100} * seconds, 0.6f, [&state](int64_t, int) {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
    });
}

// Root mean square of the left channel over frames [from, to).
double RmsLeft(const std::vector<float>& mix, int from, int to) {
    double sum = 0;
    for (int i = from; i < to; ++i) sum += double{mix[i * 2]} * mix[i * 2];
    return std::sqrt(sum / (to - from));
}

// Every test starts without an audio device, Ogg registered, and ends the
// sound service so the next starts clean.
class Sound : public ::testing::Test {
  protected:
    void SetUp() override { Start("vrem-no-such-driver"); }
    void TearDown() override { PlatSoundEnd(); }

    // Restarts the sound service on the SDL audio driver `driver`.
    void Start(const char* driver) {
        PlatSoundEnd();
        setenv("SDL_AUDIODRIVER", driver, 1);
        PlatSoundInit();
        PlatSoundRegisterOgg();
    }

    // The next `frames` frames of the mix.
    static std::vector<float> Mix(int frames) {
        std::vector<float> out(static_cast<size_t>(frames) * 2, 99.0f);
        PlatSoundMix(out.data(), frames);
        return out;
    }

    // Mixes in pieces until `sound` stops (at most `limit` frames); returns
    // everything mixed.
    static std::vector<float> MixUntilStopped(int sound, int limit) {
        std::vector<float> all;
        while (PlatSoundPlaying(sound) && static_cast<int>(all.size() / 2) < limit) {
            std::vector<float> piece = Mix(1000);
            all.insert(all.end(), piece.begin(), piece.end());
        }
        return all;
    }

    static bool LoadBytes(int sound, const std::string& bytes, int flags) {
        return PlatSoundLoadMemory(sound, bytes.data(), static_cast<int64_t>(bytes.size()), flags);
    }
};

TEST_F(Sound, WithoutDeviceLoadsWorkAndPlayingIsSilentAndQuick) {
    EXPECT_FALSE(PlatSoundDeviceOpen());
    ASSERT_TRUE(LoadBytes(1, RampWav(100, nullptr), 0));
    ASSERT_TRUE(LoadBytes(2, SineOgg(), PlatSoundStreamed));
    PlatSoundPlay(1, 100, true);
    PlatSoundPlay(2, 20, true);
    PlatSoundStop(1);
    PlatSoundPlay(7, 50, false); // an empty number does nothing
    EXPECT_TRUE(PlatSoundPlaying(2));
    EXPECT_FALSE(PlatSoundPlaying(1));
    EXPECT_FALSE(PlatSoundExists(7));
}

TEST_F(Sound, VolumeScalesAmplitudeAndIsClampedTo0To100) {
    std::vector<float> source;
    ASSERT_TRUE(LoadBytes(1, RampWav(100, &source), 0));
    ASSERT_EQ(PlatSoundFrames(1), 100);
    struct Case {
        int volume;
        float gain;
    } cases[] = {{100, 1.0f}, {50, 0.5f}, {20, 0.2f}, {0, 0.0f}, {250, 1.0f}, {-7, 0.0f}};
    for (const Case& c : cases) {
        PlatSoundPlay(1, c.volume, false);
        std::vector<float> out = Mix(100);
        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_NEAR(out[i], source[i] * c.gain, 1e-6) << "volume " << c.volume << " at " << i;
    }
}

TEST_F(Sound, StreamedVolumeScalesAmplitude) {
    ASSERT_TRUE(LoadBytes(1, SineOgg(), PlatSoundStreamed));
    PlatSoundPlay(1, 100, false);
    std::vector<float> full = Mix(5000);
    PlatSoundPlay(1, 50, false);
    std::vector<float> half = Mix(5000);
    ASSERT_GT(RmsLeft(full, 0, 5000), 0.3);
    for (size_t i = 0; i < full.size(); ++i) ASSERT_NEAR(half[i], full[i] * 0.5f, 1e-6) << i;
}

TEST_F(Sound, OnceStopsAtTheEndAndLoopWrapsWithoutGap) {
    std::vector<float> source;
    ASSERT_TRUE(LoadBytes(1, RampWav(100, &source), 0));
    PlatSoundPlay(1, 100, false);
    std::vector<float> once = Mix(250);
    EXPECT_FALSE(PlatSoundPlaying(1));
    for (size_t i = 0; i < once.size(); ++i)
        ASSERT_FLOAT_EQ(once[i], i < source.size() ? source[i] : 0.0f) << i;

    PlatSoundPlay(1, 100, true);
    std::vector<float> looped = Mix(350);
    EXPECT_TRUE(PlatSoundPlaying(1));
    for (size_t i = 0; i < looped.size(); ++i)
        ASSERT_FLOAT_EQ(looped[i], source[i % source.size()]) << i;
}

TEST_F(Sound, PlayAgainRestartsAndStopSilences) {
    struct Case {
        const char* name;
        std::string bytes;
        int flags;
    } cases[] = {{"wav", RampWav(3000, nullptr), 0},
                 {"ogg whole", SineOgg(), 0},
                 {"ogg streamed", SineOgg(), PlatSoundStreamed}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(LoadBytes(1, c.bytes, c.flags));
        PlatSoundPlay(1, 100, false);
        std::vector<float> first = Mix(1000);
        Mix(777);
        PlatSoundPlay(1, 100, false);
        EXPECT_EQ(Mix(1000), first);
        PlatSoundStop(1);
        EXPECT_FALSE(PlatSoundPlaying(1));
        EXPECT_EQ(Mix(500), std::vector<float>(1000, 0.0f));
    }
}

TEST_F(Sound, SeveralSoundsAddUpAndClip) {
    // Two constant sounds: 0.5 and 0.75 of full scale on both channels.
    std::vector<int16_t> half(400, 16384), threeQuarters(400, 24576);
    ASSERT_TRUE(LoadBytes(1, MakeWav({1, 2, 44100, 16}, Pcm16(half)), 0));
    ASSERT_TRUE(LoadBytes(2, MakeWav({1, 2, 44100, 16}, Pcm16(threeQuarters)), 0));
    PlatSoundPlay(1, 100, false);
    PlatSoundPlay(2, 40, false);
    for (float v : Mix(100)) ASSERT_FLOAT_EQ(v, 0.5f + 0.3f);
    PlatSoundPlay(2, 100, false);
    for (float v : Mix(100)) ASSERT_FLOAT_EQ(v, 1.0f);
}

TEST_F(Sound, WavFormatsConvertToTheMixFormat) {
    // Constant signals, so a resampled sound keeps its level away from its ends.
    struct Case {
        const char* name;
        WavFormat format;
        std::string frame; // one frame's bytes, repeated
        float left, right;
    } cases[] = {
        {"u8 mono", {1, 1, 44100, 8}, "\xC0", 0.5f, 0.5f},
        {"s16 mono 22050", {1, 1, 22050, 16}, std::string("\x00\x20", 2), 0.25f, 0.25f},
        {"s32 stereo 48000",
         {1, 2, 48000, 32},
         std::string("\x00\x00\x00\x40\x00\x00\x00\xE0", 8),
         0.5f,
         -0.25f},
        {"float stereo 11025",
         {3, 2, 11025, 32},
         std::string("\x00\x00\x80\x3E\x00\x00\x00\xBF", 8),
         0.25f,
         -0.5f},
    };
    const int sourceFrames = 4000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string data;
        for (int i = 0; i < sourceFrames; ++i) data += c.frame;
        ASSERT_TRUE(LoadBytes(1, MakeWav(c.format, data), 0));
        const double want = static_cast<double>(sourceFrames) * 44100 / c.format.rate;
        EXPECT_NEAR(static_cast<double>(PlatSoundFrames(1)), want, 64);
        PlatSoundPlay(1, 100, false);
        std::vector<float> out = Mix(static_cast<int>(want));
        for (int i = 600; i < static_cast<int>(want) - 600; ++i) {
            ASSERT_NEAR(out[i * 2], c.left, 2e-3) << i;
            ASSERT_NEAR(out[i * 2 + 1], c.right, 2e-3) << i;
        }
    }
}

TEST_F(Sound, FileAndMemoryLoadTheSame) {
    TempDir dir;
    std::vector<float> source;
    std::string wav = RampWav(300, &source);
    WriteFile(dir.path + "/a.wav", wav);
    WriteFile(dir.path + "/a.ogg", SineOgg());
    ASSERT_TRUE(PlatSoundLoadFile(1, dir.path + "/a.wav", 0));
    ASSERT_TRUE(LoadBytes(2, SineOgg(), 0));
    ASSERT_TRUE(PlatSoundLoadFile(3, dir.path + "/a.ogg", 0));
    EXPECT_FALSE(PlatSoundIsStreamed(3));
    EXPECT_EQ(PlatSoundFrames(3), PlatSoundFrames(2));
    PlatSoundPlay(1, 100, false);
    EXPECT_EQ(Mix(300), source);
    PlatSoundPlay(2, 100, false);
    std::vector<float> fromMemory = Mix(3000);
    PlatSoundStop(2);
    PlatSoundPlay(3, 100, false);
    EXPECT_EQ(Mix(3000), fromMemory);

    EXPECT_FALSE(PlatSoundLoadFile(4, dir.path + "/missing.wav", 0));
    EXPECT_FALSE(PlatSoundLoadFile(4, dir.path, 0)); // a folder
    EXPECT_FALSE(PlatSoundExists(4));
}

TEST_F(Sound, ContentDecidesAndOggNeedsItsDecoder) {
    EXPECT_FALSE(LoadBytes(1, "just some text, no sound at all", 0));
    EXPECT_FALSE(LoadBytes(1, "RIFF", 0));
    EXPECT_FALSE(PlatSoundLoadMemory(1, nullptr, 100, 0));
    EXPECT_FALSE(PlatSoundLoadMemory(1, "RIFF", 0, 0));
    EXPECT_FALSE(LoadBytes(0, RampWav(10, nullptr), 0)); // numbers start at 1

    PlatSoundEnd(); // forgets the decoder
    PlatSoundInit();
    EXPECT_TRUE(LoadBytes(1, RampWav(10, nullptr), 0));
    EXPECT_FALSE(LoadBytes(2, SineOgg(), 0));
    EXPECT_FALSE(LoadBytes(2, SineOgg(), PlatSoundStreamed));
    PlatSoundRegisterOgg();
    PlatSoundRegisterOgg(); // twice is once
    EXPECT_TRUE(LoadBytes(2, SineOgg(), 0));

    // WAV is told by its header, whatever the flags say; it is loaded whole.
    EXPECT_TRUE(LoadBytes(3, RampWav(10, nullptr), PlatSoundStreamed));
    EXPECT_FALSE(PlatSoundIsStreamed(3));
    EXPECT_EQ(PlatSoundFrames(3), 10);

    // A failed load empties its number.
    EXPECT_FALSE(LoadBytes(1, "garbage", 0));
    EXPECT_FALSE(PlatSoundExists(1));
}

// Largest block SDL has been asked for since the counting began.
size_t LargestSdlBlock = 0;
SDL_malloc_func RealMalloc;
SDL_calloc_func RealCalloc;
SDL_realloc_func RealRealloc;
SDL_free_func RealFree;
void* CountingMalloc(size_t n) {
    LargestSdlBlock = std::max(LargestSdlBlock, n);
    return RealMalloc(n);
}
void* CountingCalloc(size_t count, size_t n) {
    LargestSdlBlock = std::max(LargestSdlBlock, count * n);
    return RealCalloc(count, n);
}
void* CountingRealloc(void* p, size_t n) {
    LargestSdlBlock = std::max(LargestSdlBlock, n);
    return RealRealloc(p, n);
}

TEST_F(Sound, DamagedWavFailsOrKeepsOnlyWholeFrames) {
    SDL_GetMemoryFunctions(&RealMalloc, &RealCalloc, &RealRealloc, &RealFree);
    SDL_SetMemoryFunctions(CountingMalloc, CountingCalloc, CountingRealloc, RealFree);

    const std::string good = MakeWav({1, 2, 44100, 16}, std::string(400, '\x10')); // 100 frames
    // Returns `good` with the 16-bit or 32-bit field at `at` set to `v`.
    auto patched = [&](size_t at, uint32_t v, int width) {
        std::string s = good;
        for (int i = 0; i < width; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    struct Case {
        const char* name;
        std::string bytes;
        int64_t frames; // -1: the load fails
    } cases[] = {
        {"cut in the RIFF header", good.substr(0, 11), -1},
        {"cut in the format chunk", good.substr(0, 30), -1},
        {"cut before the samples", good.substr(0, 44), -1},
        {"cut inside the samples", good.substr(0, 44 + 201), 50},
        {"no WAVE id", patched(8, 0x45564157u ^ 0x20u, 4), -1},
        {"format chunk too short", patched(16, 2, 4), -1},
        {"unknown format tag", patched(20, 0x1234, 2), -1},
        {"zero channels", patched(22, 0, 2), -1},
        {"zero rate", patched(24, 0, 4), -1},
        {"zero bits", patched(34, 0, 2), -1},
        {"block align 0", patched(32, 0, 2), -1},
        {"data size far beyond the file", patched(40, 0xFFFFFFF0u, 4), 100},
        {"format size far beyond the file", patched(16, 0xFFFFFFF0u, 4), -1},
        {"RIFF size far beyond the file", patched(4, 0xFFFFFFF0u, 4), 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LargestSdlBlock = 0;
        bool loaded = LoadBytes(1, c.bytes, 0);
        EXPECT_EQ(loaded, c.frames >= 0);
        EXPECT_EQ(PlatSoundFrames(1), c.frames);
        EXPECT_EQ(PlatSoundExists(1), loaded);
        // A declared size is never taken as an allocation size.
        EXPECT_LT(LargestSdlBlock, size_t{1} << 20);
    }
    SDL_SetMemoryFunctions(RealMalloc, RealCalloc, RealRealloc, RealFree);
}

TEST_F(Sound, WholeAndStreamedOggPlayTheSameSignal) {
    ASSERT_TRUE(LoadBytes(1, SineOgg(), 0));
    ASSERT_TRUE(LoadBytes(2, SineOgg(), PlatSoundStreamed));
    EXPECT_FALSE(PlatSoundIsStreamed(1));
    EXPECT_TRUE(PlatSoundIsStreamed(2));
    EXPECT_EQ(PlatSoundFrames(1), 44100);
    EXPECT_EQ(PlatSoundFrames(2), -1);

    PlatSoundPlay(1, 100, false);
    std::vector<float> whole = MixUntilStopped(1, 100000);
    PlatSoundPlay(2, 100, false);
    std::vector<float> streamed = MixUntilStopped(2, 100000);
    EXPECT_EQ(streamed, whole);
    // The decoded sine: amplitude 0.5, so RMS about 0.354; then silence.
    EXPECT_NEAR(RmsLeft(whole, 1000, 43000), 0.5 / std::sqrt(2.0), 0.02);
    EXPECT_EQ(RmsLeft(whole, 44100, 45000), 0.0);
}

TEST_F(Sound, StreamedOggLoopsWithoutAGap) {
    ASSERT_TRUE(LoadBytes(1, SineOgg(), PlatSoundStreamed));
    PlatSoundPlay(1, 100, true);
    std::vector<float> out = Mix(44100 * 3 + 500);
    EXPECT_TRUE(PlatSoundPlaying(1));
    // A gap at a loop point would show as a quiet stretch; the sine never
    // stays below 0.1 for more than a few frames.
    for (int i = 0; i + 32 < 44100 * 3 + 500; i += 16) {
        float peak = 0;
        for (int j = i; j < i + 32; ++j) peak = std::max(peak, std::fabs(out[j * 2]));
        ASSERT_GT(peak, 0.1f) << "quiet at frame " << i;
    }
    // Each pass repeats the first.
    for (int i = 0; i < 44100 * 2; ++i) ASSERT_EQ(out[(i + 44100) * 2], out[i * 2]) << i;
}

TEST_F(Sound, StreamedOggConvertsRateAndChannels) {
    // Mono at 22050 Hz: twice as many frames at the mix rate, the same on both sides.
    std::string ogg = MakeOgg(1, 22050, 11025, 0.4f, [](int64_t i, int) {
        return static_cast<float>(0.5 * std::sin(2 * Pi * 441.0 * static_cast<double>(i) / 22050));
    });
    ASSERT_TRUE(LoadBytes(1, ogg, PlatSoundStreamed));
    PlatSoundPlay(1, 100, false);
    std::vector<float> out = MixUntilStopped(1, 100000);
    int last = 0;
    for (int i = 0; i < static_cast<int>(out.size() / 2); ++i) {
        ASSERT_FLOAT_EQ(out[i * 2], out[i * 2 + 1]) << i;
        if (out[i * 2] != 0.0f) last = i;
    }
    EXPECT_NEAR(last, 22050, 64);
    EXPECT_NEAR(RmsLeft(out, 1000, 21000), 0.5 / std::sqrt(2.0), 0.02);
}

TEST_F(Sound, StreamReadsItsSourceAsItPlays) {
    // Ten seconds: a file far bigger than what opening it reads.
    const std::string ogg = NoiseOgg(10);
    const int64_t size = static_cast<int64_t>(ogg.size());
    ASSERT_TRUE(LoadBytes(1, ogg, PlatSoundStreamed));
    const int64_t atLoad = PlatSoundSourceBytesRead(1);
    EXPECT_GT(atLoad, 0);
    EXPECT_LT(atLoad, size / 3) << "loading read most of the file";
    PlatSoundPlay(1, 100, false);
    // Ten seconds in one-second steps: each step reads only about its share.
    int64_t before = atLoad;
    for (int second = 0; second < 10; ++second) {
        Mix(44100);
        int64_t now = PlatSoundSourceBytesRead(1);
        EXPECT_GT(now, before) << "second " << second;
        EXPECT_LT(now - before, size / 5) << "second " << second;
        before = now;
    }
    EXPECT_GT(before - atLoad, size / 2);
}

TEST_F(Sound, StreamedFileStaysOpenWhilePlaying) {
    TempDir dir;
    const std::string path = dir.path + "/music.ogg";
    WriteFile(path, SineOgg());
    ASSERT_TRUE(PlatSoundLoadFile(1, path, PlatSoundStreamed));
    ASSERT_TRUE(PlatSoundIsStreamed(1));
    std::filesystem::remove(path); // the open file lives on
    PlatSoundPlay(1, 100, false);
    std::vector<float> out = MixUntilStopped(1, 100000);
    EXPECT_NEAR(RmsLeft(out, 1000, 43000), 0.5 / std::sqrt(2.0), 0.02);
}

TEST_F(Sound, DamagedOggFailsOrPlaysWithoutHangOrGarbage) {
    const std::string good = NoiseOgg(2);
    // The first page holds the identification header, the second starts the
    // comment and codebook headers; audio comes after.
    size_t second = good.find("OggS", 4);
    size_t audio = good.find("OggS", second + 4);
    ASSERT_NE(audio, std::string::npos);
    auto flipped = [&](size_t from, size_t to) {
        std::string s = good;
        for (size_t i = from; i < to && i < s.size(); i += 7) s[i] = static_cast<char>(~s[i]);
        return s;
    };
    std::string noAudio = good.substr(0, audio);
    for (size_t i = audio; i < good.size(); ++i) noAudio.push_back(static_cast<char>(i * 37));
    struct Case {
        const char* name;
        std::string bytes;
        bool loadsWhole, loadsStreamed;
    } cases[] = {
        {"capture pattern only", "OggS" + std::string(60, '\x01'), false, false},
        {"cut in the first page", good.substr(0, 20), false, false},
        {"cut in the codebooks", good.substr(0, second + 100), false, false},
        {"first page damaged", flipped(10, 50), false, false},
        {"cut in half", good.substr(0, good.size() / 2), true, true},
        {"damage in the middle", flipped(good.size() / 3, good.size() / 2), true, true},
        {"garbage instead of audio", noAudio, false, true},
        {"headers only", good.substr(0, audio), false, true},
    };
    for (const Case& c : cases) {
        for (int flags : {0, PlatSoundStreamed}) {
            SCOPED_TRACE(std::string(c.name) + (flags ? " streamed" : " whole"));
            bool loaded = LoadBytes(1, c.bytes, flags);
            EXPECT_EQ(loaded, flags ? c.loadsStreamed : c.loadsWhole);
            if (!loaded) continue;
            PlatSoundPlay(1, 100, true);
            std::vector<float> out = Mix(44100 * 3);
            for (float v : out) ASSERT_TRUE(std::isfinite(v) && v >= -1.0f && v <= 1.0f);
        }
    }
}

TEST_F(Sound, EmptyOggEndsInsteadOfLoopingOnTheSpot) {
    std::string empty = MakeOgg(2, 44100, 0, 0.4f, [](int64_t, int) { return 0.0f; });
    EXPECT_FALSE(LoadBytes(1, empty, 0)); // nothing to hold
    ASSERT_TRUE(LoadBytes(1, empty, PlatSoundStreamed));
    PlatSoundPlay(1, 100, true);
    EXPECT_EQ(Mix(4096), std::vector<float>(8192, 0.0f));
    EXPECT_FALSE(PlatSoundPlaying(1));
}

TEST_F(Sound, DummyDeviceStreamsOnItsOwnThread) {
    Start("dummy");
    ASSERT_TRUE(PlatSoundDeviceOpen());
    ASSERT_TRUE(LoadBytes(1, SineOgg(), PlatSoundStreamed));
    ASSERT_TRUE(LoadBytes(2, RampWav(100, nullptr), 0));
    const int64_t atLoad = PlatSoundSourceBytesRead(1);
    PlatSoundPlay(1, 20, true);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (PlatSoundSourceBytesRead(1) == atLoad && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GT(PlatSoundSourceBytesRead(1), atLoad) << "the device never pulled the stream";
    // The game thread may play, stop and reload while the device pulls.
    for (int i = 0; i < 200; ++i) {
        PlatSoundPlay(2, 100, i % 2 == 0);
        if (i % 3 == 0) PlatSoundStop(1);
        if (i % 5 == 0) PlatSoundPlay(1, 20, true);
        if (i % 50 == 0) {
            ASSERT_TRUE(LoadBytes(2, RampWav(100, nullptr), 0));
        }
    }
    PlatSoundPlay(1, 20, true);
    EXPECT_TRUE(PlatSoundPlaying(1));
    PlatSoundEnd();
    EXPECT_FALSE(PlatSoundDeviceOpen());
    EXPECT_FALSE(PlatSoundExists(1));
}

TEST_F(Sound, DiskDeviceWritesTheScaledLoopedMix) {
    TempDir dir;
    const std::string out = dir.path + "/out.raw";
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
    Start("disk");
    ASSERT_TRUE(PlatSoundDeviceOpen());
    ASSERT_EQ(PlatSoundMixRate(), 44100);
    std::vector<float> source;
    ASSERT_TRUE(LoadBytes(1, RampWav(100, &source), 0));
    PlatSoundPlay(1, 50, true);
    // Wait for about a second of output, then close the device.
    const auto enough = static_cast<std::uintmax_t>(44100 * 2 * sizeof(float));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::error_code ec;
    while (std::filesystem::file_size(out, ec) < enough &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    PlatSoundEnd();
    std::string bytes = ReadFileBytes(out);
    ASSERT_GE(bytes.size(), enough);
    std::vector<float> written(bytes.size() / sizeof(float));
    std::memcpy(written.data(), bytes.data(), written.size() * sizeof(float));
    // Silence until the sound starts, then the ramp at half amplitude, over and over.
    size_t start = 0;
    while (start < written.size() && written[start] == 0.0f) ++start;
    ASSERT_EQ(start % 2, 0u);
    ASSERT_GT(written.size() - start, source.size() * 20);
    for (size_t i = 0; i < source.size() * 20; ++i)
        ASSERT_NEAR(written[start + i], source[i % source.size()] * 0.5f, 1e-6) << i;
}

} // namespace
