// The arithmetic every effect routine shares: rounding with ties to even,
// clipping to 16 bits, milliseconds to samples, and the 16-bit store that
// keeps the low bits.
//
// The routines' results are defined by the x87 extended format (64-bit
// significand, every operation rounded to nearest with ties to even), bit for
// bit, on every processor:
// - on x86-64, Extended is long double, which is that format, computed by the
//   x87 itself;
// - elsewhere (and on x86-64 when built with PARROTEL_PORTABLE_ARITHMETIC),
//   Extended is X87Extended, the same format in integer arithmetic.
// Double-precision work must be plain IEEE double everywhere, with no excess
// precision and no fused multiply-add (the build turns contraction off).
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>

#if defined(__x86_64__) && !defined(PARROTEL_PORTABLE_ARITHMETIC)
#define PARROTEL_NATIVE_X87 1
#else
#define PARROTEL_NATIVE_X87 0
#include "x87_extended.h"
#endif

static_assert(FLT_EVAL_METHOD == 0, "the effects need double arithmetic without excess precision");

namespace effects {

#if PARROTEL_NATIVE_X87
using Extended = long double;
static_assert(LDBL_MANT_DIG == 64, "long double must be the x87 extended format");
#else
using Extended = X87Extended;
#endif

constexpr int32_t kSampleRate = 22050;

// Round to the nearest integer, halves to the even neighbour (the default
// rounding mode of the FPU, which the program never changes).
#if PARROTEL_NATIVE_X87
inline int64_t RoundEven(Extended x)
{
    int64_t rounded;
    __asm__("fistpll %0" : "=m"(rounded) : "t"(x) : "st");  // what llrintl does, without the call
    return rounded;
}
inline Extended SquareRoot(Extended x) { return sqrtl(x); }
#else
inline int64_t RoundEven(Extended x) { return x.RoundToInteger(); }
inline Extended SquareRoot(Extended x) { return x.SquareRoot(); }
#endif
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
