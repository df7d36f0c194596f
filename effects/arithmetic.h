// The arithmetic every effect routine shares: rounding with ties to even,
// clipping to 16 bits, milliseconds to samples, and the 16-bit store that
// keeps the low bits.
//
// Floating-point work is done in long double, which is the x87 extended format
// (64-bit mantissa) on x86-64 Linux; the routines' results are defined by that
// precision, bit for bit.
#pragma once

#include <cmath>
#include <cstdint>

namespace effects {

using Extended = long double;
static_assert(sizeof(Extended) >= 10, "the effects need the 64-bit-mantissa extended format");

constexpr int32_t kSampleRate = 22050;

// Round to the nearest integer, halves to the even neighbour (the default
// rounding mode of the FPU, which the program never changes).
inline int64_t RoundEven(Extended x)
{
#if defined(__x86_64__) || defined(__i386__)
    int64_t rounded;
    __asm__("fistpll %0" : "=m"(rounded) : "t"(x) : "st");  // what llrintl does, without the call
    return rounded;
#else
    return std::llrint(x);
#endif
}
inline int64_t RoundEven(double x) { return std::llrint(x); }

// Saturate to the 16-bit range.
inline int16_t Clip16(int64_t v)
{
    return v > 32767 ? int16_t(32767) : v < -32768 ? int16_t(-32768) : int16_t(v);
}

// A store without clipping keeps the low 16 bits (two's complement wrap-around).
inline int16_t Wrap16(int64_t v) { return int16_t(uint16_t(uint64_t(v))); }

// Round(ms * 22050 / 1000), the product formed as an integer first.
// 300 ms gives 6615, 35 ms 772, 25 ms 551, 15 ms 331, 12 ms 265, 6 ms 132.
inline int32_t MsToSamples(int32_t ms)
{
    return int32_t(RoundEven(Extended(int64_t(ms) * kSampleRate) / 1000));
}

}  // namespace effects
