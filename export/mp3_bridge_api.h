// The conversion dialog's view of libmp3bridge: the five functions, held as
// replaceable functions so that a test can answer with the codes the system
// library gives only on other machines (no MP3 component, decode only, a
// status of 100 or more, a call that raises).
#pragma once

#include <cstdint>
#include <functional>

namespace mp3 {

struct Mp3BridgeApi {
    std::function<int16_t(const char* sourceWave)> isValidMP3CodecFound;
    std::function<int32_t(const char* sourceWave, int32_t bitsPerSecond, uint8_t* supported)> isBitrateSupported;
    std::function<int32_t(const char* sourceWave, const char* destinationMp3, int32_t bitsPerSecond)>
        convertWaveFileToMp3;
    std::function<int16_t()> getStatusWavToMP3;
    std::function<void()> stopConversionWavToMP3;

    // The functions of the system library.
    static Mp3BridgeApi System();
};

}  // namespace mp3
