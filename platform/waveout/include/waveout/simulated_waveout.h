// A wave output device that plays nothing: a test decides when each header
// comes back, what position the device reports and whether an open fails.
// Headers, flags, done messages, pause and reset behave as on the real
// device.
//
//   auto device = platform::SimulatedWaveOut::Install();
//   ... the code under test opens and writes ...
//   device->completeNextHeader();   // MM_WOM_DONE for the oldest header
//   device->setPosition(4048);      // what waveOutGetPosition reports
//   platform::UseAlsaWaveOut();     // back to real sound
#pragma once

#include "waveout/waveout.h"

#include <memory>
#include <mutex>

namespace platform {

class SimulatedWaveOutDevice;

class SimulatedWaveOut {
public:
    // Every waveOutOpen from now on opens a simulated device.
    static std::shared_ptr<SimulatedWaveOut> Install();

    // Opens fail with this result until it is set back to MMSYSERR_NOERROR.
    void failOpens(MMRESULT result);
    int successfulOpens() const;

    // About the device opened last, while it is open.
    bool isOpen() const;
    HWAVEOUT handle() const;
    WAVEFORMATEX format() const;
    bool paused() const;
    size_t queuedHeaders() const;

    // Returns the oldest queued header as done (flags and message as after
    // playing it); nullptr when none is queued or no device is open.
    WAVEHDR* completeNextHeader();
    // The position reported from now on, until the next reset or call.
    void setPosition(uint32_t samples);

private:
    std::shared_ptr<SimulatedWaveOutDevice> current() const;

    mutable std::mutex mutex_;
    MMRESULT openResult_ = MMSYSERR_NOERROR;
    int opens_ = 0;
    std::weak_ptr<SimulatedWaveOutDevice> current_;
};

}  // namespace platform
