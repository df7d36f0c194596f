// Pitch shifter and sweeps.
//
// The input is written into a circular delay line of L samples and read back
// through two taps whose delays move by one sample every n samples, so the
// read speed is 1 - step/n. When the active tap is Round(265/n) delay steps
// short of the end of its range, the other tap is reset to the start of the
// range and the output crossfades to it over 265 samples with sine and cosine
// gains (sin^2 + cos^2 = 1).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "effects.h"
#include "fast_round.h"

namespace effects {

namespace {

constexpr int32_t kCrossfadeLength = 265;

// The crossfade gains: C[i] = cos(i * (pi/2) / 265), S[i] = sin(...), computed
// in extended precision and stored as doubles.
struct CrossfadeTables {
    std::array<double, kCrossfadeLength> cosine;
    std::array<double, kCrossfadeLength> sine;
};

const CrossfadeTables& Crossfade()
{
    static const CrossfadeTables tables = [] {
        CrossfadeTables t;
        const Extended halfPi = 3.14159265358979323846264338327950288L / 2;
        for (int32_t i = 0; i < kCrossfadeLength; ++i) {
            t.cosine[i] = double(cosl(i * halfPi / kCrossfadeLength));
            t.sine[i] = double(sinl(i * halfPi / kCrossfadeLength));
        }
        return t;
    }();
    return tables;
}

// n = Round(1/|rate|), or 1 for a zero rate.
int32_t SubSteps(double rate)
{
    return rate != 0 ? int32_t(RoundEven(Extended(1) / std::fabs(rate))) : 1;
}

// Delay steps from one crossfade to the next: the active tap starts its
// crossfade Round(265/n) steps short of the end of its range.
int32_t CrossfadeInterval(int32_t L, int32_t M, int32_t n)
{
    return L - M - int32_t(RoundEven(Extended(kCrossfadeLength) / n));
}

// Round(p / n + q / n) with each quotient in extended precision: exact
// integer rounding when n is a power of two, otherwise the double value
// checked for ties.
struct Divisor {
    explicit Divisor(int32_t n_) : n(n_), inverse(1.0 / n_), shift(PowerOfTwoShift(n_)) {}

    int64_t Round(int32_t p, int32_t q) const
    {
        if (shift >= 0)
            return RoundShift(p + q, shift);
        return RoundChecked((p + q) * inverse, [&] { return Extended(p) / n + Extended(q) / n; });
    }

    static int PowerOfTwoShift(int32_t n)
    {
        for (int s = 0; s < 31; ++s)
            if (n == (1 << s))
                return s;
        return -1;
    }

    int32_t n;
    double inverse;
    int shift;  // log2(n), or -1
};

// Sweep of n from its start to its end value: one unit every `interval` samples.
struct Sweep {
    bool active = false;
    int32_t interval = 0;
    int32_t counter = 0;
    int32_t direction = 1;
    int32_t low = 0, high = 0;
};

class Shifter {
public:
    Shifter(int32_t minDelayMs, int32_t maxDelayMs, double startRate)
        : Shifter(PitchShiftGeometry(minDelayMs, maxDelayMs, startRate), -startRate)
    {
    }

    // The delay range must be a real line; otherwise there is nothing to shift.
    bool Usable() const { return L_ > 0 && M_ >= 0 && M_ <= L_; }
    int32_t StartN() const { return n_; }

