// Helpers for the RealAudio tests: scratch folders, wave files built byte by
// byte, and a test voice defined for any instant, so that the sound the
// decoder should give back at 8000 Hz can be computed exactly.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace realconv_test {

using testsupport::TempFolder;

// A vowel whose fundamental glides between 110 and 190 Hz, its harmonics kept
// below 2 kHz, under a syllable envelope; then a pause; then two tones.
// Everything lies well inside the band an 8000 Hz stream keeps.
inline double VoiceAt(double t)
{
    constexpr double kTwoPi = 2 * M_PI;
    const double cycle = std::fmod(t, 1.0);
    if (cycle < 0.55) {
        // The phase of a fundamental 150 + 40 sin(2 pi 1.5 t), integrated.
        const double phase = kTwoPi * (150 * t - 40 / (kTwoPi * 1.5) * std::cos(kTwoPi * 1.5 * t));
        double s = 0;
        for (int h = 1; h <= 10; ++h)
            s += std::sin(h * phase) * (h == 3 || h == 4 ? 0.9 : 1.0 / h);
        return 0.3 * s * std::pow(std::sin(M_PI * cycle / 0.55), 2);
    }
    if (cycle < 0.65)
        return 0;
    return 0.35 * std::sin(kTwoPi * 440 * t) + 0.25 * std::sin(kTwoPi * 1230 * t);
}

inline std::vector<int16_t> Voice(size_t frames, uint32_t rate)
{
    std::vector<int16_t> v(frames);
    for (size_t i = 0; i < frames; ++i)
        v[i] = int16_t(std::lround(32767 * 0.8 * VoiceAt(double(i) / rate)));
    return v;
}

// Byte-level construction of RIFF files.
class Bytes {
public:
    Bytes& u8(uint8_t v)
    {
        data.push_back(v);
        return *this;
    }
    Bytes& u16(uint16_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
    Bytes& u32(uint32_t v) { return u16(uint16_t(v)).u16(uint16_t(v >> 16)); }
    Bytes& text(const std::string& s)
    {
        for (char c : s)
            u8(uint8_t(c));
        return *this;
    }
    Bytes& append(const std::vector<uint8_t>& more)
    {
        data.insert(data.end(), more.begin(), more.end());
        return *this;
    }

    std::vector<uint8_t> data;
};

// A chunk with its header; the size written is the payload's unless given.
inline std::vector<uint8_t> Chunk(const std::string& id, const std::vector<uint8_t>& payload, int64_t size = -1)
{
    Bytes b;
    b.text(id).u32(size < 0 ? uint32_t(payload.size()) : uint32_t(size)).append(payload);
    if (payload.size() % 2)
        b.u8(0);
    return b.data;
}

inline std::vector<uint8_t> Riff(const std::string& form, const std::vector<std::vector<uint8_t>>& chunks)
{
    Bytes body;
    body.text(form);
    for (const auto& chunk : chunks)
        body.append(chunk);
    return Chunk("RIFF", body.data);
}

inline std::vector<uint8_t> PcmFormat(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t tag = 1)
{
    const uint16_t align = uint16_t(channels * bits / 8);
    Bytes b;
    b.u16(tag).u16(channels).u32(rate).u32(rate * align).u16(align).u16(bits);
    return b.data;
}

// Sample frames of the given layout, every channel carrying the mono voice.
inline std::vector<uint8_t> PcmData(const std::vector<int16_t>& mono, uint16_t channels, uint16_t bits)
{
    Bytes b;
    for (int16_t s : mono)
        for (uint16_t c = 0; c < channels; ++c) {
            if (bits == 8)
                b.u8(uint8_t((s >> 8) + 128));
            else if (bits == 16)
                b.u16(uint16_t(s));
            else
                b.u32(uint32_t(int32_t(s) * 65536));
        }
    return b.data;
}

inline std::vector<uint8_t> WaveFile(const std::vector<int16_t>& mono, uint32_t rate = 22050, uint16_t channels = 1,
                                     uint16_t bits = 16)
{
    return Riff("WAVE", {Chunk("fmt ", PcmFormat(channels, rate, bits)), Chunk("data", PcmData(mono, channels, bits))});
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace realconv_test
