#include "sound_checks.h"

#include "sound_support.h"
#include "test_signals.h"

namespace soundcheck {

Samples Tone(double hz, int32_t count, double amplitude) { return signals::Tone(hz, count, amplitude); }

Samples SpeechLike(int32_t count) { return signals::SpeechLike(count); }

double ToneFrequency(const Samples& samples, size_t from, size_t to)
{
    return soundtest::HeardFrequency(samples, from, to, 22050);
}

Match FindInRecording(const Samples& recorded, const Samples& original)
{
    const soundtest::Alignment alignment = soundtest::FindInRecording(recorded, original);
    return {alignment.lag, alignment.correlation};
}

bool ReadSamples(const std::string& path, Samples& samples)
{
    soundtest::WaveFile file;
    if (!soundtest::ReadWaveFile(path, file))
        return false;
    samples = file.firstChannel();
    return true;
}

struct BackgroundPlayer::Player {
    explicit Player(const Samples& samples) : player(soundtest::PlayOnce(samples)) {}
    soundtest::DoubleBufferPlayer player;
};

BackgroundPlayer::BackgroundPlayer(Samples samples, uint32_t samplesPerSecond)
    : samples_(std::move(samples)), rate_(samplesPerSecond), player_(std::make_unique<Player>(samples_))
{
}

BackgroundPlayer::~BackgroundPlayer() = default;

bool BackgroundPlayer::start()
{
    if (player_->player.open(rate_) != platform::MMSYSERR_NOERROR)
        return false;
    player_->player.start();
    return true;
}

bool BackgroundPlayer::sounding() const
{
    platform::MMTIME time{platform::TIME_SAMPLES, {}};
    return player_->player.device() != 0 &&
           platform::waveOutGetPosition(player_->player.device(), &time, sizeof time) == 0 && time.u.sample > 0;
}

bool BackgroundPlayer::finished() const { return player_->player.finished(); }

struct SecondSoundServer::Server {
    soundtest::ScratchFolder folder;
    soundtest::PrivateSoundServer server{folder.path("server")};
};

SecondSoundServer::SecondSoundServer() : server_(std::make_unique<Server>()) {}
SecondSoundServer::~SecondSoundServer() = default;
bool SecondSoundServer::running() const { return server_->server.running(); }
void SecondSoundServer::stop() { server_->server.stop(); }

}  // namespace soundcheck
