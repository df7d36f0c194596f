#include "voice_player.h"

#include <algorithm>
#include <cstring>

#include "wave_format.h"

using namespace platform;

namespace {

WAVEFORMATEX PlaybackFormat(uint32_t samplesPerSecond)
{
    const auto& voice = voice::VoiceFormat;
    const uint16_t blockAlign = uint16_t(voice.channels * voice.bitsPerSample / 8);
    return {WAVE_FORMAT_PCM, voice.channels,      samplesPerSecond, samplesPerSecond * blockAlign,
            blockAlign,      voice.bitsPerSample, 0};
}

}  // namespace

VoicePlayer::VoicePlayer(QObject* parent) : QObject(parent) {}

// The device reads the buffers: it is closed before they go.
VoicePlayer::~VoicePlayer() { CloseDevice(); }

MMRESULT VoicePlayer::Start(const uint8_t* sound, int32_t bytes, uint32_t samplesPerSecond)
{
    const WAVEFORMATEX format = PlaybackFormat(samplesPerSecond);
    const MMRESULT opened = waveOutOpen(&device_, WAVE_MAPPER, &format, Handle(), 0, CALLBACK_WINDOW);
    if (opened != MMSYSERR_NOERROR) {
        device_ = 0;
        return opened;
    }
    sound_ = sound;
    soundBytes_ = bytes;
    for (size_t i = 0; i < headers_.size(); ++i) {
        buffers_[i].assign(kHeaderBytes, 0);
        headers_[i] = WAVEHDR{};
        headers_[i].lpData = buffers_[i].data();
        headers_[i].dwBufferLength = kHeaderBytes;
        waveOutPrepareHeader(device_, &headers_[i], sizeof(WAVEHDR));
    }
    // Both buffers are queued before the sound begins.
    waveOutPause(device_);
    currentHeader_ = 0;
    FillAndWrite(0);
    FillAndWrite(1);
    waveOutRestart(device_);
    displayPosition_ = 0;
    playing_ = true;
    finished_ = false;
    return MMSYSERR_NOERROR;
}

void VoicePlayer::FillAndWrite(int index)
{
    if (queuedBytes_ >= soundBytes_)
        return;
    const int32_t n = std::min<int32_t>(soundBytes_ - queuedBytes_, kHeaderBytes);
    WAVEHDR& header = headers_[size_t(index)];
    std::memcpy(header.lpData, sound_ + queuedBytes_, size_t(n));
    header.dwBufferLength = uint32_t(n);
    queuedBytes_ += n;
    waveOutWrite(device_, &header, sizeof(WAVEHDR));
    ++writtenCount_;
}

// A reset returns the queued headers too; their messages arrive after the
// stop was asked for and are not refilled.
void VoicePlayer::Stop()
{
    waveOutReset(device_);
    finished_ = true;
}

bool VoicePlayer::event(QEvent* event)
{
    if (event->type() != WindowMessageEvent::eventType())
        return QObject::event(event);
    const auto* message = static_cast<WindowMessageEvent*>(event);
    if (message->message == MM_WOM_DONE)
        HeaderDone(message->wParam, reinterpret_cast<const WAVEHDR*>(message->lParam));
    return true;
}

void VoicePlayer::HeaderDone(HWAVEOUT device, const WAVEHDR* header)
{
    if (!playing_ || finished_ || device != device_)
        return;
    currentHeader_ ^= 1;
    if (queuedBytes_ < soundBytes_) {
        for (int i = 0; i < 2; ++i)
            if (header == &headers_[size_t(i)])
                currentHeader_ = i;
        FillAndWrite(currentHeader_);
        return;
    }
    // Everything is queued: playback is over once every written header is back.
    writtenCount_ = std::min(writtenCount_, 2);
    for (int i = 0; i < writtenCount_; ++i)
        if (!(WaveHeaderFlags(headers_[size_t(i)]) & WHDR_DONE))
            return;
    finished_ = true;
    writtenCount_ = 0;
}

uint32_t VoicePlayer::Position(uint32_t kind) const
{
    MMTIME time{kind, {}};
    waveOutGetPosition(device_, &time, sizeof time);
    return time.u.cb;
}

VoicePlayer::Progress VoicePlayer::Follow()
{
    Progress progress;
    progress.samplesPlayed = Position(TIME_SAMPLES);
    const int64_t played = Position(TIME_BYTES);
    if (soundBytes_ <= played) {
        // The end of the data: the reset returns the headers, whose done
        // messages finish the playback for the next tick.
        waveOutReset(device_);
        return progress;
    }
    progress.viewPosition = displayPosition_;
    displayPosition_ = int32_t(played & ~int64_t(1));
    progress.windUp = finished_;
    return progress;
}

void VoicePlayer::WindUp()
{
    playing_ = false;
    CloseDevice();
    displayPosition_ = 0;
    queuedBytes_ = 0;
    writtenCount_ = 0;
}

void VoicePlayer::CloseDevice()
{
    if (device_ == 0)
        return;
    waveOutReset(device_);
    for (WAVEHDR& header : headers_)
        waveOutUnprepareHeader(device_, &header, sizeof(WAVEHDR));
    waveOutClose(device_);
    device_ = 0;
    for (std::vector<char>& buffer : buffers_)
        buffer = {};
    sound_ = nullptr;
    soundBytes_ = 0;
}
