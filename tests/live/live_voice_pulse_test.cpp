// Live Voice on a real sound server: sound played into the null sink (whose
// monitor is the microphone) comes out of "Warblecast Voice" changed; the
// devices come and go as they should; a dead process's devices are cleaned
// up; a second live program is refused; a lost server ends live mode.
#include <gtest/gtest.h>

#include <pulse/error.h>
#include <pulse/simple.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>

#include "live_voice.h"
#include "sound_support.h"
#include "test_signals.h"

namespace {

using namespace std::chrono_literals;
using voice::Effect;

constexpr uint32_t kRate = 22050;

// Plays the samples into a sink of the server, to their end.
void PlayInto(const char* sink, const testsignals::Voice& samples)
{
    const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 1};
    int error = 0;
    pa_simple* s =
        pa_simple_new(nullptr, "live test", PA_STREAM_PLAYBACK, sink, "tone", &format, nullptr, nullptr, &error);
    ASSERT_NE(s, nullptr) << pa_strerror(error);
    pa_simple_write(s, samples.data(), samples.size() * 2, &error);
    pa_simple_drain(s, &error);
    pa_simple_free(s);
}

// Records a source for a while, in 20 ms fragments (as parecord --latency-msec=20).
testsignals::Voice RecordFrom(const char* source, std::chrono::milliseconds length)
{
    const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 1};
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.fragsize = kRate / 50 * 2;
    int error = 0;
    pa_simple* s =
        pa_simple_new(nullptr, "live test", PA_STREAM_RECORD, source, "record", &format, nullptr, &attr, &error);
    EXPECT_NE(s, nullptr) << pa_strerror(error);
    if (!s)
        return {};
    testsignals::Voice recorded(size_t(kRate * length.count() / 1000));
    pa_simple_read(s, recorded.data(), recorded.size() * 2, &error);
    pa_simple_free(s);
    return recorded;
}

// Plays `input` into the null sink while recording the virtual microphone.
testsignals::Voice ThroughLiveVoice(const testsignals::Voice& input)
{
    testsignals::Voice recorded;
    const std::chrono::milliseconds length(input.size() * 1000 / kRate);
    std::thread recorder([&] { recorded = RecordFrom("warblecast_voice", length); });
    PlayInto("nullsink", input);
    recorder.join();
    return recorded;
}

