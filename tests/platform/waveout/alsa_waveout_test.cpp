// The wave output device on a real sound server: what is played is recorded
// back from the null sink's monitor and compared with what was sent. The
// tests wait for what the devices deliver, never for the clock; how playback
// keeps time is measured by bench/audio/sound_timing.
#include <gtest/gtest.h>

#include "sound_support.h"
#include "tapedeck/tapedeck.h"
#include "test_signals.h"

#include <cmath>
#include <filesystem>

namespace {

using namespace platform;
using namespace soundtest;
using namespace std::chrono_literals;

constexpr double kVoiceRate = 22050;
// Sound louder than this in the recording is taken as the played signal.
constexpr int kLoud = 2000;
// The null sink's monitor loses about 10 ms where a stream begins (the sink
// re-renders what it had already passed on); lengths are compared within this.
constexpr double kLengthTolerance = 0.03;

class AlsaWaveOutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureQtApplication(); }
    void SetUp() override
    {
        UseAlsaWaveOut();
        AudioSetRecordDevice(nullptr);
    }
    void TearDown() override { UseAlsaWaveOut(); }

    ScratchFolder scratch_;
};

uint32_t PositionIn(HWAVEOUT device, uint32_t kind)
{
    MMTIME time{kind, {}};
    EXPECT_EQ(waveOutGetPosition(device, &time, sizeof time), MMSYSERR_NOERROR);
    return time.u.cb;
}

// Length in seconds of the loud part of a recording.
double LoudSeconds(const Samples& recorded)
{
    const size_t first = FirstLoudSample(recorded, kLoud);
    size_t last = first;
    for (size_t i = first; i < recorded.size(); ++i)
        if (std::abs(int(recorded[i])) >= kLoud)
            last = i;
    return first == recorded.size() ? 0 : double(last - first) / kVoiceRate;
}

// Plays samples at rate while recording the monitor; what was heard. A
// recording of the null sink's monitor now and then misses part of the first
// fifth of a second of a stream; two programs recording the monitor at once
// miss different parts, so the sound itself was played. A recording whose
// loud part falls short of the expected length is therefore made once more.
Samples HeardWhilePlaying(const std::string& path, const Samples& samples, uint32_t rate, double expectedSeconds)
{
    Samples heard;
    for (int attempt = 0; attempt < 2; ++attempt) {
        WaveFile recorded;
        if (!RecordWhile(path, [&] { PlayToEnd(samples, rate); }, recorded))
            return {};
        heard = recorded.firstChannel();
        if (LoudSeconds(heard) > expectedSeconds - kLengthTolerance)
            break;
        ::testing::Test::RecordProperty("repeated_at_" + std::to_string(rate), std::to_string(LoudSeconds(heard)));
    }
    return heard;
}

TEST_F(AlsaWaveOutTest, AToneKeepsItsPitchAtVoiceSpeedAndIsShiftedByTheRateItIsPlayedAt)
{
    // One second of 1000 Hz at the voice's rate: played at half and double
    // the rate it sounds an octave lower and higher for twice and half as long.
    const Samples tone = testsignals::Tone(1000, 22050, 12000);
    for (const uint32_t rate : {22050u, 11025u, 44100u}) {
        const double seconds = 22050.0 / rate;
        const Samples heard = HeardWhilePlaying(scratch_.File("tone.wav"), tone, rate, seconds);
        const size_t start = FirstLoudSample(heard, kLoud);
        ASSERT_LT(start + size_t(seconds * kVoiceRate), heard.size()) << rate;
        // Away from the edges, where the resamplers settle.
        const size_t from = start + 1000, to = start + size_t(seconds * kVoiceRate) - 1000;
        const double frequency = HeardFrequency(heard, from, to, kVoiceRate);
        EXPECT_NEAR(frequency, 1000.0 * rate / 22050, 0.5) << rate;
        EXPECT_NEAR(LoudSeconds(heard), seconds, kLengthTolerance) << rate;
        RecordProperty("hz_at_" + std::to_string(rate), std::to_string(frequency));
        RecordProperty("seconds_at_" + std::to_string(rate), std::to_string(LoudSeconds(heard)));
    }
}

