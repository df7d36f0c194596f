// Fades, the resonator bank behind bass only and treble only, and reversal.
#include <algorithm>
#include <cstdlib>

#include "effects.h"
#include "fast_round.h"
#include "resonator.h"
#include "stage.h"

namespace effects {

namespace {

int32_t Peak(const int16_t* samples, int32_t count)
{
    int32_t peak = 0;
    for (int32_t i = 0; i < count; ++i)
        peak = std::max(peak, std::abs(int32_t(samples[i])));
    return peak;
}

// Fade gain at sample i is t^2 with t = (k * g) / (count - 1), k = i for a fade
// in and count - 1 - i for a fade out, and g = sqrt(32767 / peak): the fade
// ends (or starts) with the loudest sample at full scale.
class FadeStage final : public SampleStage {
public:
    FadeStage(int32_t count, int32_t peak, bool fadeIn)
        : g_(peak > 0 ? double(SquareRoot(Extended(32767) / peak)) : 0.0),
          last_(count - 1),
          perStep_(g_ / last_),
          fadeIn_(fadeIn),
          ticker_(count)
    {
    }

    void Process(int16_t* samples, int32_t count) override
    {
        for (int32_t i = 0; i < count; ++i, ++position_) {
            const int32_t k = fadeIn_ ? position_ : last_ - position_;
            const int32_t s = samples[i];
            const double t = k * perStep_;
            samples[i] = Wrap16(RoundChecked(t * s * t, [&] {
                const Extended te = (k * Extended(g_)) / last_;
                return (te * s) * te;
            }));
        }
        ticker_.SamplesDone(count);
    }

private:
    const double g_;
    const int32_t last_;
    const double perStep_;
    const bool fadeIn_;
    int32_t position_ = 0;
    ProgressTicker ticker_;
};

// Two-pole band-pass resonators: y[k] = a*(x[k] - x[k-2]) + b*y[k-1] - c*y[k-2],
// with a = (1 - c) / 2 for unity gain at the centre.
constexpr ResonatorBand kBands[4] = {
    {0.01403808, 0.97192384, 1.9717237},   // narrowest, lowest (bass only)
    {0.12408852, 0.75182298, 1.7341323},   // low middle
    {0.24761712, 0.50476578, 1.2787512},   // high middle
    {0.32063878, 0.35872244, 0.44391324},  // widest, highest (treble only)
};

// One band needs no ring of histories: Resonator keeps the last values.
class SingleBandStage final : public SampleStage {
public:
    SingleBandStage(int32_t count, const ResonatorBand& band, double weight, bool reportProgress)
        : resonator_(band, weight), ticker_(reportProgress ? count : 0)
    {
    }

    void Process(int16_t* samples, int32_t count) override
    {
        for (int32_t i = 0; i < count; ++i)
            samples[i] = resonator_.Step(samples[i]);
        ticker_.SamplesDone(count);
    }

private:
    Resonator resonator_;
    ProgressTicker ticker_;
};

// Any set of bands: each sample passes the bank twice, the second time as its
// own filtered value; the bands' outputs are summed with their weights.
class BankStage final : public SampleStage {
public:
    BankStage(int32_t count, const double weights[4], bool reportProgress) : ticker_(reportProgress ? count : 0)
    {
        std::copy(weights, weights + 4, weights_);
    }

    void Process(int16_t* samples, int32_t count) override
    {
        for (int32_t i = 0; i < count; ++i) {
            for (int half = 0; half < 2; ++half) {
                const int p1 = (p_ + 2) % 3, p2 = (p_ + 1) % 3;
                X_[p_] = samples[i];
                const Extended d = Extended(X_[p_]) - X_[p2];
                double acc = 0.0;
                for (int band = 0; band < 4; ++band) {
                    if (weights_[band] == 0.0)
                        continue;
                    const ResonatorBand& k = kBands[band];
                    Y_[band][p_] = double(Extended(k.a) * d + Extended(k.b) * Y_[band][p1] -
                                          Extended(k.c) * Y_[band][p2]);
                    acc = double(Y_[band][p_] * Extended(weights_[band]) + acc);
                }
                samples[i] = Clip16(RoundDouble(acc));
                p_ = (p_ + 1) % 3;
            }
        }
        ticker_.SamplesDone(count);
    }

private:
    double weights_[4];
    double X_[3] = {0, 0, 0};
    double Y_[4][3] = {};
    int p_ = 0;
    ProgressTicker ticker_;
};

void RunWhole(StagePtr stage, int16_t* samples, int32_t count)
{
    if (stage)
        stage->Process(samples, count);
}

}  // namespace

StagePtr MakeFadeStage(const int16_t* samples, int32_t count, bool fadeIn)
{
    if (count < 2)
        return nullptr;  // a single sample has no ramp
    return std::make_unique<FadeStage>(count, Peak(samples, count), fadeIn);
}

StagePtr MakeResonatorStage(int32_t count, const double weights[4], bool reportProgress)
{
    if (StepsPerEffect == 0)
        StepsPerEffect = 10;
    if (count <= 0)
        return nullptr;
    int active = 0, only = 0;
    for (int band = 0; band < 4; ++band)
        if (weights[band] != 0.0) {
            ++active;
            only = band;
        }
    if (active == 1)
        return std::make_unique<SingleBandStage>(count, kBands[only], weights[only], reportProgress);
    return std::make_unique<BankStage>(count, weights, reportProgress);
}

void FadeInEffect(int16_t* Samples, int32_t Count) { RunWhole(MakeFadeStage(Samples, Count, true), Samples, Count); }

void FadeOutEffect(int16_t* Samples, int32_t Count)
{
    RunWhole(MakeFadeStage(Samples, Count, false), Samples, Count);
}

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
    RunWhole(MakeResonatorStage(Count, Weights, ReportProgress), Samples, Count);
}

void BassOnlyEffect(int16_t* Samples, int32_t Count) { ResonatorBank(Samples, Count, kBassOnlyWeights, true); }

void TrebleOnlyEffect(int16_t* Samples, int32_t Count, bool ReportProgress)
{
    ResonatorBank(Samples, Count, kTrebleOnlyWeights, ReportProgress);
}

}  // namespace effects