    void Run(int16_t* samples, int32_t count, const Sweep& sweep, double dry, double wet, double feedback)
    {
        // Every caller mixes the shifted signal alone into the output with no
        // feedback; that case needs no mixing arithmetic at all.
        if (dry == 0.0 && wet == 1.0 && feedback == 0.0)
            Shift<true>(samples, count, sweep, dry, wet, feedback);
        else
            Shift<false>(samples, count, sweep, dry, wet, feedback);
    }

private:
    template <bool kShiftedOnly>
    void Shift(int16_t* samples, int32_t count, const Sweep& sweepIn, double dry, double wet, double feedback)
    {
        Sweep sweep = sweepIn;
        ProgressTicker ticker(count);
        const bool rising = G_ > 0;
        const int32_t edge = rising ? M_ : L_;  // where a reset tap starts
        const bool feedbackExact = IsShortCoefficient(feedback);
        const bool mixExact = IsShortCoefficient(dry) && IsShortCoefficient(wet);
        const double* TA = tables_.sine.data();
        const double* TB = tables_.cosine.data();
        int32_t w = 0, f = 0, c = R_, j = 0;
        double gA = 1.0, gB = 0.0;
        bool resetB = true;
        int32_t dA = edge, dB = edge;
        int32_t rA = Index(dA, w), rA2 = Neighbour(rA), rB = 0, rB2 = 0;
        int16_t* const D = line_.data();
        Divisor divisor(n_);

        for (int32_t k = 0; k < count; ++k) {
            const int32_t n = n_;
            int64_t y;
            if (f == 0 && (gA == 0.0 || gB == 0.0)) [[likely]] {
                // Between crossfades one tap has gain 1 and the other 0.
                const bool onA = gB == 0.0;
                const int32_t r = onA ? rA : rB, r2 = onA ? rA2 : rB2;
                y = divisor.Round(D[r] * (n - j), D[r2] * j);
            } else {
                // Interpolated taps: each product an integer, each quotient separate.
                const int32_t a1 = D[rA] * (n - j), a2 = D[rA2] * j;
                const int32_t b1 = D[rB] * (n - j), b2 = D[rB2] * j;
                y = RoundChecked((a1 + a2) * divisor.inverse * gA + (b1 + b2) * divisor.inverse * gB, [&] {
                    const Extended tapA = Extended(a1) / n + Extended(a2) / n;
                    const Extended tapB = Extended(b1) / n + Extended(b2) / n;
                    return tapA * gA + tapB * gB;
                });
            }
            const int16_t x = samples[k];
            if constexpr (kShiftedOnly) {
                D[w] = x;
                samples[k] = Clip16(y);
            } else {
                D[w] = Wrap16(RoundMaybeExact(feedbackExact, double(y) * feedback + x,
                                              [&] { return Extended(y) * feedback + x; }));
                samples[k] = Clip16(RoundMaybeExact(mixExact, x * dry + double(y) * wet,
                                                    [&] { return Extended(x) * dry + Extended(y) * wet; }));
            }
            if (f > 0) {
                --f;
                gA = TA[f];
                gB = TB[f];
            }
            ticker.SampleDone();
            Advance(w);
            Advance(rA);
            Advance(rA2);
            Advance(rB);
            Advance(rB2);
            if (G_ == 0)
                continue;
            if (sweep.active && ++sweep.counter == sweep.interval) {
                sweep.counter = 0;
                n_ = std::clamp(n_ + sweep.direction, sweep.low, sweep.high);
                divisor = Divisor(n_);
                R_ = Reload();
            }
            // Counted with >= so that a sweep moving n below a running j still steps.
            if (++j < n_)
                continue;
            j = 0;
            dA = std::clamp(dA + step_, M_, L_);
            dB = std::clamp(dB + step_, M_, L_);
            rA = Index(dA, w);
            rB = Index(dB, w);
            if (--c == 0) {
                f = kCrossfadeLength;
                c = R_;
                if (resetB) {  // the output moves from tap A to tap B
                    resetB = false;
                    dB = edge;
                    rB = Index(dB, w);
                    TA = tables_.sine.data();
                    TB = tables_.cosine.data();
                } else {  // and back from B to A
                    resetB = true;
                    dA = edge;
                    rA = Index(dA, w);
                    TA = tables_.cosine.data();
                    TB = tables_.sine.data();
                }
            }
            rA2 = Neighbour(rA);
            rB2 = Neighbour(rB);
        }
    }

    Shifter(const ShiftGeometry& geometry, double G)
        : L_(geometry.L),
          M_(geometry.M),
          G_(G),
          n_(geometry.n),
          step_(geometry.rising ? 1 : -1),
          R_(geometry.R),
          line_(size_t(std::max(L_, 1)), 0),
          tables_(Crossfade())
    {
    }

    int32_t Reload() const { return CrossfadeInterval(L_, M_, n_); }
    int32_t Index(int32_t d, int32_t w) const { return w >= d ? w - d : L_ - (d - w); }
    int32_t Neighbour(int32_t r) const
    {
        const int32_t q = r - step_;
        return q < 0 ? q + L_ : q >= L_ ? q - L_ : q;
    }
    void Advance(int32_t& index) const
    {
        if (++index == L_)
            index = 0;
    }

