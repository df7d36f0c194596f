// Opening ALSA PCM devices for the wave output device and the recording
// library: a device name, a direction and a PCM format in, an open device
// configured for that format (or the reason it could not be) out.
//
// Rules:
// - Devices open non-blocking: the caller's thread waits on its own terms.
// - ALSA's configuration is read afresh before every open, so "default"
//   finds a sound server that started after this process did.
// - The start threshold is half the buffer. The PulseAudio plugin turns it
//   into the amount the server gathers before it plays, at the start and
//   after running dry: with none, the server plays from the moment the
//   stream is set up and drops the first sound written as late; with a whole
//   buffer it would wait for more than short buffers ever hold.
#pragma once

#include <alsa/asoundlib.h>

#include <cstdint>
#include <string>

namespace pcm {

struct Format {
    uint32_t samplesPerSecond = 0;
    uint16_t bitsPerSample = 0;  // 8 (unsigned) or 16 (signed little-endian)
    uint16_t channels = 0;

    uint32_t bytesPerFrame() const { return uint32_t(bitsPerSample / 8) * channels; }
};

enum class OpenResult {
    Ok,
    NoDevice,        // no such device, or it could not be reached
    Busy,            // another program holds it
    FormatRefused,   // the device does not take the sample format, channels or rate
    SetupFailed,     // any other failure while configuring it
};

struct Timing {
    unsigned bufferMicroseconds = 0;  // asked for; the device may choose another
    unsigned periodMicroseconds = 0;
};

struct Device {
    snd_pcm_t* handle = nullptr;
    snd_pcm_uframes_t bufferFrames = 0;  // as the device chose them
    snd_pcm_uframes_t periodFrames = 0;
    bool canPause = false;
};

// The sample format ALSA uses for PCM of that many bits, or
// SND_PCM_FORMAT_UNKNOWN.
snd_pcm_format_t SampleFormat(uint16_t bitsPerSample);

// Opens the named device in non-blocking mode, interleaved, in exactly the
// given format (the device may convert, but never changes the rate it is
// given). ALSA's configuration is read afresh first, so a sound server that
// started after this process is found. Call from one thread at a time.
// A playback stream starts by itself once half its buffer is written.
OpenResult Open(Device& device, const std::string& name, snd_pcm_stream_t stream, const Format& format,
                const Timing& timing);

void Close(Device& device);

}  // namespace pcm
