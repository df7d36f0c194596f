// Echo, and the modulated delay behind chorus, flange and robot voice.
#include <algorithm>
#include <vector>

#include "effects.h"
#include "fast_round.h"
#include "stage.h"

namespace effects {

namespace {

// decay = DecayPercent / 100, held as a double (0.7 for 70).
double EchoDecay(int32_t decayPercent) { return double(Extended(decayPercent) / 100); }

// Round(e * decay) for every 16-bit e, evaluated in extended precision.
// In double, e * 0.7 lands exactly on .5 for every e = 5 (mod 20) and rounds
// up about every other time; the extended product never does. An echo beyond
// +-2^20 clips the output whatever the input, so the table saturates there
// (only decays above 3200 percent reach it).
std::vector<int32_t> DecayTable(double decay)
{
    constexpr int64_t kSaturation = int64_t(1) << 20;
    std::vector<int32_t> table(65536);
    for (int32_t e = -32768; e <= 32767; ++e)
        table[size_t(e + 32768)] = int32_t(std::clamp(RoundEven(Extended(e) * decay), -kSaturation, kSaturation));
    return table;
}

// The echo's line of Dl samples has its write index one place behind its read
// index, so what is written at sample i is read at sample i + Dl - 1 (one
// sample later when Dl is 1). It is kept as a ring of that many samples that
// is read, then written, at one moving place. Without feedback the ring holds
// the plain input and the echo comes from the table; with feedback it holds
// Round(s * feedback + x) (low 16 bits) and s is computed exactly as it stands.
class EchoStage final : public SampleStage {
public:
    // progressCount: the samples the step rule counts (the input, even when
    // the stage then runs on into the echo's tail).
    EchoStage(int32_t progressCount, int32_t delay, double decay, double feedback)
        : decay_(decay),
          feedback_(feedback),
          table_(feedback == 0.0 ? DecayTable(decay) : std::vector<int32_t>()),
          ring_(size_t(std::max(1, delay - 1)), 0),
          ticker_(progressCount)
    {
    }

    void Process(int16_t* samples, int32_t count) override
    {
        const int32_t length = int32_t(ring_.size());
        for (int32_t done = 0; done < count;) {
            // A run of samples over which the ring's place does not wrap.
            const int32_t run = std::min(count - done, length - at_);
            if (feedback_ == 0.0)
                Run<false>(samples + done, ring_.data() + at_, run);
            else
                Run<true>(samples + done, ring_.data() + at_, run);
            done += run;
            at_ += run;
            if (at_ == length)
                at_ = 0;
        }
        ticker_.SamplesDone(count);
    }

private:
    template <bool kFeedback>
    void Run(int16_t* samples, int16_t* E, int32_t count) const
    {
        const int32_t* const table = table_.data();  // empty with feedback
        for (int32_t i = 0; i < count; ++i) {
            const int16_t x = samples[i];
            int64_t s;
            if constexpr (kFeedback) {
                s = RoundEven(Extended(E[i]) * decay_) + x;
                E[i] = Wrap16(RoundEven(Extended(s) * feedback_ + x));
            } else {
                s = table[E[i] + 32768] + x;
                E[i] = x;  // Round(s * 0.0 + x) is x
            }
            samples[i] = Clip16(s);
        }
    }

    // In Run: x the input sample, s the input plus the echo before clipping,
    // E the ring from the current place (at), i the sample in the run.
    const double decay_, feedback_;
    const std::vector<int32_t> table_;
    std::vector<int16_t> ring_;
    int32_t at_ = 0;
    ProgressTicker ticker_;
};

// The voice mixed with a copy read from a circular line whose delay glides one
// sample every n samples between Ln and Lx (or stays, for Rate 0).
class ModulatedDelayStage final : public SampleStage {
public:
    ModulatedDelayStage(int32_t count, int32_t Lx, int32_t Ln, int32_t n, bool gliding, double dry, double feedback)
        : Lx_(Lx),
          Ln_(Ln),
          n_(n),
          gliding_(gliding),
          invN_(1.0 / n),
          dry_(dry),
          feedback_(feedback),
          feedbackExact_(IsShortCoefficient(feedback)),
          line_(size_t(Lx), 0),
          cur_(int32_t(RoundEven(Extended(Lx + Ln) / 2))),
          r1_(Index(cur_)),
          r2_(r1_ + 1 == Lx ? 0 : r1_ + 1),
          ticker_(count)
    {
    }

