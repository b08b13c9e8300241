#include "WaveSynth.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <cstdint>

namespace {

constexpr double kPeak = 0.6;  // of full scale

// A struck tone: a few partials, each dying away at its own speed.
struct Partial {
    double ratio, level, decay;  // decay: seconds to fall to 1/e
};

double Struck(double t, double frequency, const Partial* partials, int count)
{
    if (t < 0)
        return 0;
    double v = 0;
    for (int i = 0; i < count; ++i)
        v += partials[i].level * std::exp(-t / partials[i].decay) *
             std::sin(2 * M_PI * frequency * partials[i].ratio * t);
    return v;
}

// Raised-cosine fades at both ends, then scaled so the louder channel peaks at kPeak.
void Shape(std::vector<double>& left, std::vector<double>& right, int fadeIn, int fadeOut)
{
    const int n = int(left.size());
    for (int i = 0; i < n; ++i) {
        double g = 1;
        if (i < fadeIn)
            g = 0.5 - 0.5 * std::cos(M_PI * i / fadeIn);
        if (i >= n - fadeOut)
            g *= 0.5 - 0.5 * std::cos(M_PI * (n - 1 - i) / fadeOut);
        left[i] *= g;
        right[i] *= g;
    }
    double peak = 1e-9;
    for (int i = 0; i < n; ++i)
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    for (int i = 0; i < n; ++i) {
        left[i] *= kPeak / peak;
        right[i] *= kPeak / peak;
    }
}

void PutLe(std::vector<unsigned char>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>((value >> (8 * i)) & 0xFF));
}

void PutTag(std::vector<unsigned char>& out, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(tag[i]));
}

}  // namespace

std::vector<unsigned char> CWaveSynth::CardSound()
{
    // A marimba bar: the fundamental with the bright fourth partial that
    // dies quickly, and a quiet wooden knock at the start.
    static const Partial kBar[] = {{1.0, 1.0, 0.045}, {3.93, 0.35, 0.012}, {9.2, 0.08, 0.005}};
    std::vector<double> left(kCardFrames), right(kCardFrames);
    for (int i = 0; i < kCardFrames; ++i) {
        const double t = i / double(kRate);
        const double main = Struck(t, 784.0, kBar, 3);           // G5
        const double under = 0.45 * Struck(t - 0.004, 523.25, kBar, 1);  // C5 a hair later
        left[i] = main + 0.8 * under;
        right[i] = 0.9 * main + under;
    }
    Shape(left, right, 40, 400);
    return WaveFile(left, right);
}

std::vector<unsigned char> CWaveSynth::JokerSound()
{
    // Three bell notes rising C-E-G an octave up, alternating between the
    // speakers, so the joker sounds like a little flourish.
    static const Partial kBell[] = {{1.0, 1.0, 0.09}, {2.76, 0.30, 0.03}, {5.4, 0.10, 0.012}};
    const double notes[] = {1046.5, 1318.5, 1568.0};
    const double starts[] = {0.0, 0.045, 0.090};
    const double pan[] = {0.75, 0.25, 0.5};
    std::vector<double> left(kJokerFrames), right(kJokerFrames);
    for (int i = 0; i < kJokerFrames; ++i) {
        const double t = i / double(kRate);
        double l = 0, r = 0;
        for (int k = 0; k < 3; ++k) {
            const double v = Struck(t - starts[k], notes[k], kBell, 3) * (k == 2 ? 1.1 : 0.85);
            l += v * (1 - pan[k]);
            r += v * pan[k];
        }
        left[i] = l;
        right[i] = r;
    }
    Shape(left, right, 40, 600);
    return WaveFile(left, right);
}

std::vector<unsigned char> CWaveSynth::WaveFile(const std::vector<double>& left, const std::vector<double>& right)
{
    const std::uint32_t frames = static_cast<std::uint32_t>(left.size());
    const std::uint32_t dataBytes = frames * 4;
    std::vector<unsigned char> out;
    out.reserve(44 + dataBytes);
    PutTag(out, "RIFF");
    PutLe(out, 36 + dataBytes, 4);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);            // PCM
    PutLe(out, 2, 2);            // channels
    PutLe(out, kRate, 4);
    PutLe(out, kRate * 4, 4);    // bytes per second
    PutLe(out, 4, 2);            // bytes per frame
    PutLe(out, 16, 2);           // bits per sample
    PutTag(out, "data");
    PutLe(out, dataBytes, 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (double v : {left[i], right[i]}) {
            const double clamped = std::clamp(v, -1.0, 1.0);
            const auto sample = static_cast<std::int16_t>(std::lround(clamped * 32767.0));
            PutLe(out, static_cast<std::uint16_t>(sample), 2);
        }
    }
    return out;
}
