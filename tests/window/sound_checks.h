// What the window's tests on a real sound server measure, kept apart from the
// window's headers: the shared sound helpers build without Qt's keywords
// (their test signals live in a namespace called "signals"), the controls'
// headers need them. Linked privately, so the window tests keep theirs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace soundcheck {

using Samples = std::vector<int16_t>;

// Signals at the voice's rate.
Samples Tone(double hz, int32_t count, double amplitude = 12000);
Samples SpeechLike(int32_t count);

// The frequency of a tone in [from, to) at 22050 Hz, from its zero crossings.
double ToneFrequency(const Samples& samples, size_t from, size_t to);

// Where original lies in recorded, and how well it matches there.
struct Match {
    long lag = 0;
    double correlation = 0;
};
Match FindInRecording(const Samples& recorded, const Samples& original);

// The samples of a 16-bit wave file's first channel; false when unreadable.
bool ReadSamples(const std::string& path, Samples& samples);

// Plays samples through the wave output device while the event loop runs,
// fed as the program feeds it.
class BackgroundPlayer {
public:
    BackgroundPlayer(Samples samples, uint32_t samplesPerSecond);
    ~BackgroundPlayer();
    bool start();
    // Sound has begun to come out.
    bool sounding() const;
    bool finished() const;

private:
    struct Player;
    Samples samples_;
    uint32_t rate_;
    std::unique_ptr<Player> player_;
};

// A sound server of its own, which this process uses while the object lives
// (PULSE_SERVER points at it); stop() takes it away under the program.
class SecondSoundServer {
public:
    SecondSoundServer();
    ~SecondSoundServer();
    bool running() const;
    void stop();

private:
    struct Server;
    std::unique_ptr<Server> server_;
};

}  // namespace soundcheck
