// Fast exact rounding of an extended-precision expression.
//
// Most sample arithmetic is a short expression of integers and double
// constants whose exact value lies well away from a rounding boundary. Such an
// expression is evaluated in double (SSE, a few cycles); only when that value
// lies within kTieMargin of a half-integer can the extended result round
// differently, and then the expression is evaluated again in extended
// precision. The double and the extended results both stay within about
// 1e-10 of the exact value for the magnitudes the routines handle (below
// 2^20), so a margin of 1e-6 leaves a wide safety gap.
#pragma once

#include <cstdint>

#include "arithmetic.h"

#if PARROTEL_NATIVE_X87
#include <emmintrin.h>
#endif

namespace effects {

constexpr double kTieMargin = 1e-6;

// Rounds to nearest with ties to even in the current (default) rounding mode.
#if PARROTEL_NATIVE_X87
inline int64_t RoundDouble(double x) { return _mm_cvtsd_si64(_mm_set_sd(x)); }  // one SSE instruction
#else
inline int64_t RoundDouble(double x) { return std::llrint(x); }
#endif

// True when x may be too close to a half-integer for its double rounding to
// be trusted.
inline bool NearTie(double x, int64_t rounded)
{
    const double off = x - double(rounded);
    return off > 0.5 - kTieMargin || off < -0.5 + kTieMargin;
}

// Round(expression): `approx` is its double evaluation, `exact` a callable
// that evaluates it in extended precision.
template <class Exact>
inline int64_t RoundChecked(double approx, Exact exact)
{
    const int64_t r = RoundDouble(approx);
    if (__builtin_expect(NearTie(approx, r), 0))
        return RoundEven(exact());
    return r;
}

// True when c * k is exact in double for every integer |k| < 2^20, and the
// sum of two such products too: c is a multiple of 1/256 below 2^24 (0.0,
// 0.5, 0.75, 1.0 ...). Rounding such an expression in double is then exact.
inline bool IsShortCoefficient(double c)
{
    const double scaled = c * 256;
    return scaled == double(int64_t(scaled)) && scaled < 4294967296.0 && scaled > -4294967296.0;
}

// Round(expression) where the caller knows whether the double evaluation is exact.
template <class Exact>
inline int64_t RoundMaybeExact(bool doubleIsExact, double approx, Exact exact)
{
    if (doubleIsExact)
        return RoundDouble(approx);
    return RoundChecked(approx, exact);
}

// Round(v / 2^shift), halves to even, for integers.
inline int32_t RoundShift(int32_t v, int shift)
{
    if (shift == 0)
        return v;
    const int32_t half = 1 << (shift - 1);
    return (v + half - 1 + ((v >> shift) & 1)) >> shift;
}

}  // namespace effects