    int32_t L_, M_;
    double G_;
    int32_t n_;
    int32_t step_;
    int32_t R_;
    std::vector<int16_t> line_;
    const CrossfadeTables& tables_;
};

// Pitch-bar steps 0..12: RateChange = 2^(s/12) - 1 semitones up, 1 - 2^(-s/12)
// down, to six decimals; step 6 is no shift.
struct PitchStep {
    double rateChange;
    int32_t maxDelayMs;
};
constexpr PitchStep kPitchSteps[13] = {
    {-0.292893, 35}, {-0.250846, 35}, {-0.206299, 35}, {-0.159104, 35}, {-0.109101, 35},
    {-0.056126, 35}, {0.0, 0},        {0.059463, 15},  {0.122462, 15},  {0.189207, 15},
    {0.259921, 15},  {0.33484, 25},   {0.414214, 25}};
constexpr int32_t kNoPitchStep = 6;

constexpr int32_t kSweepMaxDelayMs = 35;
constexpr double kSweepUpStart = 0.059463, kSweepUpEnd = 0.414214;        // 18/17 up to 3/2
constexpr double kSweepDownStart = -0.056126, kSweepDownEnd = -0.292893;  // 17/18 down to 2/3

}  // namespace

ShiftGeometry PitchShiftGeometry(int32_t minDelayMs, int32_t maxDelayMs, double rateChange)
{
    ShiftGeometry g;
    g.L = MsToSamples(maxDelayMs);
    g.M = MsToSamples(minDelayMs);
    g.n = SubSteps(-rateChange);
    g.rising = -rateChange > 0;
    g.R = CrossfadeInterval(g.L, g.M, g.n);
    return g;
}

bool PitchBarParameters(int32_t step, double& rateChange, int32_t& maxDelayMs)
{
    if (step < 0 || step > 12 || step == kNoPitchStep)
        return false;
    rateChange = kPitchSteps[step].rateChange;
    maxDelayMs = kPitchSteps[step].maxDelayMs;
    return true;
}

void PitchShift(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, double RateChange,
                double Dry, double Wet, double Feedback)
{
    if (Count <= 0)
        return;
    Shifter shifter(MinDelayMs, MaxDelayMs, RateChange);
    if (!shifter.Usable())
        return;
    shifter.Run(Samples, Count, Sweep{}, Dry, Wet, Feedback);
}

void PitchBarShift(int16_t* Samples, int32_t Count, int32_t Step)
{
    double rateChange = 0;
    int32_t maxDelayMs = 0;
    if (PitchBarParameters(Step, rateChange, maxDelayMs))
        PitchShift(Samples, Count, 0, maxDelayMs, rateChange, 0.0, 1.0, 0.0);
}

void SweepShift(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, double StartRate,
                double EndRate, double Dry, double Wet, double Feedback)
{
    if (Count <= 0)
        return;
    Shifter shifter(MinDelayMs, MaxDelayMs, StartRate);
    if (!shifter.Usable())
        return;
    const int32_t nStart = shifter.StartN();
    const int32_t nEnd = SubSteps(EndRate);
    Sweep sweep;
    if (nEnd != nStart) {
        sweep.interval = int32_t(RoundEven(Extended(Count) / std::abs(nEnd - nStart)));
        if (sweep.interval == 0)
            return;  // a voice too short to sweep stays as it is
        sweep.active = true;
    }
    sweep.direction = nStart <= nEnd ? 1 : -1;
    sweep.low = std::min(nStart, nEnd);
    sweep.high = std::max(nStart, nEnd);
    shifter.Run(Samples, Count, sweep, Dry, Wet, Feedback);
}

void SweepUpEffect(int16_t* Samples, int32_t Count)
{
    SweepShift(Samples, Count, 0, kSweepMaxDelayMs, kSweepUpStart, kSweepUpEnd, 0.0, 1.0, 0.0);
}

void SweepDownEffect(int16_t* Samples, int32_t Count)
{
    SweepShift(Samples, Count, 0, kSweepMaxDelayMs, kSweepDownStart, kSweepDownEnd, 0.0, 1.0, 0.0);
}

}  // namespace effects
