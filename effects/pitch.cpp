// Pitch shifter and sweeps.
//
// The input is written into a circular delay line of L samples and read back
// through two taps whose delays move by one sample every n samples, so the
// read speed is 1 - step/n. When the active tap is Round(265/n) delay steps
// short of the end of its range, the other tap is reset to the start of the
// range and the output crossfades to it over 265 samples with sine and cosine
// gains (sin^2 + cos^2 = 1).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "crossfade_tables.h"
#include "effects.h"
#include "fast_round.h"
#include "stage.h"

namespace effects {

namespace {

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

struct Mix {
    double dry, wet, feedback;
    // Every caller mixes the shifted signal alone into the output with no
    // feedback; that case needs no mixing arithmetic at all.
    bool ShiftedOnly() const { return dry == 0.0 && wet == 1.0 && feedback == 0.0; }
};

class ShiftStage final : public SampleStage {
public:
    ShiftStage(const ShiftGeometry& geometry, double G, const Sweep& sweep, const Mix& mix, int32_t count)
        : L_(geometry.L),
          M_(geometry.M),
          G_(G),
          n_(geometry.n),
          step_(geometry.rising ? 1 : -1),
          R_(geometry.R),
          edge_(geometry.rising ? M_ : L_),
          line_(size_t(L_), 0),
          sweep_(sweep),
          mix_(mix),
          feedbackExact_(IsShortCoefficient(mix.feedback)),
          mixExact_(IsShortCoefficient(mix.dry) && IsShortCoefficient(mix.wet)),
          ticker_(count),
          divisor_(n_),
          TA_(kCrossfadeSine),
          TB_(kCrossfadeCosine),
          c_(R_),
          dA_(edge_),
          dB_(edge_),
          rA_(Index(dA_, 0)),
          rA2_(Neighbour(rA_))
    {
    }

    void Process(int16_t* samples, int32_t count) override
    {
        if (mix_.ShiftedOnly())
            Shift<true>(samples, count);
        else
            Shift<false>(samples, count);
    }

private:
    template <bool kShiftedOnly>
    void Shift(int16_t* samples, int32_t count)
    {
        int16_t* const D = line_.data();
        for (int32_t k = 0; k < count; ++k) {
            const int32_t n = n_;
            const int32_t j = j_;
            int64_t y;
            if (f_ == 0 && (gA_ == 0.0 || gB_ == 0.0)) [[likely]] {
                // Between crossfades one tap has gain 1 and the other 0.
                const bool onA = gB_ == 0.0;
                const int32_t r = onA ? rA_ : rB_, r2 = onA ? rA2_ : rB2_;
                y = divisor_.Round(D[r] * (n - j), D[r2] * j);
            } else {
                // Interpolated taps: each product an integer, each quotient separate.
                const int32_t a1 = D[rA_] * (n - j), a2 = D[rA2_] * j;
                const int32_t b1 = D[rB_] * (n - j), b2 = D[rB2_] * j;
                const double gA = gA_, gB = gB_;
                y = RoundChecked((a1 + a2) * divisor_.inverse * gA + (b1 + b2) * divisor_.inverse * gB, [&] {
                    const Extended tapA = Extended(a1) / n + Extended(a2) / n;
                    const Extended tapB = Extended(b1) / n + Extended(b2) / n;
                    return tapA * gA + tapB * gB;
                });
            }
            const int16_t x = samples[k];
            if constexpr (kShiftedOnly) {
                D[w_] = x;
                samples[k] = Clip16(y);
            } else {
                const Mix m = mix_;
                D[w_] = Wrap16(RoundMaybeExact(feedbackExact_, double(y) * m.feedback + x,
                                               [&] { return Extended(y) * m.feedback + x; }));
                samples[k] = Clip16(RoundMaybeExact(mixExact_, x * m.dry + double(y) * m.wet,
                                                    [&] { return Extended(x) * m.dry + Extended(y) * m.wet; }));
            }
            if (f_ > 0) {
                --f_;
                gA_ = TA_[f_];
                gB_ = TB_[f_];
            }
            ticker_.SampleDone();
            Advance(w_);
            Advance(rA_);
            Advance(rA2_);
            Advance(rB_);
            Advance(rB2_);
            if (G_ != 0)
                NextSubStep();
        }
    }

