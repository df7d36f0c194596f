#include "tapedeck/tapedeck.h"

#include "tapedeck/recorder.h"

namespace {

tapedeck::Recorder& TheRecorder()
{
    // A recording still running when the process ends is completed then.
    static tapedeck::Recorder recorder;
    return recorder;
}

}  // namespace

extern "C" {

uint16_t AudioStartRecord(const char* path, uint32_t samplesPerSecond, uint16_t bitsPerSample, uint16_t channels,
                          uint16_t /*recordSource: chosen through the mixer*/)
{
    return TheRecorder().start(path, {samplesPerSecond, bitsPerSample, channels});
}

uint16_t AudioStopRecord(void) { return TheRecorder().stop(); }

void AudioGetRecordLevel(int32_t* level, int32_t* second)
{
    const tapedeck::Levels levels = TheRecorder().levels();
    if (level)
        *level = levels.level;
    if (second)
        *second = levels.second;
}

void AudioSetRecordDevice(const char* alsaName) { TheRecorder().setDevice(alsaName); }

}  // extern "C"
