// Conversion of sample data into the mix's format and rate.
#include "PlatSoundInternal.h"
#include "PlatformSound.h"

#include <algorithm>

namespace {

constexpr int FrameBytes = static_cast<int>(sizeof(float)) * PlatSoundMixChannels;
// Frames handed to SDL at a time; keeps byte counts far below int's range.
constexpr int PieceFrames = 1 << 16;

// Frames `c` gives out in all for its input so far.
int64_t ExpectedOut(const SoundConverter* c) {
    return (c->inFrames * c->outRate + c->inRate - 1) / c->inRate;
}

} // namespace

SoundConverter::~SoundConverter() {
    if (stream) SDL_FreeAudioStream(stream);
}

bool SoundConverterOpen(SoundConverter* c, int rate) {
    if (c->stream) SDL_FreeAudioStream(c->stream);
    c->stream = nullptr;
    if (rate <= 0) return false;
    c->inRate = rate;
    c->outRate = SoundMixRate;
    c->stream = SDL_NewAudioStream(AUDIO_F32SYS, PlatSoundMixChannels, rate, AUDIO_F32SYS,
                                   PlatSoundMixChannels, SoundMixRate);
    SoundConverterClear(c);
    return c->stream != nullptr;
}

bool SoundConverterPut(SoundConverter* c, const float* frames, int count) {
    if (c->ended || count <= 0) return count == 0;
    if (SDL_AudioStreamPut(c->stream, frames, count * FrameBytes) != 0) return false;
    c->inFrames += count;
    return true;
}

void SoundConverterEnd(SoundConverter* c) {
    if (c->ended) return;
    // Silence pushes the held-back stretch through; what it adds itself is
    // never given out.
    const int64_t want = ExpectedOut(c);
    float silence[256 * PlatSoundMixChannels] = {};
    for (int i = 0; i < 64; ++i) {
        if (c->outFrames + SDL_AudioStreamAvailable(c->stream) / FrameBytes >= want) break;
        if (SDL_AudioStreamPut(c->stream, silence, static_cast<int>(sizeof silence)) != 0) break;
    }
    SDL_AudioStreamFlush(c->stream);
    c->ended = true;
}

int SoundConverterGet(SoundConverter* c, float* out, int count) {
    int64_t n = std::min(count, SDL_AudioStreamAvailable(c->stream) / FrameBytes);
    if (c->ended) n = std::min(n, ExpectedOut(c) - c->outFrames);
    if (n <= 0) return 0;
    int got = SDL_AudioStreamGet(c->stream, out, static_cast<int>(n) * FrameBytes);
    if (got <= 0) return 0;
    c->outFrames += got / FrameBytes;
    return got / FrameBytes;
}

void SoundConverterClear(SoundConverter* c) {
    if (c->stream) SDL_AudioStreamClear(c->stream);
    c->inFrames = 0;
    c->outFrames = 0;
    c->ended = false;
}

bool SoundConvertWhole(uint16_t format, int channels, int rate, const uint8_t* data, size_t bytes,
                       std::vector<float>* out) {
    if (channels <= 0 || rate <= 0) return false;
    const size_t inFrameBytes = SDL_AUDIO_BITSIZE(format) / 8 * static_cast<size_t>(channels);
    if (inFrameBytes == 0) return false;
    const size_t frames = bytes / inFrameBytes;
    const double expect = static_cast<double>(frames) * SoundMixRate / rate;
    if (expect > static_cast<double>(SoundMaxWholeFrames())) return false;

    // First the samples as stereo float at their own rate: SDL does that
    // exactly, holding nothing back.
    std::vector<float> stereo(frames * PlatSoundMixChannels);
    SDL_AudioStream* layout = SDL_NewAudioStream(format, static_cast<Uint8>(channels), rate,
                                                 AUDIO_F32SYS, PlatSoundMixChannels, rate);
    if (!layout) return false;
    size_t have = 0;
    bool ok = true;
    for (size_t at = 0; ok && at < frames; at += PieceFrames) {
        size_t n = std::min<size_t>(PieceFrames, frames - at);
        ok = SDL_AudioStreamPut(layout, data + at * inFrameBytes,
                                static_cast<int>(n * inFrameBytes)) == 0;
        while (ok && have < stereo.size()) {
            int room = static_cast<int>(
                std::min<size_t>(stereo.size() - have, size_t{PieceFrames} * PlatSoundMixChannels));
            int got =
                SDL_AudioStreamGet(layout, &stereo[have], room * static_cast<int>(sizeof(float)));
            if (got < 0) ok = false;
            if (got <= 0) break;
            have += static_cast<size_t>(got) / sizeof(float);
        }
    }
    SDL_FreeAudioStream(layout);
    if (!ok || have != stereo.size()) return false;
    if (rate == SoundMixRate) {
        out->insert(out->end(), stereo.begin(), stereo.end());
        return true;
    }

    // Then the rate.
    SoundConverter converter;
    if (!SoundConverterOpen(&converter, rate)) return false;
    const size_t start = out->size();
    out->resize(start + (static_cast<size_t>(expect) + 2) * PlatSoundMixChannels);
    size_t written = 0;
    auto drain = [&]() {
        for (;;) {
            size_t room = (out->size() - start) / PlatSoundMixChannels - written;
            int n = static_cast<int>(std::min<size_t>(room, PieceFrames));
            if (n == 0) return;
            int got = SoundConverterGet(&converter,
                                        out->data() + start + written * PlatSoundMixChannels, n);
            if (got <= 0) return;
            written += static_cast<size_t>(got);
        }
    };
    for (size_t at = 0; ok && at < frames; at += PieceFrames) {
        int n = static_cast<int>(std::min<size_t>(PieceFrames, frames - at));
        ok = SoundConverterPut(&converter, &stereo[at * PlatSoundMixChannels], n);
        drain();
    }
    SoundConverterEnd(&converter);
    drain();
    out->resize(start + written * PlatSoundMixChannels);
    return ok;
}
