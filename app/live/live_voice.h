// Live Voice: the microphone runs through the switched-on live effects and
// the pitch bar and comes out of the virtual microphone "Warblecast Voice"
// that any program can choose as its input. The main window owns one
// LiveVoice; parrotel-live runs one without a window.
//
// Rules:
// - Start and Stop on the owner's thread (the one that runs the effect
//   pipeline); the other calls from any thread.
// - Switch and pitch changes reach the sound within a tenth of a second and
//   are crossfaded (LiveChain). Effects that cannot run live are left out;
//   EffectsThatCannotRunLive names them for the caller to refuse or show.
// - Live mode may end on its own (the server, the microphone or the virtual
//   microphone went away): EndedOnItsOwn says so and why; the owner then calls
//   Stop. No voice in memory is touched, ever.
// - No Qt.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "effect_settings.h"
#include "live_audio.h"
#include "live_chain.h"

namespace live {

class LiveVoice {
public:
    LiveVoice();
    ~LiveVoice();
    LiveVoice(const LiveVoice&) = delete;
    LiveVoice& operator=(const LiveVoice&) = delete;

    // The name programs show for the virtual microphone.
    static const char* VirtualMicrophoneName();

    // Starts live mode; an empty result means it runs, otherwise it is the
    // message to show (and nothing runs or is left behind).
    std::string Start(const voice::EffectSwitches& switches, bool hearYourself);
    // Ends live mode and removes the virtual microphone; safe to repeat.
    void Stop();
    bool Running() const;

    void SetSwitches(const voice::EffectSwitches& switches);
    void SetPitch(int32_t position);
    void SetHearYourself(bool on);

    // Live mode ended by itself; `why` receives the message to show.
    bool EndedOnItsOwn(std::string* why = nullptr) const;

    // Since Start (0 when not running).
    std::chrono::milliseconds RunningTime() const;
    // Output level in percent of full scale: the peak of the last 100 ms.
    int32_t OutputLevel() const;
    // The last `count` output samples, oldest first (fewer right after Start).
    std::vector<int16_t> LastOutput(size_t count) const;

    platform::live::LiveCounters Counters() const;
    // CPU time spent in the effects since Start.
    std::chrono::nanoseconds ProcessingTime() const;

private:
    class OutputHistory;
    void Process(int16_t* samples, int32_t count);

    mutable std::mutex mutex_;  // guards switches_, audio_ and the chain's lifetime against other threads
    voice::EffectSwitches switches_;
    std::unique_ptr<LiveChain> chain_;
    std::unique_ptr<OutputHistory> history_;
    platform::live::LiveAudio audio_;
    bool running_ = false;
    std::chrono::steady_clock::time_point started_;
};

}  // namespace live
