// TMainForm: playback. Every play runs the effects afresh and sends the
// working copy to the wave output device through two 8096-byte buffers, each
// refilled when the device hands it back (MM_WOM_DONE). The 100 ms timer shows
// the position, scrolls the wave view and notices the end of the data.
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "mainform.h"
#include "prtlsbtn.h"
#include "prtlwpnl.h"
#include "time_readout.h"
#include "wave_format.h"

using namespace platform;

namespace {

constexpr uint32_t kHeaderBytes = 8096;  // 4048 samples, about 184 ms at 22050 Hz

WAVEFORMATEX PlaybackFormat(uint32_t samplesPerSecond)
{
    const auto& voice = voice::VoiceFormat;
    const uint16_t blockAlign = uint16_t(voice.channels * voice.bitsPerSample / 8);
    return {WAVE_FORMAT_PCM, voice.channels,  samplesPerSecond, samplesPerSecond * blockAlign,
            blockAlign,      voice.bitsPerSample, 0};
}

QString OpenFailureText(MMRESULT result)
{
    switch (result) {
    case WAVERR_BADFORMAT:
        return "Error: The Wave Output Device does not support the format required to run this program";
    case MMSYSERR_ALLOCATED:
        return "Error: The Wave Output Device is being used by another program";
    default:
        return "Error: Cannot open the Wave Output Device";
    }
}

// The device's position as a place in the voice: samples at 22050 Hz in
// milliseconds, then in the read-out's 1/32 seconds.
uint32_t PositionInThirtySeconds(uint32_t samples)
{
    const long long ms = std::llrint((long double)samples * 1000 / voice::VoiceFormat.samplesPerSecond);
    return voice::SecondsToThirtySeconds(double(ms) / 1000);
}

uint32_t Position(HWAVEOUT device, uint32_t kind)
{
    MMTIME time{kind, {}};
    waveOutGetPosition(device, &time, sizeof time);
    return time.u.cb;
}

}  // namespace

void TMainForm::PlayButtonClick()
{
    if (playing) {
        StopPlayback();
        return;
    }
    StartPlayback(voice::PlaybackSampleRate(CurrentSwitches()));
    if (!playing)
        PlayButton->SetDown(false);
}

void TMainForm::StartPlayback(uint32_t samplesPerSecond)
{
    if (recording)
        return;
    if (Voice.VoiceBytes() == 0) {
        Inform("There is no voice in memory, either record a voice or load one from a file on disk.");
        return;
    }
    ApplyEffects(QString());
    // The effects can leave nothing to play (Echo on a voice of one byte):
    // a device with nothing written would never report an end.
    if (Voice.ProcessedBytes <= 0) {
        ShowVoice();
        return;
    }
    const WAVEFORMATEX format = PlaybackFormat(samplesPerSecond);
    const MMRESULT opened = waveOutOpen(&playback_.device, WAVE_MAPPER, &format, Handle(), 0, CALLBACK_WINDOW);
    if (opened != MMSYSERR_NOERROR) {
        playback_.device = 0;
        Inform(OpenFailureText(opened));
        return;
    }
    for (int i = 0; i < 2; ++i) {
        playback_.buffers[i].assign(kHeaderBytes, 0);
        playback_.headers[i] = WAVEHDR{};
        playback_.headers[i].lpData = playback_.buffers[i].data();
        playback_.headers[i].dwBufferLength = kHeaderBytes;
        waveOutPrepareHeader(playback_.device, &playback_.headers[i], sizeof(WAVEHDR));
    }
    // Both buffers are queued before the sound begins.
    waveOutPause(playback_.device);
    playback_.currentHeader = 0;
    FillAndWrite(0);
    FillAndWrite(1);
    waveOutRestart(playback_.device);
    playback_.displayPosition = 0;
    playing = true;
    playbackFinished = false;
}

void TMainForm::FillAndWrite(int index)
{
    if (playback_.queuedBytes >= Voice.ProcessedBytes)
        return;
    const int32_t n = std::min<int32_t>(Voice.ProcessedBytes - playback_.queuedBytes, kHeaderBytes);
    WAVEHDR& header = playback_.headers[size_t(index)];
    std::memcpy(header.lpData, Voice.WorkBuffer.data() + playback_.queuedBytes, size_t(n));
    header.dwBufferLength = uint32_t(n);
    playback_.queuedBytes += n;
    waveOutWrite(playback_.device, &header, sizeof(WAVEHDR));
    ++playback_.writtenCount;
}

// A reset returns the queued headers too; their messages arrive after the
// stop was asked for and are not refilled.
void TMainForm::StopPlayback()
{
    waveOutReset(playback_.device);
    playbackFinished = true;
}

void TMainForm::WaveOutDone(HWAVEOUT device, const WAVEHDR* header)
{
    if (!playing || playbackFinished || device != playback_.device)
        return;
    playback_.currentHeader ^= 1;
    if (playback_.queuedBytes < Voice.ProcessedBytes) {
        for (int i = 0; i < 2; ++i)
            if (header == &playback_.headers[size_t(i)])
                playback_.currentHeader = i;
        FillAndWrite(playback_.currentHeader);
        return;
    }
    // Everything is queued: playback is over once every written header is back.
    playback_.writtenCount = std::min(playback_.writtenCount, 2);
    for (int i = 0; i < playback_.writtenCount; ++i)
        if (!(WaveHeaderFlags(playback_.headers[size_t(i)]) & WHDR_DONE))
            return;
    playbackFinished = true;
    playback_.writtenCount = 0;
}

void TMainForm::FollowPlayback()
{
    ShowTime(PositionInThirtySeconds(Position(playback_.device, TIME_SAMPLES)));
    const int64_t played = Position(playback_.device, TIME_BYTES);
    if (Voice.ProcessedBytes <= played || Voice.ProcessedBytes < 0) {
        // The end of the data: the reset returns the headers, whose done
        // messages set playbackFinished for the next tick.
        waveOutReset(playback_.device);
        return;
    }
    // The view trails the sound by one tick.
    WaveDisplay->SetStartingPosition(playback_.displayPosition);
    playback_.displayPosition = int32_t(played & ~int64_t(1));
    if (playbackFinished)
        WindUpPlayback();
}

void TMainForm::WindUpPlayback()
{
    playing = false;
    CloseWaveOut();
    playback_.displayPosition = 0;
    ShowVoice();
    playback_.queuedBytes = 0;
    playback_.writtenCount = 0;
    ShowVoiceLength();
}

void TMainForm::CloseWaveOut()
{
    if (playback_.device == 0)
        return;
    waveOutReset(playback_.device);
    for (WAVEHDR& header : playback_.headers)
        waveOutUnprepareHeader(playback_.device, &header, sizeof(WAVEHDR));
    waveOutClose(playback_.device);
    playback_.device = 0;
    for (std::vector<char>& buffer : playback_.buffers)
        buffer = {};
}
