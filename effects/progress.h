// How the effect routines report progress.
//
// ApplyEffects resets the gauge to 120 and sets StepsPerEffect to 120 div the
// number of active effects; every routine then advances the gauge about
// StepsPerEffect times over its run: with P = (its sample count) div
// StepsPerEffect, one step each time the samples it has processed reach a
// multiple of P (none when P is 0).
#pragma once

#include <cstdint>

namespace effects {

class Progress {
public:
    virtual ~Progress() = default;
    // Full scale max, position 0.
    virtual void ResetProgress(int32_t max) = 0;
    // One step forward; the gauge never goes beyond its full scale.
    virtual void StepProgress() = 0;
};

// Gauge steps each routine makes over its whole run; kept between runs.
extern int32_t StepsPerEffect;

// The gauge the routines report to; a silent one when none was set.
Progress& CurrentProgress();
// Sets the gauge (nullptr for the silent one); returns the previous one.
Progress* SetCurrentProgress(Progress* progress);

// Counts processed samples and steps the gauge every `interval` samples.
class ProgressTicker {
public:
    // interval = count div StepsPerEffect, as the step rule says.
    explicit ProgressTicker(int64_t count)
        : progress_(CurrentProgress()),
          interval_(StepsPerEffect > 0 ? count / StepsPerEffect : 0),
          left_(interval_)
    {
    }

    // Call once per processed sample.
    void SampleDone()
    {
        if (interval_ > 0 && --left_ == 0) {
            left_ = interval_;
            progress_.StepProgress();
        }
    }

    // Reports n processed samples at once (for routines that work in blocks).
    void SamplesDone(int64_t n)
    {
        if (interval_ <= 0)
            return;
        while (n >= left_) {
            n -= left_;
            left_ = interval_;
            progress_.StepProgress();
        }
        left_ -= n;
    }

private:
    Progress& progress_;
    int64_t interval_;
    int64_t left_;
};

}  // namespace effects
