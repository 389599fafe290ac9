// Short synthesised sound effects, written as 16-bit mono WAV files.
#include "DataGen.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int EffectRate = 44100;
constexpr double TwoPi = 6.28318530717958647692;

// A repeatable white-noise source.
struct Noise {
    uint32_t state;
    // Returns the next value in [-1, 1).
    double Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }
};

// Appends a little-endian integer of `bytes` bytes.
void PutLE(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

// Returns the samples as a mono 16-bit PCM WAV file, with a few samples of fade
// at both ends so the effect starts and stops without a click.
std::string Wav(std::vector<double> samples) {
    size_t n = samples.size();
    size_t fade = std::min<size_t>(64, n / 2);
    for (size_t i = 0; i < fade; ++i) {
        double g = static_cast<double>(i) / fade;
        samples[i] *= g;
        samples[n - 1 - i] *= g;
    }
    std::string out = "RIFF";
    PutLE(out, static_cast<uint32_t>(36 + n * 2), 4);
    out += "WAVEfmt ";
    PutLE(out, 16, 4);
    PutLE(out, 1, 2); // PCM
    PutLE(out, 1, 2); // mono
    PutLE(out, EffectRate, 4);
    PutLE(out, EffectRate * 2, 4);
    PutLE(out, 2, 2);
    PutLE(out, 16, 2);
    out += "data";
    PutLE(out, static_cast<uint32_t>(n * 2), 4);
    for (double s : samples) {
        long v = std::lround(std::clamp(s, -1.0, 1.0) * 32767.0);
        PutLE(out, static_cast<uint32_t>(static_cast<int16_t>(v)) & 0xffff, 2);
    }
    return out;
}

// Returns a soft square wave of the phase (in turns): bright but not harsh.
double SoftSquare(double phase) {
    return std::tanh(4.0 * std::sin(TwoPi * phase));
}

// Jump: a quick bright chirp upward.
std::vector<double> Click() {
    int n = EffectRate * 12 / 100;
    std::vector<double> s(n);
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / EffectRate;
        double f = 380.0 * std::pow(2.9, t / 0.12);
        phase += f / EffectRate;
        double env = std::min(1.0, t / 0.004) * std::exp(-t * 22.0);
        s[i] = 0.55 * env * (0.7 * SoftSquare(phase) + 0.3 * std::sin(TwoPi * 2 * phase));
    }
    return s;
}

// Dash: a rising whoosh of filtered noise over a climbing tone.
std::vector<double> Launch() {
    int n = EffectRate * 34 / 100;
    std::vector<double> s(n);
    Noise noise{0x1234567u};
    double phase = 0, low = 0, band = 0;
    for (int i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / EffectRate;
        // State-variable band-pass whose centre sweeps upward.
        double centre = 300.0 + 3200.0 * std::pow(t / 0.34, 0.6);
        double f = 2.0 * std::sin(TwoPi / 2 * centre / EffectRate);
        double x = noise.Next();
        low += f * band;
        double high = x - low - 0.35 * band;
        band += f * high;
        phase += (180.0 + 900.0 * t / 0.34) / EffectRate;
        double env = std::min(1.0, t / 0.02) * std::exp(-t * 9.0);
        s[i] = env * (0.5 * band + 0.22 * SoftSquare(phase) * std::exp(-t * 6.0));
    }
    return s;
}

// Kill: a crunchy burst falling in pitch.
std::vector<double> Hit() {
    int n = EffectRate * 45 / 100;
    std::vector<double> s(n);
    Noise noise{0x9e3779b9u};
    double phase = 0, low = 0;
    for (int i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / EffectRate;
        phase += (520.0 * std::exp(-t * 7.0) + 55.0) / EffectRate;
        low += 0.18 * (noise.Next() - low);
        double tone = SoftSquare(phase);
        // A coarse sample-and-hold gives the burst its grit.
        double crushed = std::round(tone * 3.0) / 3.0;
        double env = std::min(1.0, t / 0.002) * std::exp(-t * 8.0);
        s[i] = env * (0.45 * crushed + 0.5 * low * std::exp(-t * 10.0));
    }
    return s;
}

// Kill, the second set's take: the figure popping into a shower of notes.
std::vector<double> Pop() {
    int n = EffectRate * 40 / 100;
    std::vector<double> s(n, 0.0);
    Noise noise{0x51ed270bu};
    const double notes[] = {1568.0, 1175.0, 988.0, 784.0, 587.0, 392.0};
    for (int k = 0; k < 6; ++k) {
        int start = k * EffectRate * 35 / 1000;
        double phase = 0;
        for (int i = start; i < n; ++i) {
            double t = static_cast<double>(i - start) / EffectRate;
            phase += notes[k] / EffectRate;
            double env = std::min(1.0, t / 0.002) * std::exp(-t * 28.0);
            s[i] += 0.28 * env * (std::sin(TwoPi * phase) + 0.3 * SoftSquare(phase * 0.5));
        }
    }
    for (int i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / EffectRate;
        s[i] += 0.35 * noise.Next() * std::exp(-t * 45.0);
    }
    return s;
}

} // namespace

// Returns a mono 16-bit WAV file of a sound effect: "click", "launch", "hit"
// or "pop".
std::string MakeEffect(const std::string& name) {
    if (name == "click") return Wav(Click());
    if (name == "launch") return Wav(Launch());
    if (name == "hit") return Wav(Hit());
    return Wav(Pop());
}
