// The music loop: sixteen bars of bass, pad, arpeggio, a short melody and
// drums, rendered on a circular buffer so that every tail that runs past the
// end sounds again at the start and the loop has no seam; encoded as Vorbis.
#include "DataGen.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr int Rate = 44100;
constexpr int Bpm = 126;
constexpr int Step = Rate * 15 / Bpm; // one sixteenth note: 5250 samples exactly
constexpr int Bars = 16;
constexpr int Length = Step * 16 * Bars;
constexpr double TwoPi = 6.28318530717958647692;

// Chords, one per bar, as MIDI notes of root, third and fifth.
const int Chords[Bars][3] = {
    {57, 60, 64}, {53, 57, 60}, {48, 52, 55}, {55, 59, 62}, // Am F C G
    {57, 60, 64}, {53, 57, 60}, {48, 52, 55}, {52, 56, 59}, // Am F C E
    {53, 57, 60}, {55, 59, 62}, {52, 55, 59}, {57, 60, 64}, // F G Em Am
    {50, 53, 57}, {53, 57, 60}, {55, 59, 62}, {52, 56, 59}, // Dm F G E
};

// The melody of the second half: note and length in sixteenths; 0 rests.
const int Melody[][2] = {
    {72, 4}, {69, 2}, {72, 2}, {74, 6}, {72, 2}, // bar 9
    {71, 4}, {67, 4}, {74, 6}, {0, 2},           // bar 10
    {71, 4}, {72, 2}, {71, 2}, {67, 8},          // bar 11
    {69, 6}, {72, 2}, {76, 8},                   // bar 12
    {77, 4}, {76, 2}, {74, 2}, {69, 8},          // bar 13
    {72, 4}, {74, 2}, {72, 2}, {69, 8},          // bar 14
    {71, 4}, {74, 4}, {79, 4}, {77, 4},          // bar 15
    {76, 6}, {74, 2}, {71, 4}, {68, 4},          // bar 16
};

// Drum hits per sixteenth of a bar: k kick, s snare, h closed hat, o open hat.
const char* const DrumBar = "k.h.s.hkk.h.s.ho";
const char* const DrumFill = "k.h.s.hkk.s.sss.";

// Returns sin(2π × turns) from a table with linear interpolation: the mix
// calls it tens of millions of times.
double TableSin(double turns) {
    constexpr int Size = 4096;
    static const std::vector<double> table = [] {
        std::vector<double> t(Size + 1);
        for (int i = 0; i <= Size; ++i) t[i] = std::sin(TwoPi * i / Size);
        return t;
    }();
    double f = (turns - std::floor(turns)) * Size;
    int i = static_cast<int>(f);
    return table[i] + (table[i + 1] - table[i]) * (f - i);
}

// Returns the frequency of a MIDI note.
double NoteHz(double note) {
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

// The stereo mix being rendered: left and right, wrapped at Length.
struct Mix {
    std::vector<double> left = std::vector<double>(Length, 0.0);
    std::vector<double> right = std::vector<double>(Length, 0.0);
    // Adds a sample at position i (wrapped) with a pan from -1 to 1.
    void Add(long i, double value, double pan) {
        size_t k = static_cast<size_t>(((i % Length) + Length) % Length);
        left[k] += value * (1.0 - pan) * 0.5;
        right[k] += value * (1.0 + pan) * 0.5;
    }
};

// A repeatable noise source.
struct Noise {
    uint32_t state;
    // Returns the next value in [-1, 1).
    double Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }
};

// Adds a plucked note: a few decaying harmonics.
void Pluck(Mix& mix, long start, double note, double seconds, double gain, double pan) {
    double f = NoteHz(note);
    long n = static_cast<long>(seconds * Rate);
    // Decays kept as running products instead of an exp per sample.
    double decay = 1.0, decay2 = 1.0, decay3 = 1.0;
    const double k1 = std::exp(-7.0 / Rate), k2 = std::exp(-10.0 / Rate),
                 k3 = std::exp(-16.0 / Rate);
    for (long i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / Rate;
        double env = std::min(1.0, t / 0.003) * decay * (1.0 - static_cast<double>(i) / n);
        double v = TableSin(f * t) + 0.35 * decay2 * TableSin(2 * f * t) +
                   0.12 * decay3 * TableSin(3 * f * t);
        mix.Add(start + i, gain * env * v, pan);
        decay *= k1;
        decay2 *= k2;
        decay3 *= k3;
    }
}

