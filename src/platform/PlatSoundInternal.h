// Inner parts shared by the sound service's files: sources, decoders and the
// conversion into the mix's format.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

// Frames per second of the mix; set when the device opens, read at load.
extern int SoundMixRate;

// Longest sound decoded whole: ten minutes at the mix rate. Longer ones must
// be streamed; this keeps damaged or hostile data from filling memory.
int64_t SoundMaxWholeFrames();

// Where a sound's bytes come from: a file kept open, or a memory block that
// belongs to the caller.
struct SoundSource {
    SDL_RWops* file = nullptr;
    const uint8_t* data = nullptr;
    int64_t length = 0;
    int64_t pos = 0;
    int64_t bytesRead = 0; // everything handed out so far
    SoundSource() = default;
    SoundSource(const SoundSource&) = delete;
    SoundSource& operator=(const SoundSource&) = delete;
    ~SoundSource();
};

// Copies up to `bytes` bytes to `out`; returns the count (0 at the end or on error).
size_t SoundSourceRead(SoundSource* source, void* out, size_t bytes);
// Moves like fseek (whence SEEK_SET, SEEK_CUR, SEEK_END); returns 0, or -1 when the position is
// impossible.
int SoundSourceSeek(SoundSource* source, int64_t offset, int whence);
int64_t SoundSourceTell(SoundSource* source);

// A decoder open on a source, handing out mix-format frames piece by piece.
struct SoundStream {
    virtual ~SoundStream() = default;
    // Writes up to `frames` frames to `out`; fewer only when the sound has
    // ended (its end without `loop`, or damage). With `loop` the end runs on
    // into the start without a gap.
    virtual int Pull(float* out, int frames, bool loop) = 0;
    // Back to the first frame; false when that is impossible.
    virtual bool Rewind() = 0;
};

// Opens a stream on `source` reading only its headers; null when the data is
// not of the decoder's format or damaged there. The source must outlive it.
using SoundDecoder = std::unique_ptr<SoundStream> (*)(SoundSource* source);
std::unique_ptr<SoundStream> OpenVorbisStream(SoundSource* source);
void SoundClearDecoders();

// One loaded sound: decoded whole, or a stream on a source it owns.
struct SoundObject {
    std::vector<float> frames; // whole: interleaved mix-format samples
    std::unique_ptr<SoundSource> source;
    std::unique_ptr<SoundStream> stream; // declared after the source: goes first
    // Playback state, shared with the audio thread under the device lock.
    bool playing = false;
    bool loop = false;
    bool rewind = false; // a stream goes back to its start before the next mix
    float gain = 0.0f;
    size_t pos = 0; // next frame of a whole sound
};

// Puts `object` under number `sound` (nothing when null), freeing what was
// there before.
void SoundInstall(int sound, std::unique_ptr<SoundObject> object);

// Rate conversion of stereo float frames into the mix's rate. Unlike a bare
// SDL_AudioStream it gives out the whole tail once the input has ended (SDL
// keeps the resampler's last stretch back when its staging buffer is empty).
struct SoundConverter {
    SDL_AudioStream* stream = nullptr;
    int inRate = 0;
    int outRate = 0;
    int64_t inFrames = 0;  // put since the start
    int64_t outFrames = 0; // given out since the start
    bool ended = false;
    SoundConverter() = default;
    SoundConverter(const SoundConverter&) = delete;
    SoundConverter& operator=(const SoundConverter&) = delete;
    ~SoundConverter();
};
// Prepares `c` for input at `rate`; false when SDL cannot convert it.
bool SoundConverterOpen(SoundConverter* c, int rate);
bool SoundConverterPut(SoundConverter* c, const float* frames, int count);
// Marks the end of the input; everything still held back becomes available.
void SoundConverterEnd(SoundConverter* c);
// Writes up to `count` converted frames to `out`; returns how many.
int SoundConverterGet(SoundConverter* c, float* out, int count);
// Back to empty, as if just opened.
void SoundConverterClear(SoundConverter* c);

// Appends the interleaved samples (`format` an SDL audio format) converted to
// the mix's format; false when the format is unusable or too long.
bool SoundConvertWhole(uint16_t format, int channels, int rate, const uint8_t* data, size_t bytes,
                       std::vector<float>* out);
