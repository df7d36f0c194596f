#include "time_readout.h"

#include <cmath>
#include <cstdio>

#include "wave_format.h"

namespace voice {

std::string TimeReadoutText(uint32_t milliseconds)
{
    const uint32_t minutes = milliseconds / 60000;
    const uint32_t seconds = (milliseconds % 60000) / 1000;
    const uint32_t hundredths = (milliseconds % 1000) / 10;
    char text[40];
    std::snprintf(text, sizeof text, " POS: %02u:%02u:%02u", minutes, seconds, hundredths);
    return text;
}

uint32_t VoiceLengthMs(int32_t voiceBytes)
{
    if (voiceBytes <= 0)
        return 0;
    return uint32_t(std::llrint((long double)voiceBytes / kVoiceBytesPerSecond * 1000));
}

uint32_t ThirtySecondsToMs(uint32_t k)
{
    // k * 31.25 ends in .5 for k = 2 (mod 4): those round to the even neighbour.
    return uint32_t(std::llrint((long double)k * 1000 / 32));
}

uint32_t SecondsToThirtySeconds(double seconds)
{
    return seconds <= 0 ? 0 : uint32_t(std::llrint((long double)seconds * 32));
}

}  // namespace voice
