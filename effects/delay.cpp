// Echo, and the modulated delay behind chorus, flange and robot voice.
#include <algorithm>
#include <vector>

#include "effects.h"
#include "fast_round.h"
#include "stage.h"

namespace effects {

namespace {

// Round(e * decay) for every 16-bit e, evaluated in extended precision.
// In double, e * 0.7 lands exactly on .5 for every e = 5 (mod 20) and rounds
// up about every other time; the extended product never does.
std::vector<int32_t> DecayTable(double decay)
{
    std::vector<int32_t> table(65536);
    for (int32_t e = -32768; e <= 32767; ++e)
        table[size_t(e + 32768)] = int32_t(RoundEven(Extended(e) * decay));
    return table;
}

// The echo line, modelled literally: used when the line carries feedback.
int32_t EchoWithFeedback(int16_t* samples, int32_t count, int32_t delay, double decay, double feedback,
                         int32_t total)
{
    ProgressTicker ticker(count);
    std::vector<int16_t> line(size_t(delay), 0);
    int32_t r = 0, q = delay - 1;
    for (int32_t i = 0; i < total; ++i) {
        const int32_t x = i < count ? samples[i] : 0;
        const int64_t s = RoundEven(Extended(line[size_t(r)]) * decay) + x;
        line[size_t(q)] = Wrap16(RoundEven(Extended(s) * feedback + x));
        samples[i] = Clip16(s);
        ticker.SampleDone();
        if (++r == delay)
            r = 0;
        if (++q == delay)
            q = 0;
    }
    return total;
}

// Without feedback the line holds the plain input, so output sample i is
// clip(Round(in[i - (delay - 1)] * decay) + in[i]). Working from the end
// backwards reads every input sample before it is overwritten, with no line.
int32_t EchoWithoutFeedback(int16_t* samples, int32_t count, int32_t delay, double decay, int32_t total)
{
    const std::vector<int32_t> table = DecayTable(decay);
    const int32_t* const scaled = table.data() + 32768;
    const int32_t lag = delay - 1;  // the write index starts one place behind the read index
    auto input = [&](int32_t i) { return i < count ? int32_t(samples[i]) : 0; };
    ProgressTicker ticker(count);
    constexpr int32_t kBlock = 4096;
    int32_t i = total - 1;
    while (i >= lag) {
        const int32_t stop = std::max(lag, i - kBlock + 1);
        const int32_t done = i - stop + 1;
        // Past the input the voice is silent; the line then echoes only.
        for (; i >= stop && i >= count; --i)
            samples[i] = Clip16(scaled[input(i - lag)]);
        for (; i >= stop; --i)
            samples[i] = Clip16(int64_t(scaled[samples[i - lag]]) + samples[i]);
        ticker.SamplesDone(done);
    }
    // Before the first echo arrives the line is zero and the voice passes unchanged.
    ticker.SamplesDone(std::min(lag, total));
    return total;
}

// The echo as a stream over a voice whose limit is its own length: the line
// holds the plain input, read back Dl - 1 samples later through the table.
class EchoStage final : public SampleStage {
public:
    EchoStage(int32_t count, int32_t delay, double decay)
        : table_(DecayTable(decay)), line_(size_t(delay), 0), q_(delay - 1), ticker_(count)
    {
    }

    void Process(int16_t* samples, int32_t count) override
    {
        const int32_t* const scaled = table_.data() + 32768;
        int16_t* const E = line_.data();
        const int32_t length = int32_t(line_.size());
        for (int32_t i = 0; i < count; ++i) {
            const int16_t x = samples[i];
            const int32_t s = scaled[E[r_]] + x;
            E[q_] = x;
            samples[i] = Clip16(s);
            if (++r_ == length)
                r_ = 0;
            if (++q_ == length)
                q_ = 0;
        }
        ticker_.SamplesDone(count);
    }

private:
    std::vector<int32_t> table_;
    std::vector<int16_t> line_;
    int32_t r_ = 0, q_;
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
    return std::make_unique<EchoStage>(count, delay, double(Extended(decayPercent) / 100));
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
    const double decay = double(Extended(DecayPercent) / 100);
    const int32_t delay = MsToSamples(DelayMs);
    if (delay <= 0 || Count < 0)
        return std::max(0, std::min(Count, Limit));
    const int32_t total = int32_t(std::min<int64_t>(int64_t(Count) + delay, Limit));
    if (total <= 0)
        return std::max(total, 0);
    if (Feedback == 0.0)
        return EchoWithoutFeedback(Samples, Count, delay, decay, total);
    return EchoWithFeedback(Samples, Count, delay, decay, Feedback, total);
}

void ModulatedDelay(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, int32_t Rate,
                    double Dry, double Feedback)
{
    if (StagePtr stage = MakeModulatedDelayStage(Count, MinDelayMs, MaxDelayMs, Rate, Dry, Feedback))
        stage->Process(Samples, Count);
}

}  // namespace effects