    void NextSubStep()
    {
        if (sweep_.active && ++sweep_.counter == sweep_.interval) {
            sweep_.counter = 0;
            n_ = std::clamp(n_ + sweep_.direction, sweep_.low, sweep_.high);
            divisor_ = Divisor(n_);
            R_ = CrossfadeInterval(L_, M_, n_);
        }
        // Counted with >= so that a sweep moving n below a running j still steps.
        if (++j_ >= n_)
            DelayStep();
    }

    void DelayStep()
    {
        j_ = 0;
        dA_ = std::clamp(dA_ + step_, M_, L_);
        dB_ = std::clamp(dB_ + step_, M_, L_);
        rA_ = Index(dA_, w_);
        rB_ = Index(dB_, w_);
        if (--c_ == 0) {
            f_ = kCrossfadeLength;
            c_ = R_;
            if (resetB_) {  // the output moves from tap A to tap B
                resetB_ = false;
                dB_ = edge_;
                rB_ = Index(dB_, w_);
                TA_ = kCrossfadeSine;
                TB_ = kCrossfadeCosine;
            } else {  // and back from B to A
                resetB_ = true;
                dA_ = edge_;
                rA_ = Index(dA_, w_);
                TA_ = kCrossfadeCosine;
                TB_ = kCrossfadeSine;
            }
        }
        rA2_ = Neighbour(rA_);
        rB2_ = Neighbour(rB_);
    }

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

    // What the letters hold (all indices into the delay line count samples,
    // 0..L-1, and wrap around; delays count samples at 22050 Hz):
    //   L      the line's length: the longest delay (MaxDelayMs), > 0
    //   M      the shortest delay (MinDelayMs), 0..L
    //   G      minus the rate change (a fraction of the normal read speed);
    //          only whether it is 0 counts here: 0 keeps the taps still
    //   n      samples per delay step: the taps' delays move one sample every
    //          n samples (>= 1; a sweep moves it between its start and end)
    //   step   +1 when the delays grow (pitch down), -1 when they shrink
    //   R      delay steps from one crossfade to the next: L - M - Round(265/n)
    //   D      the delay line (line_), written at w
    //   w      the write index
    //   f      samples left in the running crossfade, 265..1; 0 between them
    //   c      delay steps left until the next crossfade, R..1
    //   j      the sub-step, 0..n-1: the tap reads (D[r] * (n-j) + D[r2] * j) / n
    //   dA, dB the delays of taps A and B, M..L
    //   rA, rB the taps' read indices, w - d wrapped
    //   rA2, rB2 where each tap reads after its next delay step (r - step)
    //   gA, gB the taps' gains, 0..1 (gA^2 + gB^2 = 1 in a crossfade)
    //   TA, TB the gain tables the crossfade reads at f (sine and cosine,
    //          swapped at each crossfade)
    // In Shift: k the sample in the piece, x its input, y the taps' output
    // before clipping, r and r2 the one active tap's indices, a1 a2 b1 b2 the
    // products of taps A and B with their weights (n-j and j).

    // Fixed for the run.
    const int32_t L_, M_;
    const double G_;
    int32_t n_;
    const int32_t step_;
    int32_t R_;
    const int32_t edge_;  // where a reset tap starts
    std::vector<int16_t> line_;
    Sweep sweep_;
    const Mix mix_;
    const bool feedbackExact_, mixExact_;
    ProgressTicker ticker_;
    Divisor divisor_;

