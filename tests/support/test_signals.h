// Signals generated inside the tests: tones, noise, a speech-like voice, and
// the awkward cases (full scale, silence, impulses).
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace testsignals {

using Voice = std::vector<int16_t>;

inline Voice Tone(double hz, int32_t count, double amplitude = 10000, double rate = 22050)
{
    Voice v(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        v[size_t(i)] = int16_t(std::lround(amplitude * std::sin(2 * M_PI * hz * i / rate)));
    return v;
}

// Deterministic white noise over the whole 16-bit range (or a smaller one).
inline Voice Noise(int32_t count, uint32_t seed, int32_t amplitude = 32768)
{
    Voice v(static_cast<size_t>(count));
    uint64_t state = seed * 6364136223846793005ull + 1442695040888963407ull;
    for (auto& s : v) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const int32_t r = int32_t(state >> 33) % (2 * amplitude);
        s = int16_t(std::max(-32768, std::min(32767, r - amplitude)));
    }
    return v;
}

// A vowel-like voice: a gliding fundamental with decaying harmonics under a
// syllable envelope, loud enough to clip some effects.
inline Voice SpeechLike(int32_t count, double amplitude = 20000)
{
    Voice v(static_cast<size_t>(count));
    double phase = 0;
    for (int32_t i = 0; i < count; ++i) {
        const double t = i / 22050.0;
        const double f0 = 120 + 40 * std::sin(2 * M_PI * 1.3 * t);
        phase += 2 * M_PI * f0 / 22050.0;
        double s = 0;
        for (int h = 1; h <= 12; ++h)
            s += std::sin(h * phase) / h;
        const double envelope = std::pow(std::sin(M_PI * std::fmod(t * 3.0, 1.0)), 2);
        v[size_t(i)] = int16_t(std::lround(std::max(-32768.0, std::min(32767.0, amplitude * 0.6 * s * envelope))));
    }
    return v;
}

inline Voice Square(int32_t count, int32_t period, int16_t high = 32767, int16_t low = -32768)
{
    Voice v(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        v[size_t(i)] = (i % period) < period / 2 ? high : low;
    return v;
}

inline Voice Constant(int32_t count, int16_t value) { return Voice(size_t(count), value); }

inline Voice Impulse(int32_t count, int32_t at, int16_t value)
{
    Voice v(static_cast<size_t>(count), 0);
    v[size_t(at)] = value;
    return v;
}

// Frequency of a steady tone from its rising zero crossings, over [from, to).
inline double ZeroCrossingFrequency(const Voice& v, size_t from, size_t to, double rate = 22050)
{
    int crossings = 0;
    double first = -1, last = -1;
    for (size_t i = from + 1; i < to; ++i) {
        if (v[i - 1] < 0 && v[i] >= 0) {
            const double at = double(i - 1) + double(-v[i - 1]) / double(v[i] - v[i - 1]);
            if (first < 0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0;
    return (crossings - 1) * rate / (last - first);
}

}  // namespace testsignals

namespace testsignals {

// The strongest frequency between lowHz and highHz (1 Hz resolution), by a
// Goertzel scan over [from, to).
inline double DominantFrequency(const Voice& v, size_t from, size_t to, double lowHz, double highHz,
                                double rate = 22050)
{
    double best = 0, bestPower = -1;
    for (double hz = lowHz; hz <= highHz; hz += 1) {
        const double coefficient = 2 * std::cos(2 * M_PI * hz / rate);
        double s1 = 0, s2 = 0;
        for (size_t i = from; i < to; ++i) {
            const double s = v[i] + coefficient * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
        if (power > bestPower) {
            bestPower = power;
            best = hz;
        }
    }
    return best;
}

}  // namespace testsignals
