// What the media tests share: tone files made by ffmpeg and sox, sound read
// back by ffmpeg, and a tone's pitch, level and length measured.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mediatest {

// The tone every file carries: 440 Hz at half of full scale, 1.5 s, the same
// in every channel.
constexpr double kToneHz = 440;
constexpr double kToneAmplitude = 0.5;
constexpr double kToneSeconds = 1.5;
// Its level as the root mean square of a sine: -9.03 dB of full scale.
double ToneLevelDb();

// Runs a shell command; its exit status (its output goes to the test's log).
int RunCommand(const std::string& command);

// An ffmpeg source of the tone: `-f lavfi -i aevalsrc=...` with this rate
// and channel count.
std::string FfmpegTone(int sampleRate, int channels, double seconds = kToneSeconds);
// The effects that make the tone, for `sox -n <output options> FILE <this>`.
std::string SoxTone();

// The sound of any file, as ffmpeg decodes it: 16-bit mono at the rate given.
std::vector<int16_t> DecodeWithFfmpeg(const std::string& path, int sampleRate);
// One stream property ffprobe reports ("codec_name", "sample_rate") or the
// container's ("format_name"), empty when it cannot tell.
std::string Probe(const std::string& path, const std::string& entry);

struct Measured {
    double frequency = 0;  // Hz, from the upward zero crossings of the middle half
    double levelDb = -200; // root mean square of the middle half, dB of full scale
};
Measured MeasureTone(const std::vector<int16_t>& samples, int sampleRate);

std::vector<uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace mediatest
