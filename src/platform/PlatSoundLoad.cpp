// Loading sounds: sources, WAV through SDL, other formats through the
// registered decoders.
#include "PlatSoundInternal.h"
#include "PlatformFiles.h"
#include "PlatformSound.h"

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::vector<SoundDecoder> Decoders;

// True when `head` (at least 12 bytes) starts a RIFF/WAVE file.
bool IsWav(const uint8_t* head, size_t length) {
    return length >= 12 && std::memcmp(head, "RIFF", 4) == 0 &&
           std::memcmp(head + 8, "WAVE", 4) == 0;
}

// Little-endian 32-bit value at `p`.
uint32_t Get32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Checks the chunk sizes of a WAV file against its real length, because
// SDL allocates whatever a chunk declares. A data chunk that runs past the
// end is cut to what is there (in a copy left in `patched`); any other chunk
// that does is damage. False when the data cannot be loaded.
bool BoundWavChunks(const uint8_t* data, size_t length, std::string* patched) {
    size_t at = 12;
    while (at + 8 <= length) {
        const uint32_t size = Get32(data + at + 4);
        const size_t left = length - at - 8;
        if (size > left) {
            if (std::memcmp(data + at, "data", 4) != 0) return false;
            patched->assign(reinterpret_cast<const char*>(data), length);
            for (int i = 0; i < 4; ++i)
                (*patched)[at + 4 + i] = static_cast<char>((left >> (8 * i)) & 0xFF);
            return true;
        }
        if (std::memcmp(data + at, "data", 4) == 0) return true;
        at += 8 + size + (size & 1);
    }
    return true;
}

// Sound decoded whole from the WAV file in `data`; null on failure.
std::unique_ptr<SoundObject> LoadWav(const uint8_t* data, size_t length) {
    if (length > INT_MAX) return nullptr;
    std::string patched;
    if (!BoundWavChunks(data, length, &patched)) return nullptr;
    if (!patched.empty()) data = reinterpret_cast<const uint8_t*>(patched.data());
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(length));
    if (!rw) return nullptr;
    SDL_AudioSpec wav;
    Uint8* buffer = nullptr;
    Uint32 bytes = 0;
    if (!SDL_LoadWAV_RW(rw, 1, &wav, &buffer, &bytes)) return nullptr;
    auto object = std::make_unique<SoundObject>();
    bool ok = SoundConvertWhole(wav.format, wav.channels, wav.freq, buffer, bytes, &object->frames);
    SDL_FreeWAV(buffer);
    if (!ok || object->frames.empty()) return nullptr;
    return object;
}

// Sound from the first registered decoder that takes `source`: kept open when
// `streamed`, otherwise decoded whole and closed. Null when none takes it.
std::unique_ptr<SoundObject> LoadDecoded(std::unique_ptr<SoundSource> source, bool streamed) {
    for (SoundDecoder decoder : Decoders) {
        if (SoundSourceSeek(source.get(), 0, SEEK_SET) != 0) return nullptr;
        std::unique_ptr<SoundStream> stream = decoder(source.get());
        if (!stream) continue;
        auto object = std::make_unique<SoundObject>();
        if (streamed) {
            object->stream = std::move(stream);
            object->source = std::move(source);
            return object;
        }
        const int64_t limit = SoundMaxWholeFrames();
        std::vector<float> piece(4096 * PlatSoundMixChannels);
        for (;;) {
            int got = stream->Pull(piece.data(), 4096, false);
            if (got <= 0) break;
            if (static_cast<int64_t>(object->frames.size()) / PlatSoundMixChannels + got > limit)
                return nullptr;
            object->frames.insert(object->frames.end(), piece.begin(),
                                  piece.begin() + got * PlatSoundMixChannels);
        }
        if (object->frames.empty()) return nullptr;
        return object;
    }
    return nullptr;
}

// Common end of both loads: installs the result (or empties the number).
bool Finish(int sound, std::unique_ptr<SoundObject> object) {
    bool ok = object != nullptr;
    SoundInstall(sound, std::move(object));
    return ok;
}

} // namespace

SoundSource::~SoundSource() {
    if (file) SDL_RWclose(file);
}

size_t SoundSourceRead(SoundSource* source, void* out, size_t bytes) {
    size_t got = 0;
    if (source->file) {
        got = SDL_RWread(source->file, out, 1, bytes);
    } else if (source->pos < source->length) {
        got = static_cast<size_t>(
            std::min<int64_t>(static_cast<int64_t>(std::min<size_t>(bytes, INT64_MAX)),
                              source->length - source->pos));
        std::memcpy(out, source->data + source->pos, got);
        source->pos += static_cast<int64_t>(got);
    }
    source->bytesRead += static_cast<int64_t>(got);
    return got;
}

int SoundSourceSeek(SoundSource* source, int64_t offset, int whence) {
    if (source->file) {
        int from = whence == SEEK_SET   ? RW_SEEK_SET
                   : whence == SEEK_CUR ? RW_SEEK_CUR
                   : whence == SEEK_END ? RW_SEEK_END
                                        : -1;
        return from >= 0 && SDL_RWseek(source->file, offset, from) >= 0 ? 0 : -1;
    }
    int64_t base = whence == SEEK_CUR ? source->pos : whence == SEEK_END ? source->length : 0;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
    if (offset > source->length || offset < -source->length) return -1;
    int64_t to = base + offset;
    if (to < 0 || to > source->length) return -1;
    source->pos = to;
    return 0;
}

int64_t SoundSourceTell(SoundSource* source) {
    if (source->file) return SDL_RWtell(source->file);
    return source->pos;
}

void SoundClearDecoders() {
    Decoders.clear();
}

void PlatSoundRegisterOgg() {
    if (std::find(Decoders.begin(), Decoders.end(), &OpenVorbisStream) == Decoders.end())
        Decoders.push_back(&OpenVorbisStream);
}

bool PlatSoundLoadFile(int sound, const std::string& path, int flags) {
    SoundInstall(sound, nullptr);
    if (sound < 1) return false;
    const std::string native = PlatNativePath(path);
    auto source = std::make_unique<SoundSource>();
    source->file = SDL_RWFromFile(native.c_str(), "rb");
    if (!source->file) return false;
    uint8_t head[12];
    size_t got = SDL_RWread(source->file, head, 1, sizeof head);
    if (IsWav(head, got)) {
        source.reset();
        std::string bytes;
        if (!PlatReadFile(path, &bytes)) return false;
        return Finish(sound, LoadWav(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    }
    return Finish(sound, LoadDecoded(std::move(source), (flags & PlatSoundStreamed) != 0));
}

bool PlatSoundLoadMemory(int sound, const void* data, int64_t length, int flags) {
    SoundInstall(sound, nullptr);
    if (sound < 1 || !data || length <= 0) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (IsWav(bytes, static_cast<size_t>(std::min<int64_t>(length, 12))))
        return Finish(sound, LoadWav(bytes, static_cast<size_t>(length)));
    auto source = std::make_unique<SoundSource>();
    source->data = bytes;
    source->length = length;
    return Finish(sound, LoadDecoded(std::move(source), (flags & PlatSoundStreamed) != 0));
}
