// Reads a RealAudio file back with libavformat and libavcodec, as a player
// would, and measures how well its sound matches the test voice.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace realconv_test {

struct ProbedAudio {
    std::string error;  // empty when the file was read to the end
    std::string formatName;
    std::string codecName;
    int sampleRate = 0;
    int channels = 0;
    double durationSeconds = 0;
    std::map<std::string, std::string> metadata;
    std::vector<int64_t> packetTimesMs;
    std::vector<int16_t> decoded;  // mono
};

ProbedAudio ProbeRealAudio(const std::string& path);

struct Match {
    double correlation = 0;  // normalised, at the best lag
    int lag = 0;             // decoded sample index minus voice sample index
};

// Compares decoded 8000 Hz sound with VoiceAt() sampled at 8000 Hz, trying
// every lag up to maxLag samples either way.
Match MatchVoice(const std::vector<int16_t>& decoded, int maxLag);

}  // namespace realconv_test
