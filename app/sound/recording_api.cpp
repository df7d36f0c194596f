#include "recording_api.h"

#include <chrono>

#include "tapedeck/tapedeck.h"

namespace {

uint32_t SteadyClockMs()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

RecordingApi RecordingApi::Library()
{
    return {AudioStartRecord, AudioStopRecord, AudioGetRecordLevel, SteadyClockMs};
}
