// The system's ALSA backend on a PulseAudio server: ALSA's "default" mixer
// there has only Master (the default sink) and Capture (the default source).
#include "mixer_test_support.h"

#include "mixer/alsa_mixer.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace mixertest;

namespace {

using Values = std::vector<uint32_t>;
constexpr uint32_t kDefaultMixer = 0;

class AlsaPulseTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = SetMixerBackend(CreateAlsaMixerBackend()); }
    void TearDown() override
    {
        SetMixerBackend(previous_);
        RestoreServerLevels();
    }

private:
    std::shared_ptr<MixerBackend> previous_;
};

TEST_F(AlsaPulseTest, TheDefaultDeviceComesFirstAndLeadsToTheDefaultMixer)
{
    ASSERT_GE(WaveOutGetNumDevs(), 1u);
    ASSERT_GE(WaveInGetNumDevs(), 1u);
    WaveDevCaps caps;
    ASSERT_EQ(WaveOutGetDevCaps(0, &caps), MMSYSERR_NOERROR);
    const std::string name = caps.productName;  // ALSA's description, or a plain name when too long
    EXPECT_FALSE(name.empty());
    EXPECT_NE(name.back(), ' ');
    uint32_t mixer = 99;
    ASSERT_EQ(MixerGetID(0, &mixer, MIXER_OBJECTF_WAVEOUT), MMSYSERR_NOERROR);
    EXPECT_EQ(mixer, kDefaultMixer);
    ASSERT_EQ(MixerGetID(0, &mixer, MIXER_OBJECTF_WAVEIN), MMSYSERR_NOERROR);
    EXPECT_EQ(mixer, kDefaultMixer);
}

TEST_F(AlsaPulseTest, MasterAndCaptureMakeBothDestinations)
{
    const MixerLine speakers = DestinationOf(kDefaultMixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    EXPECT_STREQ(speakers.name, "Master");
    const MixerLine wave = SourceOf(kDefaultMixer, speakers, 0);
    EXPECT_EQ(wave.componentType, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT);
    for (uint32_t type : {MIXERCONTROL_CONTROLTYPE_VOLUME, MIXERCONTROL_CONTROLTYPE_MUTE}) {
        const uint32_t control = ControlOf(kDefaultMixer, speakers.lineId, type);
        EXPECT_NE(control, kNoControl);
        EXPECT_EQ(ControlOf(kDefaultMixer, wave.lineId, type), control);
    }

    const MixerLine waveIn = DestinationOf(kDefaultMixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    EXPECT_STREQ(waveIn.name, "Capture");
    ASSERT_EQ(waveIn.connections, 1u);
    const MixerLine source = SourceOf(kDefaultMixer, waveIn, 0);
    EXPECT_STREQ(source.name, "Capture");
    const uint32_t volume = ControlOf(kDefaultMixer, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_NE(volume, kNoControl);
    EXPECT_EQ(ControlOf(kDefaultMixer, source.lineId, MIXERCONTROL_CONTROLTYPE_VOLUME), volume);
    EXPECT_NE(ControlOf(kDefaultMixer, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_MUTE), kNoControl);
    EXPECT_NE(ControlOf(kDefaultMixer, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_MIXER), kNoControl);
    EXPECT_EQ(ControlOf(kDefaultMixer, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_MUX), kNoControl);
}

TEST_F(AlsaPulseTest, SinkVolumesAboveFullScaleReadAsTheMaximum)
{
    const MixerLine speakers = DestinationOf(kDefaultMixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    const uint32_t volume = ControlOf(kDefaultMixer, speakers.lineId, MIXERCONTROL_CONTROLTYPE_VOLUME);

    Pactl("set-sink-volume @DEFAULT_SINK@ 150%");
    ASSERT_TRUE(WaitUntil([&] { return ReadValues(kDefaultMixer, volume, 2) == Values{65535, 65535}; }));
    Pactl("set-sink-volume @DEFAULT_SINK@ 50%");
    ASSERT_TRUE(WaitUntil([&] { return ReadValues(kDefaultMixer, volume, 1) == Values{32768}; }));

    ASSERT_EQ(WriteValues(kDefaultMixer, volume, {16384}), MMSYSERR_NOERROR);
    EXPECT_EQ(PactlVolume(Pactl("get-sink-volume @DEFAULT_SINK@")), 16384);
}

TEST_F(AlsaPulseTest, TheCaptureSwitchIsTheMuteOfTheSource)
{
    const MixerLine waveIn = DestinationOf(kDefaultMixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    const uint32_t mute = ControlOf(kDefaultMixer, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_MUTE);
    const uint32_t mixer = ControlOf(kDefaultMixer, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_MIXER);
    ASSERT_EQ(WriteValues(kDefaultMixer, mute, {1}), MMSYSERR_NOERROR);
    EXPECT_NE(Pactl("get-source-mute @DEFAULT_SOURCE@").find("yes"), std::string::npos);
    EXPECT_EQ(ReadValues(kDefaultMixer, mixer, 1, 1), (Values{0}));
    ASSERT_EQ(WriteValues(kDefaultMixer, mixer, {1}, 1), MMSYSERR_NOERROR);
    EXPECT_NE(Pactl("get-source-mute @DEFAULT_SOURCE@").find("no"), std::string::npos);
    EXPECT_EQ(ReadValues(kDefaultMixer, mute, 1), (Values{0}));
}

}  // namespace