    // Running state.
    const double* TA_;
    const double* TB_;
    int32_t w_ = 0, f_ = 0, c_, j_ = 0;
    double gA_ = 1.0, gB_ = 0.0;
    bool resetB_ = true;
    int32_t dA_, dB_;
    int32_t rA_, rA2_, rB_ = 0, rB2_ = 0;  // tap B is placed at its first delay step
};

// The delay range must be a real line; otherwise there is nothing to shift.
bool Usable(const ShiftGeometry& g) { return g.L > 0 && g.M >= 0 && g.M <= g.L; }

StagePtr MakeShift(int32_t count, int32_t minDelayMs, int32_t maxDelayMs, double rateChange, const Mix& mix)
{
    const ShiftGeometry g = PitchShiftGeometry(minDelayMs, maxDelayMs, rateChange);
    if (count <= 0 || !Usable(g))
        return nullptr;
    return std::make_unique<ShiftStage>(g, -rateChange, Sweep{}, mix, count);
}

StagePtr MakeSweep(int32_t count, int32_t minDelayMs, int32_t maxDelayMs, double startRate, double endRate,
                   const Mix& mix)
{
    const ShiftGeometry g = PitchShiftGeometry(minDelayMs, maxDelayMs, startRate);
    if (count <= 0 || !Usable(g))
        return nullptr;
    const int32_t nStart = g.n;
    const int32_t nEnd = SubSteps(endRate);
    Sweep sweep;
    if (nEnd != nStart) {
        sweep.interval = int32_t(RoundEven(Extended(count) / std::abs(nEnd - nStart)));
        if (sweep.interval == 0)
            return nullptr;  // a voice too short to sweep stays as it is
        sweep.active = true;
    }
    sweep.direction = nStart <= nEnd ? 1 : -1;
    sweep.low = std::min(nStart, nEnd);
    sweep.high = std::max(nStart, nEnd);
    return std::make_unique<ShiftStage>(g, -startRate, sweep, mix, count);
}

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
constexpr Mix kShiftedOnly{0.0, 1.0, 0.0};

void RunWhole(StagePtr stage, int16_t* samples, int32_t count)
{
    if (stage)
        stage->Process(samples, count);
}

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

StagePtr MakePitchBarStage(int32_t count, int32_t step)
{
    double rateChange = 0;
    int32_t maxDelayMs = 0;
    if (!PitchBarParameters(step, rateChange, maxDelayMs))
        return nullptr;
    return MakeShift(count, 0, maxDelayMs, rateChange, kShiftedOnly);
}

StagePtr MakeSweepUpStage(int32_t count)
{
    return MakeSweep(count, 0, kSweepMaxDelayMs, kSweepUpStart, kSweepUpEnd, kShiftedOnly);
}

StagePtr MakeSweepDownStage(int32_t count)
{
    return MakeSweep(count, 0, kSweepMaxDelayMs, kSweepDownStart, kSweepDownEnd, kShiftedOnly);
}

void PitchShift(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, double RateChange,
                double Dry, double Wet, double Feedback)
{
    RunWhole(MakeShift(Count, MinDelayMs, MaxDelayMs, RateChange, {Dry, Wet, Feedback}), Samples, Count);
}

void PitchBarShift(int16_t* Samples, int32_t Count, int32_t Step)
{
    RunWhole(MakePitchBarStage(Count, Step), Samples, Count);
}

void SweepShift(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, double StartRate,
                double EndRate, double Dry, double Wet, double Feedback)
{
    RunWhole(MakeSweep(Count, MinDelayMs, MaxDelayMs, StartRate, EndRate, {Dry, Wet, Feedback}), Samples, Count);
}

void SweepUpEffect(int16_t* Samples, int32_t Count) { RunWhole(MakeSweepUpStage(Count), Samples, Count); }

void SweepDownEffect(int16_t* Samples, int32_t Count) { RunWhole(MakeSweepDownStage(Count), Samples, Count); }

}  // namespace effects
