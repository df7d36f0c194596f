// Helpers for tests that play and record real sound.
#pragma once

#include "messages/messages.h"
#include "waveout/waveout.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace soundtest {

using Clock = std::chrono::steady_clock;
using Samples = std::vector<int16_t>;

// Messages need a Qt application; tests create one once.
void EnsureQtApplication();
// Runs a Qt event loop until done() holds (checked every millisecond) or the
// timeout passes; returns done().
bool RunEventLoopUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
// Runs the event loop for a while.
void RunEventLoopFor(std::chrono::milliseconds duration);

// A message target that keeps every window message it receives.
class MessageLog : public QObject {
public:
    struct Entry {
        uint32_t message;
        uintptr_t wParam;
        intptr_t lParam;
        Clock::time_point at;
    };

    MessageLog() = default;
    platform::WindowHandle handle() const { return registration_.handle(); }
    const std::vector<Entry>& entries() const { return entries_; }
    std::function<void(const Entry&)> onMessage;

protected:
    bool event(QEvent* event) override;

private:
    std::vector<Entry> entries_;
    platform::MessageTargetRegistration registration_{this};
};

// Plays bytes through the wave output device as the program does: two
// 8096-byte headers, started paused so that both are queued before sound
// begins, each refilled when its done message arrives.
class DoubleBufferPlayer {
public:
    // Fills up to maxBytes; returns how many (0 at the end of the data).
    using Source = std::function<size_t(uint8_t* destination, size_t maxBytes)>;
    static constexpr uint32_t kHeaderBytes = 8096;

    explicit DoubleBufferPlayer(Source source);
    ~DoubleBufferPlayer();

    platform::MMRESULT open(uint32_t samplesPerSecond, uint16_t bitsPerSample = 16, uint16_t channels = 1);
    void start();
    // Resets the device; the headers it returns are not refilled.
    void reset();
    // Every byte of the source was queued and every written header is done.
    bool finished() const { return sourceEnded_ && outstanding_ == 0; }
    void close();

    platform::HWAVEOUT device() const { return device_; }
    platform::WAVEHDR& header(int index) { return headers_[index]; }
    const MessageLog& messages() const { return log_; }
    const std::vector<Clock::time_point>& doneTimes() const { return doneTimes_; }
    uint64_t bytesQueued() const { return bytesQueued_; }
    // Done messages whose handle or header was not one of ours.
    int strayMessages() const { return stray_; }

private:
    void fillAndWrite(platform::WAVEHDR& header);
    void onDone(const MessageLog::Entry& entry);

    Source source_;
    MessageLog log_;
    platform::HWAVEOUT device_ = 0;
    platform::WAVEHDR headers_[2]{};
    std::vector<char> buffers_[2];
    bool sourceEnded_ = false;
    bool stopped_ = false;
    int outstanding_ = 0;
    int stray_ = 0;
    uint64_t bytesQueued_ = 0;
    std::vector<Clock::time_point> doneTimes_;
};

// A source that plays the samples once.
DoubleBufferPlayer::Source PlayOnce(const Samples& samples);

// A wave file as recorded.
struct WaveFile {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t avgBytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint32_t riffSize = 0;
    uint64_t fileSize = 0;
    std::vector<uint8_t> data;

    // 16-bit samples of the first channel.
    Samples firstChannel() const;
    double seconds() const { return blockAlign ? double(data.size()) / blockAlign / samplesPerSecond : 0; }
};
// Reads the fmt and data chunks; false if the file is no RIFF WAVE file.
bool ReadWaveFile(const std::string& path, WaveFile& file);

// Index of the first sample whose magnitude reaches threshold, or size().
size_t FirstLoudSample(const Samples& samples, int threshold, size_t from = 0);
// Largest magnitude in [from, to).
int PeakIn(const Samples& samples, size_t from, size_t to);
// The pitch of a recorded tone in [from, to): the rate over the median time
// between rising zero crossings. A sound server's monitor can deliver a few
// stray samples where a stream starts (two clients recording the same monitor
// get different ones); they change a period or two, never the typical one.
double HeardFrequency(const Samples& samples, size_t from, size_t to, double rate);

// Where original sits in recorded (recorded[lag + i] ~ original[i]) among
// the lags in [minLag, maxLag], and the normalised correlation there. A
// negative lag means the recording begins inside the original: only the
// overlap counts, and it must cover nine tenths of the original.
struct Alignment {
    long lag = 0;
    double correlation = 0;
};
Alignment BestAlignment(const Samples& recorded, const Samples& original, long minLag, long maxLag);
// The same over every lag: a coarse search on every fourth sample, then a
// fine one around the best coarse lag. (A sound server's monitor can lose
// the first milliseconds of a stream, so the search reaches before 0.)
Alignment FindInRecording(const Samples& recorded, const Samples& original);

// Waits, running the event loop, until the file at path holds at least
// bytes: a recording's file grows as the device delivers sound, so this is a
// clock that runs with the sound rather than the wall. False on timeout.
bool WaitForFileSize(const std::string& path, uint64_t bytes,
                     std::chrono::milliseconds timeout = std::chrono::seconds(10));
// Waits until the recording library's input level is 0: what was played
// has passed through the sound server. False on timeout.
bool WaitUntilQuiet(std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Records from the default capture device at 22050 Hz, 16 bits, mono into
// path while action runs, and on until what was played has passed (the input
// is quiet), and reads the file back; false (with a test failure) when the
// recording could not be made.
bool RecordWhile(const std::string& path, const std::function<void()>& action, WaveFile& recorded);
// Plays the samples at the rate to their end; false on failure or timeout.
bool PlayToEnd(const Samples& samples, uint32_t samplesPerSecond);

// A second sound server of its own (of the kind the tests run on, see
// PARROTEL_SOUND_SERVER_SCRIPT), which this process uses while the
// object lives: a test may stop it to see how the devices take losing it.
class PrivateSoundServer {
public:
    explicit PrivateSoundServer(const std::string& folder);
    ~PrivateSoundServer();
    bool running() const { return running_; }
    void stop();

private:
    std::string folder_;
    std::string savedServer_;
    std::string savedCookie_;
    bool running_ = false;
};

// Plays samples through the wave output device while the event loop runs,
// fed as the program feeds it.
class BackgroundPlayer {
public:
    BackgroundPlayer(Samples samples, uint32_t samplesPerSecond)
        : samples_(std::move(samples)), player_(PlayOnce(samples_)), rate_(samplesPerSecond)
    {
    }
    bool start()
    {
        if (player_.open(rate_) != platform::MMSYSERR_NOERROR)
            return false;
        player_.start();
        return true;
    }
    // Sound has begun to come out.
    bool sounding() const
    {
        platform::MMTIME time{platform::TIME_SAMPLES, {}};
        return player_.device() != 0 &&
               platform::waveOutGetPosition(player_.device(), &time, sizeof time) == 0 && time.u.sample > 0;
    }

private:
    Samples samples_;  // played from here: declared before the player
    DoubleBufferPlayer player_;
    uint32_t rate_;
};

// A scratch folder removed with everything in it.
using ScratchFolder = testsupport::TempFolder;

}  // namespace soundtest
