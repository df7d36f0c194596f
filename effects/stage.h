// An effect as a stage of a stream: it processes the voice in consecutive
// pieces, keeping its state between them, so that several effects can work
// through the voice together, piece by piece. Processing the whole voice at
// once or in pieces of any size gives the same samples.
#pragma once

#include <cstdint>
#include <memory>

namespace effects {

class SampleStage {
public:
    virtual ~SampleStage() = default;
    // Rewrites the next `count` samples of the stream in place.
    virtual void Process(int16_t* samples, int32_t count) = 0;
};

using StagePtr = std::unique_ptr<SampleStage>;

// Streaming stages of the routines, for a voice of `count` samples. Each
// reports progress as its routine does, to the gauge current when it is made.
// A null stage means the routine would leave the voice as it is.
StagePtr MakePitchBarStage(int32_t count, int32_t step);
StagePtr MakeSweepUpStage(int32_t count);
StagePtr MakeSweepDownStage(int32_t count);
// Echo without feedback whose limit equals the voice length, as the pipeline runs it.
StagePtr MakeEchoStage(int32_t count, int32_t delayMs, int32_t decayPercent);
StagePtr MakeModulatedDelayStage(int32_t count, int32_t minDelayMs, int32_t maxDelayMs, int32_t rate, double dry,
                                 double feedback);
// The fades need the loudest sample of the whole voice they will process.
StagePtr MakeFadeStage(const int16_t* samples, int32_t count, bool fadeIn);
StagePtr MakeResonatorStage(int32_t count, const double weights[4], bool reportProgress);

}  // namespace effects
