// MP3 encoding through libavcodec: which encoder to use, which bit rates it
// really produces for a source, and the conversion of a wave file.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "wave_source.h"

struct AVCodec;

namespace mp3 {

// The best MP3 encoder libavcodec has: LAME (it keeps the source's sample
// rate and sounds best at the low rates a voice needs), else shine, else
// whatever else encodes MP3. Null when there is none.
const AVCodec* PreferredMp3Encoder();
// A named encoder ("libmp3lame", "libshine"), null when it is missing or
// does not encode MP3.
const AVCodec* Mp3EncoderByName(const char* name);
// True when libavcodec can at least decode MP3.
bool HasMp3Decoder();

// Opens the source and checks that its samples can be fed to the encoder;
// kResultOk or the result code that says what is wrong.
int16_t CheckWaveSource(const AVCodec* encoder, const std::string& path, WaveFormat& format);
// The sample rate the MP3 file gets: the source's own when the encoder takes
// it, else the nearest rate above that it takes (resampling on the way).
int OutputSampleRate(const AVCodec* encoder, int sourceRate);
// Encodes a little silence and reads the frames: true only when they carry
// exactly this bit rate at the output sample rate.
bool ProducesBitrate(const AVCodec* encoder, const WaveFormat& format, int bitsPerSecond);

// Converts the whole data chunk. percent (0..100) is updated as it goes; the
// conversion ends with kUserAbort soon after stop becomes true. Only a
// complete file ever appears at the destination.
int16_t ConvertWave(const AVCodec* encoder, const std::string& source, const std::string& destination,
                    int bitsPerSecond, std::atomic<int16_t>& percent, const std::atomic<bool>& stop);

}  // namespace mp3
