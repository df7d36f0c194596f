// Live sound through the sound server: the microphone (the server's default
// source) is recorded in pieces of about 5 ms, each piece is handed to a
// processor, and what it returns is played at once into the virtual
// microphone's sink and, for "Hear Yourself", into the default sink.
//
// Rules:
// - Format everywhere: 16-bit mono at 22050 samples per second (the server
//   converts).
// - The processor runs on the sound server connection's thread, one piece
//   after another: it must not block.
// - The queue towards each sink is kept short: when it stays longer than
//   asked for (a sink slow to begin, or whose clock runs slower than the
//   microphone's), the excess is dropped and counted, so the delay never grows.
// - The connection's thread asks for real-time scheduling (granted to root or
//   within RLIMIT_RTPRIO), so a busy machine does not make the sink run dry.
// - When the server, the microphone or the virtual microphone goes away,
//   live sound ends on its own; Ended() then says why. Nothing waits forever.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace platform::live {

struct LiveCounters {
    uint64_t samplesIn = 0;        // samples recorded from the microphone
    uint64_t underruns = 0;        // the virtual microphone's sink ran dry
    uint64_t overruns = 0;         // it was handed more than it could hold
    uint64_t droppedSamples = 0;   // dropped to keep the delay short
    uint64_t inputGaps = 0;        // holes in what the microphone delivered
};

class LiveAudio {
public:
    using Processor = std::function<void(int16_t* samples, int32_t count)>;

    LiveAudio();
    ~LiveAudio();
    LiveAudio(const LiveAudio&) = delete;
    LiveAudio& operator=(const LiveAudio&) = delete;

    // Connects, makes the virtual microphone and starts the streams. An empty
    // result means live sound runs; otherwise it says why not, and nothing
    // is left behind.
    std::string Start(Processor processor, bool hearYourself);
    // Ends live sound and removes the virtual microphone. Safe to repeat.
    void Stop();

    // Any thread: also play the live voice on the default sink, or stop that.
    void SetHearYourself(bool on);

    // Any thread: live sound ended by itself; `why` receives the reason.
    bool Ended(std::string* why = nullptr) const;
    LiveCounters Counters() const;

private:
    class Streams;
    std::unique_ptr<Streams> streams_;
};

}  // namespace platform::live