std::string Pactl(const std::string& arguments)
{
    std::string out;
    if (FILE* pipe = popen(("pactl " + arguments + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

int WarblecastModules()
{
    const std::string modules = Pactl("list short modules");
    int count = 0;
    for (size_t at = modules.find("warblecast.owner="); at != std::string::npos;
         at = modules.find("warblecast.owner=", at + 1))
        ++count;
    return count;
}

// Normalised autocorrelation of the samples at a lag.
double Autocorrelation(const testsignals::Voice& v, size_t from, size_t to, size_t lag)
{
    double xy = 0, xx = 0, yy = 0;
    for (size_t i = from; i + lag < to; ++i) {
        xy += double(v[i]) * v[i + lag];
        xx += double(v[i]) * v[i];
        yy += double(v[i + lag]) * v[i + lag];
    }
    return xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0;
}

class LiveVoicePulseTest : public ::testing::Test {
protected:
    voice::EffectSwitches Switches(std::initializer_list<Effect> on, int32_t pitch = voice::kPitchNone)
    {
        voice::EffectSwitches s;
        for (Effect e : on)
            s[e] = true;
        s.pitchPosition = pitch;
        return s;
    }

    // Why live mode ended on its own (empty if it did not within ten seconds).
    std::string WaitForTheEnd()
    {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        std::string why;
        while (!liveVoice_.EndedOnItsOwn(&why) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        return why;
    }

    live::LiveVoice liveVoice_;
};

TEST_F(LiveVoicePulseTest, ATonePlayedIntoTheMicrophoneComesOutShiftedAtTheTopOfThePitchBar)
{
    ASSERT_EQ(liveVoice_.Start(Switches({}, 0), false), "");
    const testsignals::Voice heard = ThroughLiveVoice(testsignals::Tone(440, 4 * kRate, 12000));
    liveVoice_.Stop();
    // The pitch of each loud 20 ms block, and the typical one: a busy machine
    // can make a sink run dry now and then, and a gap has no pitch.
    std::vector<double> pitches;
    for (size_t at = 0; at + kRate / 50 <= heard.size(); at += kRate / 50)
        if (soundtest::PeakIn(heard, at, at + kRate / 50) > 3000)
            pitches.push_back(soundtest::HeardFrequency(heard, at, at + kRate / 50, kRate));
    ASSERT_GT(pitches.size(), 50u) << "the virtual microphone stayed silent";
    std::nth_element(pitches.begin(), pitches.begin() + long(pitches.size() / 2), pitches.end());
    EXPECT_NEAR(pitches[pitches.size() / 2], 652, 15);
}

TEST_F(LiveVoicePulseTest, RobotVoiceShowsItsTwelveMillisecondComb)
{
    ASSERT_EQ(liveVoice_.Start(Switches({Effect::Robotvoice}), false), "");
    const testsignals::Voice heard = ThroughLiveVoice(testsignals::Noise(4 * kRate, 11, 6000));
    liveVoice_.Stop();
    // The robot feeds its output back 264 samples late, three quarters strong:
    // the strongest self-likeness of the output lies at that lag.
    const size_t from = heard.size() / 2, to = heard.size();
    size_t bestLag = 0;
    double best = 0;
    for (size_t lag = 100; lag <= 600; ++lag)
        if (const double r = Autocorrelation(heard, from, to, lag); r > best) {
            best = r;
            bestLag = lag;
        }
    EXPECT_NEAR(double(bestLag), 264, 1);
    EXPECT_GT(best, 0.5);
    EXPECT_LT(Autocorrelation(heard, from, to, 200), 0.2);
}

TEST_F(LiveVoicePulseTest, TheDevicesExistWhileLiveAndAreGoneAfterwardsDefaultsUntouched)
{
    const std::string defaultsBefore = Pactl("get-default-sink") + Pactl("get-default-source");
    ASSERT_EQ(liveVoice_.Start(Switches({Effect::Echo}), true), "");
    EXPECT_EQ(WarblecastModules(), 2);
    EXPECT_NE(Pactl("list sources").find("Description: Warblecast Voice"), std::string::npos);
    EXPECT_NE(Pactl("list sinks").find("Description: Warblecast Live Output"), std::string::npos);
    // A session manager may pick a new default a moment after the devices
    // appear: the defaults are watched for the first second of live mode.
    while (liveVoice_.Running() && liveVoice_.RunningTime() < 1000ms) {
        ASSERT_EQ(Pactl("get-default-sink") + Pactl("get-default-source"), defaultsBefore);
    }
    EXPECT_EQ(Pactl("get-default-sink") + Pactl("get-default-source"), defaultsBefore);
    EXPECT_TRUE(liveVoice_.Running());
    EXPECT_GE(liveVoice_.RunningTime(), 1000ms);
    liveVoice_.Stop();
    EXPECT_EQ(WarblecastModules(), 0);
    EXPECT_EQ(Pactl("get-default-sink") + Pactl("get-default-source"), defaultsBefore);
    EXPECT_FALSE(liveVoice_.EndedOnItsOwn());
}

// parrotel-live in a child process: while it runs, Live Voice is refused here;
// killed without a chance to clean up, its devices go at the next start.
TEST_F(LiveVoicePulseTest, ASecondLiveProgramIsRefusedAndAKilledOnesDevicesAreCleanedUp)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        freopen("/dev/null", "w", stdout);
        execl(PARROTEL_LIVE, PARROTEL_LIVE, "--robot", "--seconds", "60", static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (WarblecastModules() < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(50ms);
    ASSERT_EQ(WarblecastModules(), 2);

    const std::string refusal = liveVoice_.Start(Switches({}), false);
    EXPECT_NE(refusal.find("already running in another program (process " + std::to_string(child) + ")"),
              std::string::npos)
        << refusal;
    EXPECT_EQ(WarblecastModules(), 2);

    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(WarblecastModules(), 2) << "the dead program's devices stay until the next start";
    ASSERT_EQ(liveVoice_.Start(Switches({}), false), "");
    const std::string modules = Pactl("list short modules");
    EXPECT_EQ(modules.find("warblecast.owner=" + std::to_string(child) + "."), std::string::npos);
    EXPECT_EQ(WarblecastModules(), 2);
    liveVoice_.Stop();
    EXPECT_EQ(WarblecastModules(), 0);
}

TEST_F(LiveVoicePulseTest, LosingTheSoundServerEndsLiveModeWithAMessage)
{
    soundtest::ScratchFolder scratch;
    soundtest::PrivateSoundServer server(scratch.File("server"));
    ASSERT_TRUE(server.running());
    ASSERT_EQ(liveVoice_.Start(Switches({Effect::Chorus}, 3), false), "");
    server.stop();
    const std::string why = WaitForTheEnd();
    EXPECT_EQ(why, "The sound server went away; Live Voice has ended.");
    liveVoice_.Stop();
    EXPECT_FALSE(liveVoice_.Running());
    // With no server at all, starting says so.
    const std::string refusal = liveVoice_.Start(Switches({}), false);
    EXPECT_EQ(refusal.rfind("Live Voice needs a sound server, and none answers", 0), 0u) << refusal;
    EXPECT_FALSE(liveVoice_.Running());
}

TEST_F(LiveVoicePulseTest, AMicrophoneThatGoesAwayEndsLiveModeWithAMessage)
{
    soundtest::ScratchFolder scratch;
    soundtest::PrivateSoundServer server(scratch.File("server"));
    ASSERT_TRUE(server.running());
    // A microphone of its own: the monitor of a second null sink, made the default source.
    const std::string module = Pactl("load-module module-null-sink sink_name=microphone");
    ASSERT_NE(module.find_first_of("0123456789"), std::string::npos) << module;
    Pactl("set-default-source microphone.monitor");
    ASSERT_EQ(liveVoice_.Start(Switches({Effect::Flange}), false), "");
    Pactl("unload-module " + module);
    const std::string why = WaitForTheEnd();
    EXPECT_EQ(why, "The microphone went away; Live Voice has ended.");
    liveVoice_.Stop();
    EXPECT_EQ(WarblecastModules(), 0);
}

TEST(ParrotelLiveTest, RefusesWhatCannotRunLiveAndListsWhatCan)
{
    auto run = [](const std::string& arguments, int& status) {
        std::string out;
        FILE* pipe = popen((std::string(PARROTEL_LIVE) + " " + arguments + " 2>&1").c_str(), "r");
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        status = pclose(pipe);
        return out;
    };
    int status = 0;
    EXPECT_EQ(run("--echo --fade-in --backward", status),
              "parrotel-live: Backward and Fade In cannot run live: only Echo, Chorus, Robot Voice, Flange, Bass "
              "Only, Treble Only and the pitch bar can.\n");
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string help = run("--help", status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(help.find("--echo --chorus --robot --flange --bass-only --treble-only"), std::string::npos);
}

}  // namespace