// Adds a round bass note with a short attack and release.
void Bass(Mix& mix, long start, double note, long length, double gain) {
    double f = NoteHz(note);
    long release = Rate / 50;
    double decay = 1.0;
    const double k = std::exp(-6.0 / Rate);
    for (long i = 0; i < length + release; ++i) {
        double t = static_cast<double>(i) / Rate;
        double env = std::min(1.0, t / 0.005) * (0.6 + 0.4 * decay);
        if (i > length) env *= 1.0 - static_cast<double>(i - length) / release;
        double s1 = TableSin(f * t);
        double v = s1 + 0.25 * TableSin(2 * f * t) + 0.1 * std::tanh(3 * s1);
        mix.Add(start + i, gain * env * v, 0.0);
        decay *= k;
    }
}

// Adds a soft pad chord over `length` samples with slow swells.
void Pad(Mix& mix, long start, const int chord[3], long length, double gain) {
    long fade = Rate / 4;
    for (int v = 0; v < 3; ++v) {
        for (int detune = -1; detune <= 1; detune += 2) {
            double f = NoteHz(chord[v] + 12) * (1.0 + detune * 0.003);
            double pan = detune * 0.45;
            for (long i = 0; i < length + fade; ++i) {
                double t = static_cast<double>(i) / Rate;
                double env = std::min(1.0, static_cast<double>(i) / fade);
                if (i > length) env *= 1.0 - static_cast<double>(i - length) / fade;
                // Triangle: mellow, with odd harmonics.
                double ph = f * t - std::floor(f * t);
                double tri = 4.0 * std::fabs(ph - 0.5) - 1.0;
                mix.Add(start + i, gain * env * tri, pan);
            }
        }
    }
}

// Adds a square-ish lead note with vibrato.
void Lead(Mix& mix, long start, double note, long length, double gain) {
    double f = NoteHz(note);
    long release = Rate / 10;
    double phase = 0;
    for (long i = 0; i < length + release; ++i) {
        double t = static_cast<double>(i) / Rate;
        double vib = 1.0 + 0.004 * std::sin(TwoPi * 5.5 * t) * std::min(1.0, t / 0.3);
        phase += f * vib / Rate;
        double env = std::min(1.0, t / 0.01) * (0.7 + 0.3 * std::exp(-t * 4.0));
        if (i > length) env *= 1.0 - static_cast<double>(i - length) / release;
        double v =
            std::tanh(2.0 * std::sin(TwoPi * phase)) * 0.7 + 0.3 * std::sin(TwoPi * 2 * phase);
        mix.Add(start + i, gain * env * v, 0.15);
    }
}

// Adds one drum hit.
void Drum(Mix& mix, long start, char kind, Noise& noise) {
    if (kind == 'k') {
        long n = Rate / 4;
        double phase = 0;
        for (long i = 0; i < n; ++i) {
            double t = static_cast<double>(i) / Rate;
            phase += (45.0 + 90.0 * std::exp(-t * 30.0)) / Rate;
            double env = std::exp(-t * 14.0) * (1.0 - static_cast<double>(i) / n);
            mix.Add(start + i, 0.9 * env * std::sin(TwoPi * phase), 0.0);
        }
    } else if (kind == 's') {
        long n = Rate / 5;
        double low = 0;
        for (long i = 0; i < n; ++i) {
            double t = static_cast<double>(i) / Rate;
            double x = noise.Next();
            low += 0.5 * (x - low);
            double env = std::exp(-t * 20.0) * (1.0 - static_cast<double>(i) / n);
            double body = std::sin(TwoPi * 190.0 * t) * std::exp(-t * 35.0);
            mix.Add(start + i, env * (0.32 * (x - 0.5 * low) + 0.3 * body), -0.1);
        }
    } else {
        long n = kind == 'o' ? Rate / 6 : Rate / 25;
        double prev = 0;
        for (long i = 0; i < n; ++i) {
            double t = static_cast<double>(i) / Rate;
            double x = noise.Next();
            double high = x - prev; // first difference: a simple high-pass
            prev = x;
            double env =
                std::exp(-t * (kind == 'o' ? 18.0 : 90.0)) * (1.0 - static_cast<double>(i) / n);
            mix.Add(start + i, 0.12 * env * high, 0.35);
        }
    }
}

} // namespace

