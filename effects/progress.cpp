#include "progress.h"

namespace effects {

int32_t StepsPerEffect = 0;

namespace {

class SilentProgress final : public Progress {
public:
    void ResetProgress(int32_t) override {}
    void StepProgress() override {}
};

SilentProgress silentProgress;
Progress* currentProgress = &silentProgress;

}  // namespace

Progress& CurrentProgress() { return *currentProgress; }

Progress* SetCurrentProgress(Progress* progress)
{
    Progress* previous = currentProgress == &silentProgress ? nullptr : currentProgress;
    currentProgress = progress ? progress : &silentProgress;
    return previous;
}

}  // namespace effects
