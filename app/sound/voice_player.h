// VoicePlayer: plays a block of sound through the wave output device, fed
// from two 8096-byte buffers that take turns: each is refilled from the block
// when the device hands it back (MM_WOM_DONE, posted to the player's own
// message handle). The owner follows the playback from its timer (Follow),
// which also finds the end of the data, and winds it up (WindUp).
//
// Rules:
// - The sound is lent, not copied: the caller keeps it unchanged until
//   WindUp (or the player's end).
// - Everything runs on the thread that owns the player; the device reports
//   through posted messages, so refills, Follow and the commands never overlap.
// - A done message for another device, or one that arrives after the
//   playback finished (or was stopped), is ignored.
// - The rate only relabels the sound: at 11025 samples per second a voice of
//   22050 plays at half speed, an octave down.
#pragma once

#include <QObject>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "messages/messages.h"
#include "waveout/waveout.h"

class VoicePlayer : public QObject {
    Q_OBJECT
public:
    // 4048 samples, about 184 ms at 22050 samples per second.
    static constexpr uint32_t kHeaderBytes = 8096;

    explicit VoicePlayer(QObject* parent = nullptr);
    ~VoicePlayer() override;

    // Opens the device at samplesPerSecond (mono, 16 bits), queues the first
    // two buffers of sound while it is paused, and starts it. Returns
    // MMSYSERR_NOERROR, or the device's reason for not opening (then nothing
    // plays). bytes must be above 0: a device with nothing written would
    // never report an end.
    platform::MMRESULT Start(const uint8_t* sound, int32_t bytes, uint32_t samplesPerSecond);

    // Resets the device: the queued buffers come back unrefilled and the
    // playback counts as finished; the owner winds it up at its next tick.
    void Stop();

    // The timer's share while playing.
    struct Progress {
        uint32_t samplesPlayed = 0;  // samples heard so far
        // Where the wave view starts: the byte position the previous tick
        // found, so the view trails the sound by one tick. None once the end
        // of the data is reached: the device is then reset, and its returned
        // buffers finish the playback for the next tick.
        std::optional<int32_t> viewPosition;
        bool windUp = false;  // the playback is over: wind it up now
    };
    Progress Follow();

    // Closes the device; the player is idle again.
    void WindUp();

    bool IsPlaying() const { return playing_; }
    // Every buffer came back after the last data was queued, or a stop was
    // asked for. True when idle.
    bool IsFinished() const { return finished_; }
    // Where the device posts its done messages.
    platform::WindowHandle Handle() const { return messageTarget_.handle(); }

protected:
    bool event(QEvent* event) override;

private:
    void FillAndWrite(int index);
    void HeaderDone(platform::HWAVEOUT device, const platform::WAVEHDR* header);
    uint32_t Position(uint32_t kind) const;
    void CloseDevice();

    const uint8_t* sound_ = nullptr;
    int32_t soundBytes_ = 0;
    platform::HWAVEOUT device_ = 0;
    std::array<platform::WAVEHDR, 2> headers_{};
    std::array<std::vector<char>, 2> buffers_;
    int32_t currentHeader_ = 0;    // the header to refill next
    int32_t queuedBytes_ = 0;      // bytes of the sound handed to the device
    int32_t writtenCount_ = 0;     // headers written since the start
    int32_t displayPosition_ = 0;  // the byte position at the previous tick
    bool playing_ = false;
    bool finished_ = true;
    platform::MessageTargetRegistration messageTarget_{this};
};