// Returns the music loop as interleaved stereo samples (before encoding).
std::vector<float> RenderMusic(int& sampleRate) {
    sampleRate = Rate;
    Mix mix;
    Noise noise{0x2545f491u};
    const long bar = Step * 16;
    for (int b = 0; b < Bars; ++b) {
        const int* chord = Chords[b];
        long at = b * bar;
        Pad(mix, at, chord, bar - Rate / 8, 0.035);
        // Bass: root on the beat and its off-beat, octave lift before the next bar.
        const int bassLine[8] = {0, 0, 12, 0, 0, 0, 12, 7};
        for (int e = 0; e < 8; ++e) {
            int note = chord[0] - 24 + bassLine[e];
            Bass(mix, at + e * 2 * Step, note, Step * 2 - Step / 3, 0.26);
        }
        // Arpeggio: up and down the chord an octave higher, echoing left/right.
        const int order[8] = {0, 1, 2, 1, 0, 1, 2, 1};
        for (int s = 0; s < 16; ++s) {
            int tone = chord[order[s % 8]] + 12 + (s >= 8 && (s % 4 == 2) ? 12 : 0);
            double pan = (s % 2 == 0) ? -0.4 : 0.4;
            Pluck(mix, at + s * Step, tone, 0.35, 0.09, pan);
            Pluck(mix, at + s * Step + 3 * Step, tone, 0.3, 0.035, -pan); // echo
        }
        const char* drums = (b % 4 == 3) ? DrumFill : DrumBar;
        for (int s = 0; s < 16; ++s) {
            if (drums[s] == '.') continue;
            // the first four bars keep the snare back
            if (b < 4 && drums[s] == 's') continue;
            Drum(mix, at + s * Step, drums[s], noise);
        }
    }
    long at = 8 * bar;
    for (const auto& m : Melody) {
        if (m[0] != 0) Lead(mix, at, m[0], m[1] * Step - Step / 4, 0.085);
        at += m[1] * Step;
    }
    // Scale to a safe peak and interleave.
    double peak = 1e-9;
    for (long i = 0; i < Length; ++i)
        peak = std::max({peak, std::fabs(mix.left[i]), std::fabs(mix.right[i])});
    double gain = 0.85 / peak;
    std::vector<float> out(static_cast<size_t>(Length) * 2);
    for (long i = 0; i < Length; ++i) {
        out[2 * i] = static_cast<float>(mix.left[i] * gain);
        out[2 * i + 1] = static_cast<float>(mix.right[i] * gain);
    }
    return out;
}

namespace {
// Appends one Ogg page to the output.
void AppendPage(std::string& out, const ogg_page& page) {
    out.append(reinterpret_cast<const char*>(page.header), page.header_len);
    out.append(reinterpret_cast<const char*>(page.body), page.body_len);
}
} // namespace

// Returns the music loop as an Ogg Vorbis file.
std::string MakeMusic() {
    int rate = 0;
    std::vector<float> pcm = RenderMusic(rate);
    long frames = static_cast<long>(pcm.size() / 2);
    std::string out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, rate, 0.3f) != 0) {
        vorbis_info_clear(&info);
        return {};
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", "Turmoil (short loop)");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x5672656d); // fixed serial: identical bytes every run
    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0) AppendPage(out, page);
    const long chunk = 4096;
    bool done = false;
    for (long pos = 0; !done;) {
        long count = std::min(chunk, frames - pos);
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (long i = 0; i < count; ++i) {
                buffer[0][i] = pcm[2 * (pos + i)];
                buffer[1][i] = pcm[2 * (pos + i) + 1];
            }
            vorbis_analysis_wrote(&dsp, static_cast<int>(count));
            pos += count;
        } else {
            vorbis_analysis_wrote(&dsp, 0); // end of stream
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    AppendPage(out, page);
                    if (ogg_page_eos(&page)) done = true;
                }
            }
        }
        if (count <= 0 && !done) {
            while (ogg_stream_flush(&stream, &page) != 0) AppendPage(out, page);
            done = true;
        }
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}
