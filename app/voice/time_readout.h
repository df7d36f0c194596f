// The time read-out under the record button: " POS: mm:ss:cc".
#pragma once

#include <cstdint>
#include <string>

namespace voice {

// What the read-out shows when no voice is loaded (also its design text).
constexpr const char* kClearedTimeReadout = " POS: 00:00:00 ";

// " POS: " + minutes (at least two digits) + ":" + seconds + ":" + hundredths.
std::string TimeReadoutText(uint32_t milliseconds);

// The length of a voice of that many bytes, in exact milliseconds.
uint32_t VoiceLengthMs(int32_t voiceBytes);

// A time counted in 1/32 seconds, in milliseconds (Round(k * 1000 / 32)).
uint32_t ThirtySecondsToMs(uint32_t k);

// Round(seconds * 32): how positions reach the read-out, in 1/32 seconds.
uint32_t SecondsToThirtySeconds(double seconds);

}  // namespace voice