TEST_F(AlsaWaveOutTest, AVoiceComesBackAsItWasPlayed)
{
    const Samples voice = testsignals::SpeechLike(44100);
    const Samples heard = HeardWhilePlaying(scratch_.File("voice.wav"), voice, 22050, LoudSeconds(voice));
    const Alignment alignment = FindInRecording(heard, voice);
    EXPECT_GT(alignment.correlation, 0.95) << "lag " << alignment.lag;
    RecordProperty("correlation", std::to_string(alignment.correlation));
    // Nothing was played twice or dropped: the sound lasts as long.
    EXPECT_NEAR(LoudSeconds(heard), LoudSeconds(voice), kLengthTolerance);
}

TEST_F(AlsaWaveOutTest, AtHalfTheRateATwoSecondVoicePlaysForFourSeconds)
{
    const Samples voice = testsignals::SpeechLike(44100);
    DoubleBufferPlayer player(PlayOnce(voice));
    std::vector<uint32_t> positions;
    WaveFile recorded;
    // Recording keeps the null sink awake, as a sound card is: an idle null
    // sink takes a second or two to begin a stream.
    ASSERT_TRUE(RecordWhile(scratch_.File("slow.wav"), [&] {
        ASSERT_EQ(player.open(11025), MMSYSERR_NOERROR);
        player.start();
        ASSERT_TRUE(RunEventLoopUntil(
            [&] {
                positions.push_back(PositionIn(player.device(), TIME_SAMPLES));
                return player.finished();
            },
            20s));
    }, recorded));
    ASSERT_EQ(player.strayMessages(), 0);

    // Done when played: the last header comes back once the position has
    // reached the end of the data, and the position never runs back.
    EXPECT_EQ(PositionIn(player.device(), TIME_SAMPLES), 44100u);
    EXPECT_EQ(PositionIn(player.device(), TIME_BYTES), 88200u);
    for (size_t i = 1; i < positions.size(); ++i)
        ASSERT_GE(positions[i], positions[i - 1]);
    // What was heard lasted twice as long as the voice (the monitor may lose
    // up to a fifth of a second where a stream begins).
    const double heardSeconds = LoudSeconds(recorded.firstChannel());
    EXPECT_NEAR(heardSeconds, 2 * LoudSeconds(voice), 0.25);
    RecordProperty("heard_seconds", std::to_string(heardSeconds));
}

TEST_F(AlsaWaveOutTest, ResetSilencesTheDeviceAtOnceAndReturnsEveryHeader)
{
    const Samples tone = testsignals::Tone(700, 22050 * 4, 12000);
    WaveFile recorded;
    DoubleBufferPlayer player(PlayOnce(tone));
    ASSERT_TRUE(RecordWhile(scratch_.File("reset.wav"), [&] {
        ASSERT_EQ(player.open(22050), MMSYSERR_NOERROR);
        player.start();
        ASSERT_TRUE(RunEventLoopUntil([&] { return PositionIn(player.device(), TIME_SAMPLES) >= 22050; }, 5s));
        player.reset();
        EXPECT_EQ(PositionIn(player.device(), TIME_SAMPLES), 0u);
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(WaveHeaderFlags(player.header(i)), WHDR_PREPARED | WHDR_DONE);
        // Half a second more of what the sink plays: nothing plays on.
        const std::string path = scratch_.File("reset.wav");
        ASSERT_TRUE(WaitForFileSize(path, std::filesystem::file_size(path) + 22050));
        EXPECT_TRUE(WaitUntilQuiet());
        EXPECT_EQ(PositionIn(player.device(), TIME_SAMPLES), 0u);
    }, recorded));
    // The tone stopped about a second in, not four.
    EXPECT_NEAR(LoudSeconds(recorded.firstChannel()), 1.0, 0.15);
    RecordProperty("loud_seconds", std::to_string(LoudSeconds(recorded.firstChannel())));
    ASSERT_GE(player.messages().entries().size(), 2u);
    EXPECT_EQ(player.strayMessages(), 0);
}

