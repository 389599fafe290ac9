// The sound table, the audio device and the mixer that feeds it.
#include "PlatSoundInternal.h"
#include "PlatformSound.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <map>

int SoundMixRate = 44100;

namespace {

// Every loaded sound; the audio thread reads it, so changes happen under the
// device lock (a no-op while no device is open).
std::map<int, std::unique_ptr<SoundObject>> Sounds;
SDL_AudioDeviceID Device = 0;
bool AudioStarted = false; // the SDL audio subsystem is ours to quit

// Frames mixed per piece; keeps the scratch buffer on the stack.
constexpr int PieceFrames = 512;

// Keeps the audio thread out of the sound table until Unlock.
void Lock() {
    if (Device) SDL_LockAudioDevice(Device);
}
void Unlock() {
    if (Device) SDL_UnlockAudioDevice(Device);
}

// Sound under `sound`, or null.
SoundObject* Find(int sound) {
    auto it = Sounds.find(sound);
    return it == Sounds.end() ? nullptr : it->second.get();
}

// Adds `frames` frames of `in` times `gain` to `out`.
void AddScaled(float* out, const float* in, int frames, float gain) {
    for (int i = 0; i < frames * PlatSoundMixChannels; ++i) out[i] += in[i] * gain;
}

// Adds the next `frames` frames of a streamed sound to `out`; stops the sound
// when its stream ends.
void MixStream(SoundObject* s, float* out, int frames) {
    if (s->rewind) {
        s->rewind = false;
        if (!s->stream->Rewind()) {
            s->playing = false;
            return;
        }
    }
    float piece[PieceFrames * PlatSoundMixChannels];
    int done = 0;
    while (done < frames) {
        int want = std::min(PieceFrames, frames - done);
        int got = s->stream->Pull(piece, want, s->loop);
        AddScaled(out + done * PlatSoundMixChannels, piece, got, s->gain);
        done += got;
        if (got < want) {
            s->playing = false;
            return;
        }
    }
}

// Adds the next `frames` frames of a sound held whole to `out`, wrapping when
// looped; stops it at its end otherwise.
void MixWhole(SoundObject* s, float* out, int frames) {
    size_t total = s->frames.size() / PlatSoundMixChannels;
    int done = 0;
    while (done < frames) {
        if (s->pos >= total) {
            if (!s->loop || total == 0) {
                s->playing = false;
                return;
            }
            s->pos = 0;
        }
        int n = static_cast<int>(std::min<size_t>(frames - done, total - s->pos));
        AddScaled(out + done * PlatSoundMixChannels, &s->frames[s->pos * PlatSoundMixChannels], n,
                  s->gain);
        s->pos += n;
        done += n;
    }
}

// Fills `out` with the next `frames` frames of every playing sound, clipped.
// The caller holds the device lock (or no device is open).
void MixLocked(float* out, int frames) {
    std::memset(out, 0, sizeof(float) * frames * PlatSoundMixChannels);
    for (auto& entry : Sounds) {
        SoundObject* s = entry.second.get();
        if (!s->playing) continue;
        if (s->stream)
            MixStream(s, out, frames);
        else
            MixWhole(s, out, frames);
    }
    // Damaged data must not reach the device as NaN either.
    for (int i = 0; i < frames * PlatSoundMixChannels; ++i) {
        float v = out[i];
        out[i] = v > 1.0f ? 1.0f : v < -1.0f ? -1.0f : v == v ? v : 0.0f;
    }
}

// The device's pull, on SDL's audio thread with the device lock held.
void SDLCALL DeviceCallback(void*, Uint8* stream, int len) {
    MixLocked(reinterpret_cast<float*>(stream),
              len / static_cast<int>(sizeof(float) * PlatSoundMixChannels));
}

// Opens the default device in the mix's format; 0 when there is none.
SDL_AudioDeviceID OpenDevice(int allowedChanges, SDL_AudioSpec* have) {
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = SoundMixRate;
    want.format = AUDIO_F32SYS;
    want.channels = PlatSoundMixChannels;
    want.samples = 1024;
    want.callback = DeviceCallback;
    return SDL_OpenAudioDevice(nullptr, 0, &want, have, allowedChanges);
}

} // namespace

int64_t SoundMaxWholeFrames() {
    return int64_t{SoundMixRate} * 600;
}

void SoundInstall(int sound, std::unique_ptr<SoundObject> object) {
    std::unique_ptr<SoundObject> old;
    Lock();
    auto it = Sounds.find(sound);
    if (it != Sounds.end()) {
        old = std::move(it->second);
        Sounds.erase(it);
    }
    if (object) Sounds[sound] = std::move(object);
    Unlock();
    // `old` closes its source here, outside the lock.
}

void PlatSoundInit() {
    if (Device) return;
    if (!AudioStarted) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
        AudioStarted = true;
    }
    // The device may pick its own rate only while nothing has been converted
    // to the current one yet.
    SDL_AudioSpec have;
    int allowed = Sounds.empty() ? SDL_AUDIO_ALLOW_FREQUENCY_CHANGE : 0;
    Device = OpenDevice(allowed, &have);
    if (Device && (have.freq < 8000 || have.freq > 384000)) {
        SDL_CloseAudioDevice(Device);
        Device = OpenDevice(0, &have);
    }
    if (!Device) return;
    SoundMixRate = have.freq;
    SDL_PauseAudioDevice(Device, 0);
}

void PlatSoundPlay(int sound, int volume, bool loop) {
    Lock();
    if (SoundObject* s = Find(sound)) {
        s->gain = static_cast<float>(std::clamp(volume, 0, 100)) / 100.0f;
        s->loop = loop;
        s->pos = 0;
        s->rewind = s->stream != nullptr;
        s->playing = true;
    }
    Unlock();
}

void PlatSoundStop(int sound) {
    Lock();
    if (SoundObject* s = Find(sound)) s->playing = false;
    Unlock();
}

bool PlatSoundExists(int sound) {
    return Find(sound) != nullptr;
}

void PlatSoundEnd() {
    if (Device) {
        SDL_CloseAudioDevice(Device);
        Device = 0;
    }
    Sounds.clear();
    SoundClearDecoders();
    if (AudioStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        AudioStarted = false;
    }
    SoundMixRate = 44100;
}

bool PlatSoundDeviceOpen() {
    return Device != 0;
}

int PlatSoundMixRate() {
    return SoundMixRate;
}

void PlatSoundMix(float* out, int frames) {
    if (frames <= 0) return;
    Lock();
    MixLocked(out, frames);
    Unlock();
}

bool PlatSoundPlaying(int sound) {
    Lock();
    SoundObject* s = Find(sound);
    bool playing = s && s->playing;
    Unlock();
    return playing;
}

bool PlatSoundIsStreamed(int sound) {
    SoundObject* s = Find(sound);
    return s && s->stream;
}

int64_t PlatSoundFrames(int sound) {
    SoundObject* s = Find(sound);
    if (!s || s->stream) return -1;
    return static_cast<int64_t>(s->frames.size() / PlatSoundMixChannels);
}

int64_t PlatSoundSourceBytesRead(int sound) {
    Lock();
    SoundObject* s = Find(sound);
    int64_t bytes = s && s->source ? s->source->bytesRead : 0;
    Unlock();
    return bytes;
}
