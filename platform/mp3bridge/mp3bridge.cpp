#include "mp3bridge.h"

#include <atomic>
#include <exception>

#include "av_encoder.h"
#include "result_codes.h"

namespace {

// The one conversion of the process: written by it, read by any thread.
std::atomic<int16_t> g_percent{0};
std::atomic<bool> g_stop{false};
std::atomic<bool> g_busy{false};

}  // namespace

extern "C" {

int16_t IsValidMP3CodecFound(const char* sourceWave)
{
    try {
        const AVCodec* encoder = mp3::PreferredMp3Encoder();
        if (!encoder)
            return mp3::HasMp3Decoder() ? mp3::kDecodeOnlyCodec : mp3::kNoMp3Component;
        if (!sourceWave)
            return mp3::kCannotOpenInputWave;
        mp3::WaveFormat format;
        return mp3::CheckWaveSource(encoder, sourceWave, format);
    } catch (...) {
        return mp3::kCodecNotFound;
    }
}

int32_t IsBitrateSupported(const char* sourceWave, int32_t bitsPerSecond, uint8_t* supported)
{
    try {
        const AVCodec* encoder = mp3::PreferredMp3Encoder();
        if (!encoder)
            return mp3::kCodecNotFound;
        if (!sourceWave)
            return mp3::kCannotOpenInputWave;
        mp3::WaveFormat format;
        if (const int16_t result = mp3::CheckWaveSource(encoder, sourceWave, format))
            return result;
        if (!mp3::ProducesBitrate(encoder, format, bitsPerSecond))
            return mp3::kCannotOpenCodecStream;
        if (supported)
            *supported = 1;
        return mp3::kResultOk;
    } catch (...) {
        return mp3::kCodecNotFound;
    }
}

int32_t ConvertWaveFileToMp3(const char* sourceWave, const char* destinationMp3, int32_t bitsPerSecond)
{
    if (!sourceWave)
        return mp3::kCannotOpenInputWave;
    if (!destinationMp3)
        return mp3::kCannotOpenOutputFile;
    if (g_busy.exchange(true))
        return mp3::kStreamNotCreated;
    g_stop.store(false);
    int16_t result = mp3::kCodecNotFound;
    try {
        result = mp3::ConvertWave(mp3::PreferredMp3Encoder(), sourceWave, destinationMp3, bitsPerSecond, g_percent,
                                  g_stop);
    } catch (...) {
        result = mp3::kCalculationError;
    }
    g_busy.store(false);
    return result;
}

int16_t GetStatusWavToMP3(void) { return g_percent.load(); }

void StopConversionWavToMP3(void) { g_stop.store(true); }

}  // extern "C"