TEST_F(AlsaWaveOutTest, APausedDeviceHoldsItsPositionAndPlaysOnAfterRestart)
{
    const Samples tone = testsignals::Tone(500, 22050 * 2, 12000);
    DoubleBufferPlayer player(PlayOnce(tone));
    WaveFile recorded;
    ASSERT_TRUE(RecordWhile(scratch_.File("pause.wav"), [&] {
        ASSERT_EQ(player.open(22050), MMSYSERR_NOERROR);
        player.start();
        ASSERT_TRUE(RunEventLoopUntil([&] { return PositionIn(player.device(), TIME_SAMPLES) >= 11025; }, 5s));
        waveOutPause(player.device());
        // Once the paused sound has died away, the position holds while
        // another 0.6 s of the sink's silence is recorded.
        const std::string path = scratch_.File("pause.wav");
        ASSERT_TRUE(WaitUntilQuiet());
        const uint32_t held = PositionIn(player.device(), TIME_SAMPLES);
        ASSERT_TRUE(WaitForFileSize(path, std::filesystem::file_size(path) + 26460));
        EXPECT_EQ(PositionIn(player.device(), TIME_SAMPLES), held);
        waveOutRestart(player.device());
        ASSERT_TRUE(RunEventLoopUntil([&] { return player.finished(); }, 5s));
        EXPECT_EQ(PositionIn(player.device(), TIME_SAMPLES), 44100u);
    }, recorded));
    // Two seconds of tone with a pause inside: the loud stretch is longer,
    // but the whole tone was heard.
    const Samples heard = recorded.firstChannel();
    EXPECT_GT(LoudSeconds(heard), 2.5);
    size_t loudSamples = 0;
    for (int16_t s : heard)
        loudSamples += std::abs(int(s)) >= kLoud;
    // A 12000-amplitude sine exceeds 2000 for 89 % of its samples.
    EXPECT_NEAR(double(loudSamples) / kVoiceRate, 2.0 * 0.894, 0.1);
}

TEST_F(AlsaWaveOutTest, WhenTheSoundServerGoesAwayPlaybackEndsInsteadOfHanging)
{
    PrivateSoundServer server(scratch_.File("server"));
    ASSERT_TRUE(server.running());
    const Samples tone = testsignals::Tone(440, 22050 * 10, 12000);
    DoubleBufferPlayer player(PlayOnce(tone));
    ASSERT_EQ(player.open(22050), MMSYSERR_NOERROR);
    player.start();
    ASSERT_TRUE(RunEventLoopUntil([&] { return PositionIn(player.device(), TIME_SAMPLES) > 0; }, 5s));
    server.stop();
    // Every header comes back, the rest of the data counted as played.
    EXPECT_TRUE(RunEventLoopUntil([&] { return player.finished(); }, 5s));
    EXPECT_EQ(player.strayMessages(), 0);
}

TEST_F(AlsaWaveOutTest, DevicesThatCannotBeOpenedSayWhy)
{
    MessageLog log;
    HWAVEOUT device = 0;
    // The sound server plays at most 384 kHz.
    const WAVEFORMATEX tooFast{WAVE_FORMAT_PCM, 1, 400000, 800000, 2, 16, 0};
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &tooFast, log.handle(), 0, CALLBACK_WINDOW), WAVERR_BADFORMAT);

    UseAlsaWaveOut("parrotel_no_such_device");
    const WAVEFORMATEX voice{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
    const MMRESULT missing = waveOutOpen(&device, WAVE_MAPPER, &voice, log.handle(), 0, CALLBACK_WINDOW);
    EXPECT_EQ(missing, MMSYSERR_NODRIVER);
    EXPECT_EQ(device, 0u);

    UseAlsaWaveOut();
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &voice, log.handle(), 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
}

}  // namespace