    void Process(int16_t* samples, int32_t count) override
    {
        int16_t* const E = line_.data();
        const int32_t n = n_;
        for (int32_t i = 0; i < count; ++i) {
            const int16_t x = samples[i];
            E[w_] = x;
            // The mix glides from the tap at the previous delay (r2) to the new one (r1).
            const int32_t older = E[r2_] * (n - j_), newer = E[r1_] * j_;
            const int64_t v = RoundChecked(x * dry_ + (older + newer) * invN_, [&] {
                return Extended(x) * dry_ + Extended(older) / n + Extended(newer) / n;
            });
            samples[i] = Clip16(v);
            E[w_] = Clip16(RoundMaybeExact(feedbackExact_, double(v) * feedback_ + x,
                                           [&] { return Extended(v) * feedback_ + x; }));
            ticker_.SampleDone();
            if (++w_ == Lx_)
                w_ = 0;
            if (++r1_ == Lx_)
                r1_ = 0;
            if (++r2_ == Lx_)
                r2_ = 0;
            if (gliding_ && ++j_ == n)
                Glide();
        }
    }

private:
    void Glide()
    {
        j_ = 0;
        if (cur_ <= Ln_)
            dir_ = 1;
        if (cur_ >= Lx_)
            dir_ = -1;
        cur_ += dir_;
        r1_ = Index(cur_);
        const int32_t r2 = r1_ + dir_;
        r2_ = r2 < 0 ? r2 + Lx_ : r2 >= Lx_ ? r2 - Lx_ : r2;
    }

    int32_t Index(int32_t d) const { return w_ >= d ? w_ - d : Lx_ - (d - w_); }

    // What the letters hold (indices into the line count samples, 0..Lx-1,
    // and wrap around; delays count samples at 22050 Hz):
    //   Lx   the line's length: the longest delay (MaxDelayMs), > 0
    //   Ln   the shortest delay (MinDelayMs), 0..Lx
    //   n    samples per one-sample change of the delay (>= 1); the delay
    //        stays put when the rate is 0 (gliding false)
    //   E    the delay line (line_), written at w
    //   w    the write index
    //   j    the sub-step, 0..n-1: the delayed copy is
    //        (E[r2] * (n-j) + E[r1] * j) / n, gliding from r2 to r1
    //   cur  the current delay, Ln..Lx, starting half-way
    //   dir  +1 while the delay grows, -1 while it shrinks
    //   r1   the read index at the current delay (w - cur, wrapped)
    //   r2   the read index at the previous delay (r1 + dir, wrapped)
    // In Process: i the sample in the piece, x its input, v the output before
    // clipping (also what is fed back), older and newer the two weighted taps.
    const int32_t Lx_, Ln_, n_;
    const bool gliding_;
    const double invN_, dry_, feedback_;
    const bool feedbackExact_;
    std::vector<int16_t> line_;
    int32_t w_ = 0, j_ = 0, dir_ = 1;
    int32_t cur_, r1_, r2_;
    ProgressTicker ticker_;
};

}  // namespace

StagePtr MakeEchoStage(int32_t count, int32_t delayMs, int32_t decayPercent)
{
    const int32_t delay = MsToSamples(delayMs);
    if (delay <= 0 || count <= 0)
        return nullptr;
    return std::make_unique<EchoStage>(count, delay, EchoDecay(decayPercent), 0.0);
}

StagePtr MakeModulatedDelayStage(int32_t count, int32_t minDelayMs, int32_t maxDelayMs, int32_t rate, double dry,
                                 double feedback)
{
    const int32_t Lx = MsToSamples(maxDelayMs), Ln = MsToSamples(minDelayMs);
    if (Lx <= 0 || Ln < 0 || Ln > Lx || count <= 0)
        return nullptr;
    // Glide interval: samples per one-sample change of the delay.
    const int32_t n = rate != 0 ? int32_t(RoundEven(Extended(kSampleRate) / (Extended(rate * kSampleRate) / 1000))) : 1;
    if (n <= 0)
        return nullptr;
    return std::make_unique<ModulatedDelayStage>(count, Lx, Ln, n, rate != 0, dry, feedback);
}

int32_t EchoEffect(int16_t* Samples, int32_t Count, int32_t DelayMs, int32_t DecayPercent, double Feedback,
                   int32_t Limit)
{
    const int32_t delay = MsToSamples(DelayMs);
    if (delay <= 0 || Count < 0)
        return std::max(0, std::min(Count, Limit));
    const int32_t total = int32_t(std::min<int64_t>(int64_t(Count) + delay, Limit));
    if (total <= 0)
        return 0;
    // Past the voice the input is silence, and the line's echo comes out alone.
    if (total > Count)
        std::fill(Samples + Count, Samples + total, int16_t(0));
    EchoStage(Count, delay, EchoDecay(DecayPercent), Feedback).Process(Samples, total);
    return total;
}

void ModulatedDelay(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, int32_t Rate,
                    double Dry, double Feedback)
{
    if (StagePtr stage = MakeModulatedDelayStage(Count, MinDelayMs, MaxDelayMs, Rate, Dry, Feedback))
        stage->Process(Samples, Count);
}

}  // namespace effects
