#include "pcm/pcm.h"

#include <cerrno>

namespace pcm {

namespace {

OpenResult OpenFailure(int error)
{
    return error == -EBUSY ? OpenResult::Busy : OpenResult::NoDevice;
}

OpenResult SetHardwareParameters(Device& device, const Format& format, const Timing& timing)
{
    snd_pcm_t* pcm = device.handle;
    snd_pcm_hw_params_t* hw;
    snd_pcm_hw_params_alloca(&hw);
    if (snd_pcm_hw_params_any(pcm, hw) < 0 ||
        snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0)
        return OpenResult::SetupFailed;
    const snd_pcm_format_t sampleFormat = SampleFormat(format.bitsPerSample);
    if (sampleFormat == SND_PCM_FORMAT_UNKNOWN || snd_pcm_hw_params_set_format(pcm, hw, sampleFormat) < 0 ||
        snd_pcm_hw_params_set_channels(pcm, hw, format.channels) < 0 ||
        snd_pcm_hw_params_set_rate(pcm, hw, format.samplesPerSecond, 0) < 0)
        return OpenResult::FormatRefused;
    unsigned bufferTime = timing.bufferMicroseconds;
    unsigned periodTime = timing.periodMicroseconds;
    if (snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferTime, nullptr) < 0 ||
        snd_pcm_hw_params_set_period_time_near(pcm, hw, &periodTime, nullptr) < 0 ||
        snd_pcm_hw_params(pcm, hw) < 0 || snd_pcm_get_params(pcm, &device.bufferFrames, &device.periodFrames) < 0)
        return OpenResult::SetupFailed;
    device.canPause = snd_pcm_hw_params_can_pause(hw) != 0;
    return OpenResult::Ok;
}

OpenResult SetSoftwareParameters(Device& device)
{
    snd_pcm_t* pcm = device.handle;
    snd_pcm_sw_params_t* sw;
    snd_pcm_sw_params_alloca(&sw);
    // A stream starts once half its buffer is in, or on snd_pcm_start. A
    // sound server takes the threshold as the amount it gathers before it
    // plays, and again after running dry: with none it plays on from the
    // moment the stream is set up and drops the first sound written as too
    // late; with a whole buffer it would wait, after running dry, for more
    // than a caller with short buffers ever queues.
    if (snd_pcm_sw_params_current(pcm, sw) < 0 ||
        snd_pcm_sw_params_set_start_threshold(pcm, sw, device.bufferFrames / 2) < 0 ||
        snd_pcm_sw_params_set_avail_min(pcm, sw, device.periodFrames) < 0 || snd_pcm_sw_params(pcm, sw) < 0)
        return OpenResult::SetupFailed;
    return OpenResult::Ok;
}

}  // namespace

snd_pcm_format_t SampleFormat(uint16_t bitsPerSample)
{
    switch (bitsPerSample) {
    case 8:
        return SND_PCM_FORMAT_U8;
    case 16:
        return SND_PCM_FORMAT_S16_LE;
    default:
        return SND_PCM_FORMAT_UNKNOWN;
    }
}

OpenResult Open(Device& device, const std::string& name, snd_pcm_stream_t stream, const Format& format,
                const Timing& timing)
{
    Close(device);
    // Whether "default" leads to the sound server is decided when the
    // configuration is read; a server started since then would be missed.
    snd_config_update_free_global();
    const int opened = snd_pcm_open(&device.handle, name.c_str(), stream, SND_PCM_NONBLOCK);
    if (opened < 0) {
        device.handle = nullptr;
        return OpenFailure(opened);
    }
    OpenResult result = SetHardwareParameters(device, format, timing);
    if (result == OpenResult::Ok)
        result = SetSoftwareParameters(device);
    if (result == OpenResult::Ok && snd_pcm_prepare(device.handle) < 0)
        result = OpenResult::SetupFailed;
    if (result != OpenResult::Ok)
        Close(device);
    return result;
}

void Close(Device& device)
{
    if (device.handle)
        snd_pcm_close(device.handle);
    device = Device{};
}

}  // namespace pcm
