#include "reference_effects.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "arithmetic.h"  // which extended format this processor computes in
#if !PARROTEL_NATIVE_X87
#include "crossfade_tables.h"
#endif

namespace reference {

namespace {

// The x87 extended format: long double on x86-64, its integer emulation elsewhere.
#if PARROTEL_NATIVE_X87
using Ext = long double;
long long Round(Ext x) { return std::llrint(x); }
Ext Sqrt(Ext x) { return sqrtl(x); }
#else
using Ext = effects::X87Extended;
long long Round(Ext x) { return x.RoundToInteger(); }
Ext Sqrt(Ext x) { return x.SquareRoot(); }
#endif
int16_t Clip(long long v) { return v > 32767 ? 32767 : v < -32768 ? -32768 : int16_t(v); }
int16_t Low16(long long v) { return int16_t(uint16_t(v)); }
int32_t Ms(int32_t ms) { return int32_t(Round(Ext(ms * 22050) / 1000)); }

struct Shifter {
    int32_t L, M;
    int32_t n;
    bool rising;
    int32_t step;
    int32_t R;
    std::vector<int16_t> D;
    double C[265], S[265];
    const double* TA = C;
    const double* TB = S;

    int32_t Index(int32_t d, int32_t w) const { return w >= d ? w - d : L - (d - w); }
    int32_t Neighbour(int32_t r) const { return ((r - step) % L + L) % L; }
};

void Shift(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, double StartRate,
           double EndRate, bool sweep, double Dry, double Wet, double Feedback)
{
    Shifter s;
    s.L = Ms(MaxDelayMs);
    s.M = Ms(MinDelayMs);
    const double G = -StartRate;
    s.n = G != 0 ? int32_t(Round(Ext(1) / std::fabs(G))) : 1;
    s.rising = G > 0;
    s.step = s.rising ? 1 : -1;
    s.R = s.L - s.M - int32_t(Round(Ext(265) / s.n));
    s.D.assign(s.L, 0);
#if PARROTEL_NATIVE_X87
    const Ext halfPi = 3.14159265358979323846264338327950288L / 2;  // rounds to extended pi, halved exactly
    for (int i = 0; i < 265; ++i) {
        s.C[i] = double(cosl(i * halfPi / 265));
        s.S[i] = double(sinl(i * halfPi / 265));
    }
#else
    // No library but the x87's gives its sines and cosines: take its results.
    std::copy(effects::kCrossfadeCosine, effects::kCrossfadeCosine + 265, s.C);
    std::copy(effects::kCrossfadeSine, effects::kCrossfadeSine + 265, s.S);
#endif

    int32_t nLow = s.n, nHigh = s.n, sweepDir = 1, SI = 0, sweepCounter = 0;
    bool sweeping = false;
    if (sweep) {
        const int32_t nEnd = EndRate != 0 ? int32_t(Round(Ext(1) / std::fabs(EndRate))) : 1;
        const int32_t span = std::abs(nEnd - s.n);
        if (span != 0) {
            SI = int32_t(Round(Ext(Count) / span));
            if (SI == 0)
                return;  // too short to sweep: the voice stays as it is
            sweeping = true;
        }
        sweepDir = s.n <= nEnd ? 1 : -1;
        nLow = std::min(s.n, nEnd);
        nHigh = std::max(s.n, nEnd);
    }

    int32_t w = 0;
    int32_t f = 0, c = s.R, j = 0;
    double gA = 1.0, gB = 0.0;
    bool resetB = true;
    int32_t dA = s.rising ? s.M : s.L, dB = dA;
    int32_t rA = s.Index(dA, w), rA2 = s.Neighbour(rA), rB = 0, rB2 = 0;

    for (int32_t k = 0; k < Count; ++k) {
        const int32_t n = s.n;
        const Ext tapA = Ext(s.D[rA] * (n - j)) / n + Ext(s.D[rA2] * j) / n;
        const Ext tapB = Ext(s.D[rB] * (n - j)) / n + Ext(s.D[rB2] * j) / n;
        const long long y = Round(tapA * gA + tapB * gB);
        const int16_t x = Samples[k];
        s.D[w] = Low16(Round(y * Ext(Feedback) + x));
        Samples[k] = Clip(Round(x * Ext(Dry) + y * Ext(Wet)));
        if (f > 0) {
            --f;
            gA = s.TA[f];
            gB = s.TB[f];
        }
        w = (w + 1) % s.L;
        rA = (rA + 1) % s.L;
        rA2 = (rA2 + 1) % s.L;
        rB = (rB + 1) % s.L;
        rB2 = (rB2 + 1) % s.L;
        if (G == 0)
            continue;
        if (sweeping && ++sweepCounter == SI) {
            sweepCounter = 0;
            s.n = std::clamp(s.n + sweepDir, nLow, nHigh);
            s.R = s.L - s.M - int32_t(Round(Ext(265) / s.n));
        }
        if (++j >= s.n) {
            j = 0;
            dA = std::max(std::min(dA + s.step, s.L), s.M);
            dB = std::max(std::min(dB + s.step, s.L), s.M);
            rA = s.Index(dA, w);
            rB = s.Index(dB, w);
            if (--c == 0) {
                f = 265;
                c = s.R;
                if (resetB) {
                    resetB = false;
                    dB = s.rising ? s.M : s.L;
                    rB = s.Index(dB, w);
                    s.TA = s.S;
                    s.TB = s.C;
                } else {
                    resetB = true;
                    dA = s.rising ? s.M : s.L;
                    rA = s.Index(dA, w);
                    s.TA = s.C;
                    s.TB = s.S;
                }
            }
            rA2 = s.Neighbour(rA);
            rB2 = s.Neighbour(rB);
        }
    }
}

}  // namespace

void PitchShift(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, double RateChange,
                double Dry, double Wet, double Feedback)
{
    Shift(Samples, Count, MinDelayMs, MaxDelayMs, RateChange, 0, false, Dry, Wet, Feedback);
}

void SweepShift(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, double StartRate,
                double EndRate, double Dry, double Wet, double Feedback)
{
    Shift(Samples, Count, MinDelayMs, MaxDelayMs, StartRate, EndRate, true, Dry, Wet, Feedback);
}

void PitchBarShift(int16_t* Samples, int32_t Count, int32_t Step)
{
    static const double rates[13] = {-0.292893, -0.250846, -0.206299, -0.159104, -0.109101, -0.056126, 0,
                                     0.059463,  0.122462,  0.189207,  0.259921,  0.33484,   0.414214};
    static const int32_t maxDelays[13] = {35, 35, 35, 35, 35, 35, 0, 15, 15, 15, 15, 25, 25};
    if (Step < 0 || Step > 12 || Step == 6)
        return;
    PitchShift(Samples, Count, 0, maxDelays[Step], rates[Step], 0.0, 1.0, 0.0);
}

void SweepUpEffect(int16_t* Samples, int32_t Count)
{
    SweepShift(Samples, Count, 0, 35, 0.059463, 0.414214, 0.0, 1.0, 0.0);
}

void SweepDownEffect(int16_t* Samples, int32_t Count)
{
    SweepShift(Samples, Count, 0, 35, -0.056126, -0.292893, 0.0, 1.0, 0.0);
}

int32_t EchoEffect(int16_t* Samples, int32_t Count, int32_t DelayMs, int32_t DecayPercent, double Feedback,
                   int32_t Limit)
{
    const double decay = double(Ext(DecayPercent) / 100);
    const int32_t Dl = Ms(DelayMs);
    std::vector<int16_t> E(Dl, 0);
    int32_t r = 0, q = Dl - 1;
    int32_t total = Count + Dl;
    if (Limit < total)
        total = Limit;
    for (int32_t i = 0; i < total; ++i) {
        const int32_t x = i < Count ? Samples[i] : 0;
        const long long s = Round(E[r] * Ext(decay)) + x;
        E[q] = Low16(Round(s * Ext(Feedback) + x));
        Samples[i] = Clip(s);
        r = (r + 1) % Dl;
        q = (q + 1) % Dl;
    }
    return total;
}

void ModulatedDelay(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, int32_t Rate,
                    double Dry, double Feedback)
{
    const int32_t Lx = Ms(MaxDelayMs), Ln = Ms(MinDelayMs);
    std::vector<int16_t> E(Lx, 0);
    int32_t cur = int32_t(Round(Ext(Lx + Ln) / 2));
    const int32_t n = Rate != 0 ? int32_t(Round(Ext(22050) / (Ext(Rate * 22050) / 1000))) : 1;
    int32_t j = 0, dir = 1, w = 0;
    auto index = [&](int32_t d) { return w >= d ? w - d : Lx - (d - w); };
    int32_t r1 = index(cur);
    int32_t r2 = (r1 + 1) % Lx;
    for (int32_t i = 0; i < Count; ++i) {
        const int16_t x = Samples[i];
        E[w] = x;
        const long long v = Round(x * Ext(Dry) + Ext(E[r2] * (n - j)) / n + Ext(E[r1] * j) / n);
        Samples[i] = Clip(v);
        E[w] = Clip(Round(v * Ext(Feedback) + x));
        w = (w + 1) % Lx;
        r1 = (r1 + 1) % Lx;
        r2 = (r2 + 1) % Lx;
        if (Rate != 0 && ++j == n) {
            j = 0;
            if (cur <= Ln)
                dir = 1;
            if (cur >= Lx)
                dir = -1;
            cur += dir;
            r1 = index(cur);
            r2 = ((r1 + dir) % Lx + Lx) % Lx;
        }
    }
}

static void Fade(int16_t* Samples, int32_t Count, bool in)
{
    if (Count < 2)
        return;
    int32_t peak = 0;
    for (int32_t i = 0; i < Count; ++i)
        peak = std::max(peak, std::abs(int32_t(Samples[i])));
    const double g = peak > 0 ? double(Sqrt(Ext(32767) / peak)) : 0.0;
    for (int32_t i = 0; i < Count; ++i) {
        const int32_t k = in ? i : Count - 1 - i;
        const Ext t = (k * Ext(g)) / (Count - 1);
        Samples[i] = Low16(Round((t * Samples[i]) * t));
    }
}

void FadeInEffect(int16_t* Samples, int32_t Count) { Fade(Samples, Count, true); }
void FadeOutEffect(int16_t* Samples, int32_t Count) { Fade(Samples, Count, false); }

void ReverseVoice(int16_t* Samples, int32_t Count)
{
    std::vector<int16_t> copy(Samples, Samples + Count);
    for (int32_t i = 0; i < Count; ++i)
        Samples[i] = copy[Count - 1 - i];
}

void ResonatorBank(int16_t* Samples, int32_t Count, const double Weights[4])
{
    static const double coefficients[4][3] = {  // a, c, b
        {0.01403808, 0.97192384, 1.9717237},
        {0.12408852, 0.75182298, 1.7341323},
        {0.24761712, 0.50476578, 1.2787512},
        {0.32063878, 0.35872244, 0.44391324}};
    double X[3] = {0, 0, 0};
    double Y[4][3] = {};
    int p = 0;
    for (int64_t m = 0; m < 2 * int64_t(Count); ++m) {
        const int64_t i = m / 2;
        const int p1 = (p + 2) % 3, p2 = (p + 1) % 3;
        X[p] = Samples[i];
        const Ext d = Ext(X[p]) - X[p2];
        double acc = 0.0;
        for (int band = 0; band < 4; ++band) {
            if (Weights[band] == 0.0)
                continue;
            const Ext a = coefficients[band][0], c = coefficients[band][1], b = coefficients[band][2];
            Y[band][p] = double(a * d + b * Y[band][p1] - c * Y[band][p2]);
            acc = double(Y[band][p] * Ext(Weights[band]) + acc);
        }
        Samples[i] = acc > 32767 ? 32767 : acc < -32768 ? -32768 : int16_t(Round(acc));
        p = (p + 1) % 3;
    }
}

}  // namespace reference
