#include "waveout/simulated_waveout.h"

#include "waveout/waveout_device.h"

namespace platform {

class SimulatedWaveOutDevice final : public WaveOutDevice {
public:
    using WaveOutDevice::WaveOutDevice;

    void stop() override
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }

    bool isOpen()
    {
        std::lock_guard lock(mutex_);
        return !closed_;
    }

    bool paused()
    {
        std::lock_guard lock(mutex_);
        return paused_;
    }

    size_t queuedHeaders()
    {
        std::lock_guard lock(mutex_);
        return queuedHeaderCountLocked();
    }

    WAVEHDR* completeNextHeader()
    {
        std::lock_guard lock(mutex_);
        return completeOldestLocked();
    }

    void setPosition(uint32_t samples)
    {
        std::lock_guard lock(mutex_);
        setPositionLocked(uint64_t(samples) * format().nBlockAlign);
    }

private:
    bool closed_ = false;
};

std::shared_ptr<SimulatedWaveOut> SimulatedWaveOut::Install()
{
    auto simulated = std::make_shared<SimulatedWaveOut>();
    SetWaveOutFactory([simulated](const WAVEFORMATEX& format, std::shared_ptr<WaveOutDevice>& device) {
        std::lock_guard lock(simulated->mutex_);
        if (simulated->openResult_ != MMSYSERR_NOERROR)
            return simulated->openResult_;
        auto opened = std::make_shared<SimulatedWaveOutDevice>(format);
        simulated->current_ = opened;
        ++simulated->opens_;
        device = opened;
        return MMSYSERR_NOERROR;
    });
    return simulated;
}

void SimulatedWaveOut::failOpens(MMRESULT result)
{
    std::lock_guard lock(mutex_);
    openResult_ = result;
}

int SimulatedWaveOut::successfulOpens() const
{
    std::lock_guard lock(mutex_);
    return opens_;
}

std::shared_ptr<SimulatedWaveOutDevice> SimulatedWaveOut::current() const
{
    std::shared_ptr<SimulatedWaveOutDevice> device;
    {
        std::lock_guard lock(mutex_);
        device = current_.lock();
    }
    return device && device->isOpen() ? device : nullptr;
}

bool SimulatedWaveOut::isOpen() const { return current() != nullptr; }

HWAVEOUT SimulatedWaveOut::handle() const
{
    const auto device = current();
    return device ? device->handle() : 0;
}

WAVEFORMATEX SimulatedWaveOut::format() const
{
    const auto device = current();
    return device ? device->format() : WAVEFORMATEX{};
}

bool SimulatedWaveOut::paused() const
{
    const auto device = current();
    return device && device->paused();
}

size_t SimulatedWaveOut::queuedHeaders() const
{
    const auto device = current();
    return device ? device->queuedHeaders() : 0;
}

WAVEHDR* SimulatedWaveOut::completeNextHeader()
{
    const auto device = current();
    return device ? device->completeNextHeader() : nullptr;
}

void SimulatedWaveOut::setPosition(uint32_t samples)
{
    if (const auto device = current())
        device->setPosition(samples);
}

}  // namespace platform
