// Ogg Vorbis decoder: decodes a piece at a time, folds the channels to stereo
// and converts to the mix's rate.
#include "PlatSoundInternal.h"
#include "PlatformSound.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>

namespace {

// Samples per channel asked of the decoder at a time.
constexpr int DecodeFrames = 1024;
// Damaged stretches skipped in one go before the stream is given up.
constexpr int MaxHoles = 64;

// Left and right share of each channel, in Vorbis channel order, for 1 to 8
// channels (mono to 7.1). The low-frequency channel is dropped.
constexpr float H = 0.70710678f;
const float Fold[8][8][2] = {
    {{1, 1}},
    {{1, 0}, {0, 1}},
    {{1, 0}, {H, H}, {0, 1}},
    {{1, 0}, {0, 1}, {H, 0}, {0, H}},
    {{1, 0}, {H, H}, {0, 1}, {H, 0}, {0, H}},
    {{1, 0}, {H, H}, {0, 1}, {H, 0}, {0, H}, {0, 0}},
    {{1, 0}, {H, H}, {0, 1}, {H, 0}, {0, H}, {0.5f, 0.5f}, {0, 0}},
    {{1, 0}, {H, H}, {0, 1}, {H, 0}, {0, H}, {H, 0}, {0, H}, {0, 0}},
};

// The decoder's reads, seeks and position queries, served by the source.
size_t ReadSource(void* out, size_t size, size_t count, void* source) {
    if (size == 0) return 0;
    return SoundSourceRead(static_cast<SoundSource*>(source), out, size * count) / size;
}
int SeekSource(void* source, ogg_int64_t offset, int whence) {
    return SoundSourceSeek(static_cast<SoundSource*>(source), offset, whence);
}
long TellSource(void* source) {
    return static_cast<long>(SoundSourceTell(static_cast<SoundSource*>(source)));
}

struct VorbisStream final : SoundStream {
    OggVorbis_File file{};
    bool opened = false;
    SoundConverter converter;
    long rate = 0;
    bool decodedSinceStart = false;

    ~VorbisStream() override {
        if (opened) ov_clear(&file);
    }

    // Feeds the converter one decoded piece, going back to the start at the
    // end when `loop`; false once nothing more can come.
    bool Decode(bool loop) {
        float stereo[DecodeFrames * PlatSoundMixChannels];
        for (int holes = 0; holes <= MaxHoles;) {
            float** pcm = nullptr;
            int link = 0;
            long n = ov_read_float(&file, &pcm, DecodeFrames, &link);
            if (n == OV_HOLE) {
                ++holes;
                continue;
            }
            if (n < 0) return false;
            if (n == 0) {
                // A stream with nothing in it must not loop on the spot.
                if (!loop || !decodedSinceStart) return false;
                if (ov_pcm_seek(&file, 0) != 0) return false;
                decodedSinceStart = false;
                continue;
            }
            vorbis_info* info = ov_info(&file, link);
            // A chained link in another layout ends the sound.
            if (!info || info->rate != rate || info->channels < 1 || info->channels > 8)
                return false;
            const auto& fold = Fold[info->channels - 1];
            for (long i = 0; i < n; ++i) {
                float left = 0.0f, right = 0.0f;
                for (int c = 0; c < info->channels; ++c) {
                    left += pcm[c][i] * fold[c][0];
                    right += pcm[c][i] * fold[c][1];
                }
                stereo[i * 2] = left;
                stereo[i * 2 + 1] = right;
            }
            decodedSinceStart = true;
            return SoundConverterPut(&converter, stereo, static_cast<int>(n));
        }
        return false;
    }

    int Pull(float* out, int frames, bool loop) override {
        int done = 0;
        while (done < frames) {
            int got =
                SoundConverterGet(&converter, out + done * PlatSoundMixChannels, frames - done);
            done += got;
            if (got > 0) continue;
            if (converter.ended) break;
            if (!Decode(loop)) SoundConverterEnd(&converter);
        }
        return done;
    }

    bool Rewind() override {
        SoundConverterClear(&converter);
        decodedSinceStart = false;
        return ov_pcm_seek(&file, 0) == 0;
    }
};

} // namespace

std::unique_ptr<SoundStream> OpenVorbisStream(SoundSource* source) {
    auto stream = std::make_unique<VorbisStream>();
    ov_callbacks callbacks = {ReadSource, SeekSource, nullptr, TellSource};
    // A failed open clears up after itself.
    if (ov_open_callbacks(source, &stream->file, nullptr, 0, callbacks) != 0) return nullptr;
    stream->opened = true;
    vorbis_info* info = ov_info(&stream->file, -1);
    if (!info || info->channels < 1 || info->channels > 8 || info->rate < 1000 ||
        info->rate > 768000 || !ov_seekable(&stream->file))
        return nullptr;
    stream->rate = info->rate;
    if (!SoundConverterOpen(&stream->converter, static_cast<int>(info->rate))) return nullptr;
    return stream;
}
