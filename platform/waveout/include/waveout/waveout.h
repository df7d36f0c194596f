// The wave output device: play PCM from buffers the caller owns, and hear
// back, as window messages, when each buffer has been played.
//
// The calls, their result codes and the buffer headers follow the classic
// wave-out interface, so playback code reads as it would there:
//
//   waveOutOpen(&device, WAVE_MAPPER, &format, window, 0, CALLBACK_WINDOW);
//   waveOutPrepareHeader(device, &header, sizeof(WAVEHDR));
//   waveOutPause(device); waveOutWrite(device, &header, sizeof(WAVEHDR)); waveOutRestart(device);
//   ... MM_WOM_DONE arrives: wParam = device, lParam = &header ...
//   waveOutReset(device); waveOutUnprepareHeader(...); waveOutClose(device);
//
// A header is done once its last byte has been played, not merely handed to
// the sound system: the position (waveOutGetPosition) counts what has been
// heard. Every call returns at once; a device thread feeds the sound system.
// The program plays through ALSA's "default" device; tests may install the
// simulated device of simulated_waveout.h instead.
#pragma once

#include "messages/messages.h"
#include "messages/multimedia.h"

#include <cstdint>
#include <string>

namespace platform {

using HWAVEOUT = uintptr_t;  // 0 is no device

constexpr MMRESULT WAVERR_BADFORMAT = 32;     // the device does not play this format
constexpr MMRESULT WAVERR_STILLPLAYING = 33;  // a header is still queued
constexpr MMRESULT WAVERR_UNPREPARED = 34;    // the header was not prepared

constexpr uint32_t WAVE_MAPPER = 0xFFFFFFFFu;  // any suitable device
// Notifications (multimedia.h): CALLBACK_NULL polls the header flags,
// CALLBACK_WINDOW posts MM_WOM_DONE to a window.

constexpr uint16_t WAVE_FORMAT_PCM = 1;

struct WAVEFORMATEX {
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;
};

// Header flags.
constexpr uint32_t WHDR_DONE = 0x01;      // played (or returned by a reset)
constexpr uint32_t WHDR_PREPARED = 0x02;
constexpr uint32_t WHDR_INQUEUE = 0x10;   // written and not yet done

struct WAVEHDR {
    char* lpData;             // the caller's buffer
    uint32_t dwBufferLength;  // bytes to play from it
    uint32_t dwBytesRecorded;
    uintptr_t dwUser;
    uint32_t dwFlags;         // the device thread changes it: read with WaveHeaderFlags
    uint32_t dwLoops;
    WAVEHDR* lpNext;
    uintptr_t reserved;
};

// Position kinds.
constexpr uint32_t TIME_MS = 0x01;
constexpr uint32_t TIME_SAMPLES = 0x02;
constexpr uint32_t TIME_BYTES = 0x04;

struct MMTIME {
    uint32_t wType;  // asked for; a kind the device does not give becomes TIME_BYTES
    union {
        uint32_t ms;
        uint32_t sample;
        uint32_t cb;
    } u;
};

// Opens an output device for the format. With CALLBACK_WINDOW, callback is
// the WindowHandle that receives MM_WOM_DONE. deviceId is WAVE_MAPPER or 0.
MMRESULT waveOutOpen(HWAVEOUT* device, uint32_t deviceId, const WAVEFORMATEX* format, uintptr_t callback,
                     uintptr_t instance, uint32_t flags);
MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, uint32_t headerSize);
// Fails with WAVERR_STILLPLAYING while the header is queued.
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, uint32_t headerSize);
// Queues the header behind those already written; it stays the caller's
// memory and must not be touched until it is done.
MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, uint32_t headerSize);
// A paused device keeps what is queued and plays on after waveOutRestart.
MMRESULT waveOutPause(HWAVEOUT device);
MMRESULT waveOutRestart(HWAVEOUT device);
// Stops at once: every queued header is marked done (a done message each, in
// order) and the position returns to 0. The pause state stays as it was.
// When it returns, the device no longer reads any header.
MMRESULT waveOutReset(HWAVEOUT device);
// What has been played since the open or the last reset.
MMRESULT waveOutGetPosition(HWAVEOUT device, MMTIME* time, uint32_t timeSize);
// Fails with WAVERR_STILLPLAYING while a header is queued.
MMRESULT waveOutClose(HWAVEOUT device);

// The header's flags, read safely while the device thread may change them.
uint32_t WaveHeaderFlags(const WAVEHDR& header);

// Where devices opened from now on play: an ALSA PCM device by name. The
// program uses "default" (the initial choice).
void UseAlsaWaveOut(const std::string& pcmName = "default");

// Times the device had nothing to play while sound was still expected (the
// caller wrote too late) and times ALSA reported an underrun although data
// was waiting: both are gaps a listener hears. For benchmarks and diagnosis.
struct WaveOutCounters {
    uint64_t starved = 0;
    uint64_t underruns = 0;
};
WaveOutCounters GetWaveOutCounters(HWAVEOUT device);

}  // namespace platform
