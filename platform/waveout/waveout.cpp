#include "waveout/waveout.h"

#include "waveout/alsa_waveout.h"
#include "waveout/waveout_device.h"

#include <map>
#include <new>
#include <system_error>

namespace platform {

namespace {

class Registry {
public:
    Registry()
    {
        // Devices post messages until they stop. Touching the message layer
        // here makes its registry older than this one, so it is destroyed
        // after every device thread has been stopped below.
        PostWindowMessage(0, 0, 0, 0);
        useAlsa("default");
    }

    ~Registry()
    {
        for (auto& [handle, device] : devices_)
            device->stop();
    }

    void useAlsa(const std::string& pcmName)
    {
        setFactory([pcmName](const WAVEFORMATEX& format, std::shared_ptr<WaveOutDevice>& device) {
            return AlsaWaveOutDevice::Open(pcmName, format, device);
        });
    }

    void setFactory(WaveOutFactory factory)
    {
        std::lock_guard lock(mutex_);
        factory_ = std::move(factory);
    }

    MMRESULT open(HWAVEOUT& handle, const WAVEFORMATEX& format, uintptr_t callback, uint32_t flags)
    {
        std::shared_ptr<WaveOutDevice> device;
        WaveOutFactory factory;
        {
            std::lock_guard lock(mutex_);
            factory = factory_;
        }
        const MMRESULT result = factory(format, device);
        if (result != MMSYSERR_NOERROR)
            return result;
        std::lock_guard lock(mutex_);
        handle = next_++;
        device->setNotification(handle, callback, flags);
        device->start();
        devices_[handle] = device;
        return MMSYSERR_NOERROR;
    }

    std::shared_ptr<WaveOutDevice> find(HWAVEOUT handle)
    {
        std::lock_guard lock(mutex_);
        const auto found = devices_.find(handle);
        return found == devices_.end() ? nullptr : found->second;
    }

    MMRESULT close(HWAVEOUT handle)
    {
        std::shared_ptr<WaveOutDevice> device;
        {
            std::lock_guard lock(mutex_);
            const auto found = devices_.find(handle);
            if (found == devices_.end())
                return MMSYSERR_INVALHANDLE;
            if (found->second->hasQueuedHeaders())
                return WAVERR_STILLPLAYING;
            device = found->second;
            devices_.erase(found);
        }
        device->stop();
        return MMSYSERR_NOERROR;
    }

private:
    std::mutex mutex_;
    std::map<HWAVEOUT, std::shared_ptr<WaveOutDevice>> devices_;
    HWAVEOUT next_ = 1;
    WaveOutFactory factory_;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

bool IsPlayablePcm(const WAVEFORMATEX& format)
{
    if (format.wFormatTag != WAVE_FORMAT_PCM || (format.wBitsPerSample != 8 && format.wBitsPerSample != 16) ||
        format.nChannels == 0 || format.nSamplesPerSec == 0)
        return false;
    const uint32_t blockAlign = uint32_t(format.nChannels) * format.wBitsPerSample / 8;
    return format.nBlockAlign == blockAlign &&
           uint64_t(format.nAvgBytesPerSec) == uint64_t(format.nSamplesPerSec) * blockAlign;
}

bool IsHeader(const WAVEHDR* header, uint32_t headerSize)
{
    return header && headerSize >= sizeof(WAVEHDR) && (header->lpData || header->dwBufferLength == 0);
}

// Runs a call on the open device, or reports a handle that is not one.
template <typename Call>
MMRESULT WithDevice(HWAVEOUT handle, Call call)
{
    const std::shared_ptr<WaveOutDevice> device = TheRegistry().find(handle);
    return device ? call(*device) : MMSYSERR_INVALHANDLE;
}

}  // namespace

void SetWaveOutFactory(WaveOutFactory factory) { TheRegistry().setFactory(std::move(factory)); }

void UseAlsaWaveOut(const std::string& pcmName) { TheRegistry().useAlsa(pcmName); }

MMRESULT waveOutOpen(HWAVEOUT* device, uint32_t deviceId, const WAVEFORMATEX* format, uintptr_t callback,
                     uintptr_t /*instance: only callback functions receive it*/, uint32_t flags)
{
    if (!device || !format)
        return MMSYSERR_INVALPARAM;
    *device = 0;
    if (deviceId != WAVE_MAPPER && deviceId != 0)
        return MMSYSERR_BADDEVICEID;
    if (flags != CALLBACK_NULL && flags != CALLBACK_WINDOW)
        return MMSYSERR_INVALFLAG;
    if (!IsPlayablePcm(*format))
        return WAVERR_BADFORMAT;
    try {
        return TheRegistry().open(*device, *format, callback, flags);
    } catch (const std::bad_alloc&) {
        return MMSYSERR_NOMEM;
    } catch (const std::system_error&) {
        return MMSYSERR_ERROR;  // no thread for the device
    }
}

MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, uint32_t headerSize)
{
    if (!IsHeader(header, headerSize))
        return MMSYSERR_INVALPARAM;
    return WithDevice(device, [&](WaveOutDevice&) {
        SetHeaderFlags(*header, WHDR_PREPARED, 0);
        return MMSYSERR_NOERROR;
    });
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, uint32_t headerSize)
{
    if (!IsHeader(header, headerSize))
        return MMSYSERR_INVALPARAM;
    return WithDevice(device, [&](WaveOutDevice&) {
        if (WaveHeaderFlags(*header) & WHDR_INQUEUE)
            return WAVERR_STILLPLAYING;
        SetHeaderFlags(*header, 0, WHDR_PREPARED);
        return MMSYSERR_NOERROR;
    });
}

MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, uint32_t headerSize)
{
    if (!IsHeader(header, headerSize))
        return MMSYSERR_INVALPARAM;
    return WithDevice(device, [&](WaveOutDevice& d) { return d.write(header); });
}

MMRESULT waveOutPause(HWAVEOUT device)
{
    return WithDevice(device, [](WaveOutDevice& d) { return d.pause(); });
}

MMRESULT waveOutRestart(HWAVEOUT device)
{
    return WithDevice(device, [](WaveOutDevice& d) { return d.restart(); });
}

MMRESULT waveOutReset(HWAVEOUT device)
{
    return WithDevice(device, [](WaveOutDevice& d) { return d.reset(); });
}

MMRESULT waveOutGetPosition(HWAVEOUT device, MMTIME* time, uint32_t timeSize)
{
    if (!time || timeSize < sizeof(MMTIME))
        return MMSYSERR_INVALPARAM;
    return WithDevice(device, [&](WaveOutDevice& d) { return d.position(*time); });
}

MMRESULT waveOutClose(HWAVEOUT device) { return TheRegistry().close(device); }

WaveOutCounters GetWaveOutCounters(HWAVEOUT device)
{
    const std::shared_ptr<WaveOutDevice> found = TheRegistry().find(device);
    return found ? found->counters() : WaveOutCounters{};
}

}  // namespace platform
