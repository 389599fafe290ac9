// Sounds, addressed by number (1 and up), mixed and played on the audio device.
// Everything here is called from the game thread; the device pulls the mix on
// a thread of its own.
#pragma once
#include <cstdint>
#include <string>

// Load flag: keep the source open and decode it piece by piece while it plays.
constexpr int PlatSoundStreamed = 1;

// The mix: interleaved stereo single-precision samples at PlatSoundMixRate().
constexpr int PlatSoundMixChannels = 2;

// Opens the audio device. Without a device everything still works: loads
// succeed, playing is silent.
void PlatSoundInit();
// Lets Ogg Vorbis data load. WAV always loads.
void PlatSoundRegisterOgg();

// Loads `sound` from a file or a memory block: WAV when the data starts with
// a RIFF/WAVE header, otherwise whatever a registered decoder accepts. With
// PlatSoundStreamed in `flags` a decoder format is only opened here and
// decoded while it plays (WAV is always loaded whole). A streamed sound from
// memory keeps reading `data` while it exists: the block must stay alive and
// unchanged until the sound is replaced or PlatSoundEnd runs.
// False on failure; the number is then empty (any earlier sound there is gone).
bool PlatSoundLoadFile(int sound, const std::string& path, int flags);
bool PlatSoundLoadMemory(int sound, const void* data, int64_t length, int flags);

// Plays from the start (restarting it if it already plays), once or looped,
// at `volume` 0 to 100: v / 100 of full amplitude. Nothing for an empty number.
void PlatSoundPlay(int sound, int volume, bool loop);
void PlatSoundStop(int sound);
bool PlatSoundExists(int sound);
// Stops and frees every sound, closes the device and forgets the registered
// decoders.
void PlatSoundEnd();

// Observation, mainly for tests.
// True while an audio device is open and pulling the mix.
bool PlatSoundDeviceOpen();
// Frames per second of the mix (44100 until a device says otherwise).
int PlatSoundMixRate();
// Mixes the next `frames` frames into `out` (2 * frames floats, clipped to
// -1..1) and advances every playing sound. The device calls it itself; call
// it directly only when no device is open.
void PlatSoundMix(float* out, int frames);
// True while the sound is playing (not stopped and not run out).
bool PlatSoundPlaying(int sound);
bool PlatSoundIsStreamed(int sound);
// Frames of a sound loaded whole, in the mix's rate; -1 for streamed or none.
int64_t PlatSoundFrames(int sound);
// Bytes a streamed sound has read from its source so far; 0 otherwise.
int64_t PlatSoundSourceBytesRead(int sound);
