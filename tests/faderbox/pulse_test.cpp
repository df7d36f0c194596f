// libfaderbox for real: ALSA's default mixer on a PulseAudio server, checked
// with pactl.
#include "faderbox/faderbox.h"
#include "mixer_test_support.h"

#include "mixer/mixer_backend.h"

#include <gtest/gtest.h>

using namespace mixertest;

namespace {

class FaderboxPulseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetMixerBackend(nullptr);  // the system's ALSA mixers
        SetCallbackWindow(window.handle());
    }
    void TearDown() override
    {
        DeSelectOutputDevice();
        DeSelectInputDevice();
        RestoreServerLevels();
    }

    static uint32_t WaveOutVolumeId()
    {
        uint32_t ids[4] = {};
        GetVolumeIDs(&ids[0], &ids[1], &ids[2], &ids[3]);
        return ids[0];
    }

    MessageRecorder window;
};

TEST_F(FaderboxPulseTest, TheDefaultDeviceIsSelectedAndUnmuted)
{
    Pactl("set-sink-mute @DEFAULT_SINK@ 1");
    Pactl("set-sink-volume @DEFAULT_SINK@ 3%");
    ASSERT_GE(GetNumberOfOutputDevices(), 1);
    ASSERT_EQ(SelectOutputDevice(0), 0);
    ASSERT_EQ(SelectInputDevice(0), 0);
    EXPECT_NE(Pactl("get-sink-mute @DEFAULT_SINK@").find("Mute: no"), std::string::npos);
    EXPECT_EQ(PactlVolume(Pactl("get-sink-volume @DEFAULT_SINK@")), 6553);  // a tenth of 65535
}

TEST_F(FaderboxPulseTest, OutputLevelFiftyIsHalfTheSinkVolume)
{
    ASSERT_EQ(SelectOutputDevice(0), 0);
    ASSERT_EQ(SetCurrentOutputLevel(50), 0);
    const std::string report = Pactl("get-sink-volume @DEFAULT_SINK@");
    EXPECT_EQ(PactlVolume(report), 32767) << report;
    EXPECT_NE(report.find(" 50%"), std::string::npos) << report;
    EXPECT_EQ(GetCurrentOutputLevel(), 50);
}

TEST_F(FaderboxPulseTest, AVolumeChangedElsewhereReachesTheWindow)
{
    ASSERT_EQ(SelectOutputDevice(0), 0);
    ASSERT_EQ(SetCurrentOutputLevel(80), 0);
    // Whatever our own change posts comes first: once a change made after it
    // has arrived (the server's notifications come in order), it has too.
    Pactl("set-sink-volume @DEFAULT_SINK@ 40%");
    ASSERT_TRUE(WaitUntil([&] { return window.received(intptr_t(WaveOutVolumeId())); }));
    window.clear();

    Pactl("set-sink-volume @DEFAULT_SINK@ 30%");
    ASSERT_TRUE(WaitUntil([&] { return window.received(intptr_t(WaveOutVolumeId())); }));
    EXPECT_EQ(window.messages().back().message, 0x3D1u);
    uint32_t values[2] = {};
    ASSERT_EQ(GetCurrentOutputVolSetting(2, values), 0);
    const long sink = PactlVolume(Pactl("get-sink-volume @DEFAULT_SINK@"));  // 30 % of 65536
    EXPECT_NEAR(double(values[0]), double(sink), 1.0);                         // on the scale of 65535
}

TEST_F(FaderboxPulseTest, TheInputVolumeIsTheDefaultSourceVolume)
{
    ASSERT_EQ(SelectInputDevice(0), 0);
    ASSERT_EQ(GetNumberOfInputSources(), 1);
    ASSERT_EQ(SelectInputSource(0), 0);

    const uint32_t volume = 20000;
    ASSERT_EQ(SetCurrentInputVolSetting(1, &volume), 0);
    EXPECT_EQ(PactlVolume(Pactl("get-source-volume @DEFAULT_SOURCE@")), 20000);
    ASSERT_EQ(SetCurrentInputLevel(40), 0);
    EXPECT_EQ(PactlVolume(Pactl("get-source-volume @DEFAULT_SOURCE@")), 26214);
}

}  // namespace
