// Fades, the resonator bank behind bass only and treble only, and reversal.
#include <algorithm>
#include <cstdlib>

#include "effects.h"
#include "fast_round.h"
#include "resonator.h"

namespace effects {

namespace {

// Fade gain at sample i is t^2 with t = (k * g) / (count - 1), k = i for a fade
// in and count - 1 - i for a fade out, and g = sqrt(32767 / peak): the fade
// ends (or starts) with the loudest sample at full scale.
void Fade(int16_t* samples, int32_t count, bool fadeIn)
{
    if (count < 2)
        return;  // a single sample has no ramp
    int32_t peak = 0;
    for (int32_t i = 0; i < count; ++i)
        peak = std::max(peak, std::abs(int32_t(samples[i])));
    const double g = peak > 0 ? double(sqrtl(Extended(32767) / peak)) : 0.0;
    const int32_t last = count - 1;
    const double perStep = g / last;
    ProgressTicker ticker(count);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t k = fadeIn ? i : last - i;
        const int32_t s = samples[i];
        const double t = k * perStep;
        samples[i] = Wrap16(RoundChecked(t * s * t, [&] {
            const Extended te = (k * Extended(g)) / last;
            return (te * s) * te;
        }));
        ticker.SampleDone();
    }
}

// Two-pole band-pass resonators: y[k] = a*(x[k] - x[k-2]) + b*y[k-1] - c*y[k-2],
// with a = (1 - c) / 2 for unity gain at the centre.
using Band = ResonatorBand;
constexpr Band kBands[4] = {
    {0.01403808, 0.97192384, 1.9717237},   // narrowest, lowest (bass only)
    {0.12408852, 0.75182298, 1.7341323},   // low middle
    {0.24761712, 0.50476578, 1.2787512},   // high middle
    {0.32063878, 0.35872244, 0.44391324},  // widest, highest (treble only)
};
constexpr double kBassWeights[4] = {1.3, 0, 0, 0};
constexpr double kTrebleWeights[4] = {0, 0, 0, 2.5};

int16_t SaturateRound(double acc)
{
    return acc > 32767 ? int16_t(32767) : acc < -32768 ? int16_t(-32768) : int16_t(RoundDouble(acc));
}

// One band needs no ring of histories: Resonator keeps the last values.
void SingleBand(int16_t* samples, int32_t count, const Band& band, double weight, bool reportProgress)
{
    ProgressTicker ticker(reportProgress ? count : 0);
    Resonator resonator(band, weight);
    for (int32_t i = 0; i < count; ++i) {
        samples[i] = resonator.Step(samples[i]);
        if (reportProgress)
            ticker.SampleDone();
    }
}

}  // namespace

void FadeInEffect(int16_t* Samples, int32_t Count) { Fade(Samples, Count, true); }
void FadeOutEffect(int16_t* Samples, int32_t Count) { Fade(Samples, Count, false); }

void ReverseVoice(int16_t* Samples, int32_t Count)
{
    if (Count <= 0)
        return;
    std::reverse(Samples, Samples + Count);
    ProgressTicker ticker(Count);
    ticker.SamplesDone(Count);
}

void ResonatorBank(int16_t* Samples, int32_t Count, const double Weights[4], bool ReportProgress)
{
    if (StepsPerEffect == 0)
        StepsPerEffect = 10;
    if (Count <= 0)
        return;
    int active = 0, only = 0;
    for (int band = 0; band < 4; ++band)
        if (Weights[band] != 0.0) {
            ++active;
            only = band;
        }
    if (active == 1) {
        SingleBand(Samples, Count, kBands[only], Weights[only], ReportProgress);
        return;
    }

    ProgressTicker ticker(ReportProgress ? Count : 0);
    double X[3] = {0, 0, 0};
    double Y[4][3] = {};
    int p = 0;
    for (int32_t i = 0; i < Count; ++i) {
        for (int half = 0; half < 2; ++half) {
            const int p1 = (p + 2) % 3, p2 = (p + 1) % 3;
            X[p] = Samples[i];
            const Extended d = Extended(X[p]) - X[p2];
            double acc = 0.0;
            for (int band = 0; band < 4; ++band) {
                if (Weights[band] == 0.0)
                    continue;
                const Band& k = kBands[band];
                Y[band][p] = double(Extended(k.a) * d + Extended(k.b) * Y[band][p1] - Extended(k.c) * Y[band][p2]);
                acc = double(Y[band][p] * Extended(Weights[band]) + acc);
            }
            Samples[i] = SaturateRound(acc);
            p = (p + 1) % 3;
        }
        if (ReportProgress)
            ticker.SampleDone();
    }
}

void BassOnlyEffect(int16_t* Samples, int32_t Count) { ResonatorBank(Samples, Count, kBassWeights, true); }

void BassThenTrebleOnly(int16_t* Samples, int32_t Count)
{
    if (StepsPerEffect == 0)
        StepsPerEffect = 10;
    // Each sample goes through the bass band and at once through the treble
    // band: the two recursions are independent, so the processor overlaps them.
    ProgressTicker bassTicker(Count), trebleTicker(Count);
    Resonator bass(kBands[0], kBassWeights[0]), treble(kBands[3], kTrebleWeights[3]);
    for (int32_t i = 0; i < Count; ++i) {
        Samples[i] = treble.Step(bass.Step(Samples[i]));
        bassTicker.SampleDone();
        trebleTicker.SampleDone();
    }
}

void TrebleOnlyEffect(int16_t* Samples, int32_t Count, bool ReportProgress)
{
    ResonatorBank(Samples, Count, kTrebleWeights, ReportProgress);
}

}  // namespace effects
