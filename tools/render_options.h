// The command line of parrotel-render.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "effect_settings.h"

namespace render {

struct Options {
    std::vector<voice::Effect> pressed;  // switches to set down, in the order given
    std::optional<int32_t> pitchPosition;
    bool clear = false;  // release the file's saved settings first
    bool save = false;   // write the unprocessed voice with its settings
    bool quiet = false;
    bool help = false;
    std::string input, output;
    // MP3 and Opus output (OUT.mp3, OUT.opus, OUT.ogg), kbit/s
    int bitrate = 0;
    bool bitrateGiven = false;
    // RealAudio output (OUT.ra)
    std::string title, author, copyright;
};

enum class OutputKind { Wave, Mp3, RealAudio, Opus, Flac };
// By the output file's extension (case ignored): .mp3, .ra, .opus and .ogg
// (Opus), .flac; anything else is a wave file.
OutputKind KindOf(const std::string& output);

// The bit rates used when --bitrate is not given (kbit/s).
constexpr int kDefaultMp3Bitrate = 64;
constexpr int kDefaultOpusBitrate = 32;

// Parses the arguments (options may come before or after the file names).
// Returns an error text when they make no sense.
std::optional<std::string> ParseOptions(const std::vector<std::string>& arguments, Options& options);

extern const char* const kUsage;

}  // namespace render
