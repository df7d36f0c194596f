// Echo, and the modulated delay behind chorus, flange and robot voice.
#include <algorithm>
#include <vector>

#include "effects.h"
#include "fast_round.h"

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

}  // namespace

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
    const int32_t Lx = MsToSamples(MaxDelayMs), Ln = MsToSamples(MinDelayMs);
    if (Lx <= 0 || Ln < 0 || Ln > Lx || Count <= 0)
        return;
    std::vector<int16_t> line(size_t(Lx), 0);
    int16_t* const E = line.data();
    int32_t cur = int32_t(RoundEven(Extended(Lx + Ln) / 2));
    // Glide interval: samples per one-sample change of the delay.
    const int32_t n = Rate != 0 ? int32_t(RoundEven(Extended(kSampleRate) / (Extended(Rate * kSampleRate) / 1000))) : 1;
    if (n <= 0)
        return;
    const double invN = 1.0 / n;
    const bool feedbackExact = IsShortCoefficient(Feedback);
    int32_t j = 0, dir = 1, w = 0;
    auto index = [&](int32_t d) { return w >= d ? w - d : Lx - (d - w); };
    int32_t r1 = index(cur);
    int32_t r2 = r1 + 1 == Lx ? 0 : r1 + 1;
    ProgressTicker ticker(Count);

    for (int32_t i = 0; i < Count; ++i) {
        const int16_t x = Samples[i];
        E[w] = x;
        // The mix glides from the tap at the previous delay (r2) to the new one (r1).
        const int32_t older = E[r2] * (n - j), newer = E[r1] * j;
        const int64_t v = RoundChecked(x * Dry + (older + newer) * invN, [&] {
            return Extended(x) * Dry + Extended(older) / n + Extended(newer) / n;
        });
        Samples[i] = Clip16(v);
        E[w] = Clip16(RoundMaybeExact(feedbackExact, double(v) * Feedback + x,
                                      [&] { return Extended(v) * Feedback + x; }));
        ticker.SampleDone();
        if (++w == Lx)
            w = 0;
        if (++r1 == Lx)
            r1 = 0;
        if (++r2 == Lx)
            r2 = 0;
        if (Rate != 0 && ++j == n) {
            j = 0;
            if (cur <= Ln)
                dir = 1;
            if (cur >= Lx)
                dir = -1;
            cur += dir;
            r1 = index(cur);
            r2 = r1 + dir;
            r2 = r2 < 0 ? r2 + Lx : r2 >= Lx ? r2 - Lx : r2;
        }
    }
}

}  // namespace effects
