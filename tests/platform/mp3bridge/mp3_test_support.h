// What the MP3 tests share: a generated voice, wave files written with the
// RIFF writer, a scratch folder, and MP3 files decoded by libavcodec (which
// also reports each frame's bit rate and sample rate).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace mp3test {

// A voice-like sound: a gliding pitch with falling harmonics, shaped into
// syllables. Interleaved when channels is 2 (the right channel is a quieter
// copy, so the channels differ).
std::vector<int16_t> MakeVoice(int sampleRate, double seconds, int channels = 1);

struct WaveLayout {
    int fmtBytes = 18;                 // 18 as the program writes it, 16 as most tools do
    std::vector<uint8_t> chunkBefore;  // a "LIST" chunk before the data when not empty
    std::vector<uint8_t> chunkAfter;   // a "prtl" chunk after the data when not empty
};

// Writes 16-bit PCM samples as a RIFF WAVE file.
void WriteWave(const std::string& path, const std::vector<int16_t>& samples, int sampleRate, int channels,
               const WaveLayout& layout = {});

struct DecodedMp3 {
    bool ok = false;
    int sampleRate = 0;
    int channels = 0;
    std::vector<float> left;           // the first channel, full scale 1.0
    std::set<int> frameBitratesKbit;   // every frame's bit rate
    std::set<int> frameSampleRates;
    int frames = 0;
};
DecodedMp3 DecodeMp3(const std::string& path);

// The largest normalised correlation of the decoded sound with the source's
// first channel over lags 0..maxLag, computed over a stretch from the middle.
struct Alignment {
    double correlation = 0;
    int lag = 0;
};
Alignment AlignWithSource(const std::vector<float>& decoded, const std::vector<int16_t>& source, int channels,
                          int maxLag);

// Expects every frame of the MP3 file to carry kbit at sampleRate, and the
// voice to come through whole and gapless: correlated with the source at lag
// 0 and exactly as long as it (the Info tag's delay and padding are taken
// off by the decoder).
void ExpectFaithfulLameExport(const std::string& mp3, const std::vector<int16_t>& voice, int sampleRate, int channels,
                              int kbit);

// Gapless at any length: voices of several lengths (3.000 s among them) at
// 22050 Hz mono, encoded with encode(sourceWave, mp3), decode to exactly
// their samples. Returns the last MP3 file written (in folder).
std::string ExpectGaplessAtSeveralLengths(const std::function<bool(const std::string&, const std::string&)>& encode,
                                          const testsupport::TempFolder& folder);

// The voices both routes are tried with, and the rates a LAME encoder offers
// for each at the voice's own sample rate.
struct VoiceCase {
    int sampleRate;
    int channels;
    std::vector<int> offered;
};
std::vector<VoiceCase> VoiceCases();
std::string VoiceCaseName(const VoiceCase& c);

std::string ReadAll(const std::string& path);

using ScratchFolder = testsupport::TempFolder;

}  // namespace mp3test
