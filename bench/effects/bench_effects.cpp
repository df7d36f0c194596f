// Each effect routine on a 60-second voice, in samples per second, and the
// whole chain of all twelve processing effects on a 1-minute voice (the wait
// between clicking Play and hearing the sound).
#include <benchmark/benchmark.h>

#include <functional>

#include "effect_catalogue.h"
#include "effect_pipeline.h"
#include "effects.h"
#include "test_signals.h"

namespace {

constexpr int32_t kOneMinute = 22050 * 60;

const testsignals::Voice& Voice()
{
    static const testsignals::Voice voice = testsignals::SpeechLike(kOneMinute);
    return voice;
}

void RunRoutine(benchmark::State& state, const std::function<void(int16_t*, int32_t)>& routine)
{
    effects::StepsPerEffect = 10;
    testsignals::Voice work = Voice();
    for (auto _ : state) {
        state.PauseTiming();
        work = Voice();
        state.ResumeTiming();
        routine(work.data(), kOneMinute);
        benchmark::DoNotOptimize(work.data());
    }
    state.SetItemsProcessed(state.iterations() * kOneMinute);
}

void SweepUp(benchmark::State& s) { RunRoutine(s, effects::SweepUpEffect); }
void SweepDown(benchmark::State& s) { RunRoutine(s, effects::SweepDownEffect); }
void Echo(benchmark::State& s)
{
    const voice::EchoParameters& e = voice::kEcho;
    RunRoutine(s, [&](int16_t* v, int32_t n) { effects::EchoEffect(v, n, e.delayMs, e.decayPercent, e.feedback, n); });
}
void RunDelay(benchmark::State& s, const voice::DelayParameters& d)
{
    RunRoutine(s, [&](int16_t* v, int32_t n) {
        effects::ModulatedDelay(v, n, d.minDelayMs, d.maxDelayMs, d.sweepRate, d.dryGain, d.feedback);
    });
}
void Chorus(benchmark::State& s) { RunDelay(s, voice::kChorus); }
void RobotVoice(benchmark::State& s) { RunDelay(s, voice::kRobotVoice); }
void Backward(benchmark::State& s) { RunRoutine(s, effects::ReverseVoice); }
void Flange(benchmark::State& s) { RunDelay(s, voice::kFlange); }
void PitchStep(benchmark::State& s)
{
    const int32_t step = int32_t(s.range(0));
    RunRoutine(s, [step](int16_t* v, int32_t n) { effects::PitchBarShift(v, n, step); });
}
void FadeIn(benchmark::State& s) { RunRoutine(s, effects::FadeInEffect); }
void FadeOut(benchmark::State& s) { RunRoutine(s, effects::FadeOutEffect); }
void BassOnly(benchmark::State& s) { RunRoutine(s, effects::BassOnlyEffect); }
void TrebleOnly(benchmark::State& s)
{
    RunRoutine(s, [](int16_t* v, int32_t n) { effects::TrebleOnlyEffect(v, n, true); });
}

void AllTwelve(benchmark::State& state)
{
    const bool oneThread = state.range(0) == 1;
    voice::EffectSwitches s;
    for (voice::Effect e :
         {voice::Effect::Echo, voice::Effect::Chorus, voice::Effect::Flange, voice::Effect::FadeIn,
          voice::Effect::FadeOut, voice::Effect::BassOnly, voice::Effect::Robotvoice, voice::Effect::Backward,
          voice::Effect::TrebleOnly, voice::Effect::SweepUp, voice::Effect::SweepDown})
        s[e] = true;
    s.pitchPosition = 3;
    effects::StepsPerEffect = 10;
    RunRoutine(state, [&](int16_t* v, int32_t n) {
        voice::RunEffectChain(v, n, s, oneThread ? effects::ChainThreads::One : effects::ChainThreads::Automatic);
    });
}

}  // namespace

BENCHMARK(SweepUp)->Unit(benchmark::kMillisecond);
BENCHMARK(SweepDown)->Unit(benchmark::kMillisecond);
BENCHMARK(Echo)->Unit(benchmark::kMillisecond);
BENCHMARK(Chorus)->Unit(benchmark::kMillisecond);
BENCHMARK(RobotVoice)->Unit(benchmark::kMillisecond);
BENCHMARK(Backward)->Unit(benchmark::kMillisecond);
BENCHMARK(Flange)->Unit(benchmark::kMillisecond);
BENCHMARK(PitchStep)->Arg(0)->Arg(3)->Arg(9)->Arg(12)->Unit(benchmark::kMillisecond);
BENCHMARK(FadeIn)->Unit(benchmark::kMillisecond);
BENCHMARK(FadeOut)->Unit(benchmark::kMillisecond);
BENCHMARK(BassOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(TrebleOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(AllTwelve)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
