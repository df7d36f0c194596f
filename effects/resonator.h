// One two-pole band-pass resonator of the bass/treble bank, run as the bank
// runs it: every sample passes the band twice, the second time as its own
// filtered value, y = a*(x - x2) + b*y1 - c*y2 evaluated in extended
// precision and stored as a double, the output Round(y * weight) saturated to
// 16 bits.
//
// The recursion is latency-bound: the second pass of a sample needs the first
// pass's rounded output, which needs the first pass's y. To keep that wait off
// the exact recursion, a double-precision copy of the filter runs alongside
// and predicts the first pass's output; the exact recursion goes on with the
// prediction while the exact output is checked against it. A wrong prediction
// (the two copies differ by far less than a rounding step, so it takes an
// output within about 1e-10 of a half) recomputes the second pass exactly and
// realigns the copy. The result is always the exact one.
#pragma once

#include <cstdint>

#include "arithmetic.h"
#include "fast_round.h"

namespace effects {

struct ResonatorBand {
    double a, c, b;
};

class Resonator {
public:
    Resonator(const ResonatorBand& band, double weight)
        : a_(band.a), b_(band.b), c_(band.c), w_(weight), ad_(band.a), bd_(band.b), cd_(band.c), wd_(weight)
    {
    }

    int16_t Step(int16_t input)
    {
        const int32_t de = input - previousInput_;
        previousInput_ = input;

        // The double copy predicts the first pass's output.
        const double approxEven = ad_ * de + bd_ * approxOdd_ - cd_ * approxEven_;
        int32_t even = Output(approxEven * wd_);
        const double approxOdd = ad_ * (even - previousEven_) + bd_ * approxEven - cd_ * approxOdd_;

        // The exact recursion, second pass fed with the prediction.
        const double exactEven = Pass(de, exactOdd_, exactEven_);
        double exactOdd = Pass(even - previousEven_, exactEven, exactOdd_);
        const int32_t checkedEven = Output(double(exactEven * w_));
        if (checkedEven != even) [[unlikely]] {
            exactOdd = RecomputeOdd(checkedEven, exactEven);
            even = checkedEven;
            approxEven_ = exactEven;
            approxOdd_ = exactOdd;
            ++mispredictions_;
        } else {
            approxEven_ = approxEven;
            approxOdd_ = approxOdd;
        }
        previousEven_ = even;
        exactEven_ = exactEven;
        exactOdd_ = exactOdd;
        return int16_t(Output(double(exactOdd * w_)));
    }

    int64_t Mispredictions() const { return mispredictions_; }

private:
    // Round, saturated at the 16-bit limits (rounding first gives the same
    // result and needs no branch: acc never comes near the integer range).
    static int32_t Output(double acc) { return Clip16(RoundDouble(acc)); }

    // y = a*d + b*y1 - c*y2 in extended precision, stored as a double.
    double Pass(int32_t d, double y1, double y2) const
    {
        return double(a_ * Extended(d) + b_ * y1 - c_ * y2);
    }

    [[gnu::noinline]] double RecomputeOdd(int32_t even, double exactEven) const
    {
        return Pass(even - previousEven_, exactEven, exactOdd_);
    }

    Extended a_, b_, c_, w_;
    double exactEven_ = 0, exactOdd_ = 0;  // y of the previous sample's two passes
    int32_t previousInput_ = 0;            // the input two passes back, for the first pass
    int32_t previousEven_ = 0;             // the first pass's output two passes back, for the second
    double ad_, bd_, cd_, wd_;               // the double copy
    double approxEven_ = 0, approxOdd_ = 0;

    int64_t mispredictions_ = 0;
};

}  // namespace effects
