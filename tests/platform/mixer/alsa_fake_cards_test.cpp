// The ALSA backend on three fake sound cards, through ALSA's own simple
// mixer: a card with a capture-source list ("Input Source"), one whose
// "Capture Source" list ALSA turns into exclusive capture switches, and one
// with a capture switch per source.
#include "fake_alsa_cards.h"
#include "mixer_test_support.h"

#include "mixer/alsa_mixer.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace mixertest;
using fakecards::ReadElement;
using fakecards::WriteElement;

namespace {

using Values = std::vector<uint32_t>;
using Names = std::vector<std::string>;

constexpr uint32_t kSelectorCard = 0, kExclusiveCard = 1, kSwitchesCard = 2;

class AlsaFakeCardsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { fakecards::UseFakeAlsaCards(); }

    void SetUp() override
    {
        AlsaMixerSetup setup;
        setup.controlDevices = {"fakeselector", "fakeexclusive", "fakeswitches"};
        previous_ = SetMixerBackend(CreateAlsaMixerBackend(setup));
    }
    void TearDown() override { SetMixerBackend(previous_); }

private:
    std::shared_ptr<MixerBackend> previous_;
};

TEST_F(AlsaFakeCardsTest, ACaptureSourceListBecomesAMuxWithALinePerEntry)
{
    const MixerLine speakers = DestinationOf(kSelectorCard, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    EXPECT_STREQ(speakers.name, "Master");
    EXPECT_EQ(speakers.channels, 2u);
    ASSERT_EQ(speakers.connections, 1u);
    const MixerLine wave = SourceOf(kSelectorCard, speakers, 0);
    EXPECT_EQ(wave.componentType, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT);
    EXPECT_STREQ(wave.name, "PCM");
    EXPECT_NE(ControlOf(kSelectorCard, wave.lineId, MIXERCONTROL_CONTROLTYPE_VOLUME), kNoControl);
    EXPECT_EQ(ControlOf(kSelectorCard, wave.lineId, MIXERCONTROL_CONTROLTYPE_MUTE), kNoControl);

    const MixerLine waveIn = DestinationOf(kSelectorCard, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    EXPECT_STREQ(waveIn.name, "Capture");
    EXPECT_EQ(SourceNames(kSelectorCard, waveIn), (Names{"Mic", "Front Mic", "Line"}));
    EXPECT_EQ(ControlOf(kSelectorCard, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_MIXER), kNoControl);
    const uint32_t mux = ControlOf(kSelectorCard, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_MUX);
    ASSERT_NE(mux, kNoControl);

    // Sources without a capture volume of their own carry the master's.
    const uint32_t master = ControlOf(kSelectorCard, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_VOLUME);
    const MixerLine mic = SourceOf(kSelectorCard, waveIn, 0);
    const MixerLine line = SourceOf(kSelectorCard, waveIn, 2);
    EXPECT_EQ(mic.componentType, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
    EXPECT_EQ(line.componentType, MIXERLINE_COMPONENTTYPE_SRC_LINE);
    EXPECT_EQ(ControlOf(kSelectorCard, mic.lineId, MIXERCONTROL_CONTROLTYPE_VOLUME), master);
    const uint32_t lineVolume = ControlOf(kSelectorCard, line.lineId, MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_NE(lineVolume, master);

    WriteElement("fakeselector", "Input Source", 0);
    EXPECT_EQ(ReadValues(kSelectorCard, mux, 1, 3), (Values{1, 0, 0}));
    ASSERT_EQ(WriteValues(kSelectorCard, mux, {0, 0, 1}, 3), MMSYSERR_NOERROR);
    EXPECT_EQ(ReadElement("fakeselector", "Input Source"), 2);

    ASSERT_EQ(WriteValues(kSelectorCard, lineVolume, {65535}), MMSYSERR_NOERROR);
    EXPECT_EQ(ReadElement("fakeselector", "Line Capture Volume", 1), 31);
}

TEST_F(AlsaFakeCardsTest, VolumesRunFrom0To65535OnEveryCardAndSwitchesReadAsMutes)
{
    const MixerLine speakers = DestinationOf(kSelectorCard, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    const uint32_t volume = ControlOf(kSelectorCard, speakers.lineId, MIXERCONTROL_CONTROLTYPE_VOLUME);
    const uint32_t mute = ControlOf(kSelectorCard, speakers.lineId, MIXERCONTROL_CONTROLTYPE_MUTE);
    MixerLineControls request;
    request.controlIdOrType = volume;
    ASSERT_EQ(MixerGetLineControls(kSelectorCard, &request, MIXER_GETLINECONTROLSF_ONEBYID), MMSYSERR_NOERROR);
    EXPECT_EQ(request.control.minimum, 0u);
    EXPECT_EQ(request.control.maximum, 65535u);

    WriteElement("fakeselector", "Master Playback Volume", 60);  // of 87
    WriteElement("fakeselector", "Master Playback Switch", 1);
    EXPECT_EQ(ReadValues(kSelectorCard, volume, 2), (Values{45197, 45197}));
    ASSERT_EQ(WriteValues(kSelectorCard, volume, {32767}), MMSYSERR_NOERROR);
    EXPECT_EQ(ReadElement("fakeselector", "Master Playback Volume", 0), 43);
    EXPECT_EQ(ReadElement("fakeselector", "Master Playback Volume", 1), 43);
    ASSERT_EQ(WriteValues(kSelectorCard, volume, {65535, 0}), MMSYSERR_NOERROR);
    EXPECT_EQ(ReadElement("fakeselector", "Master Playback Volume", 0), 87);
    EXPECT_EQ(ReadElement("fakeselector", "Master Playback Volume", 1), 0);

    EXPECT_EQ(ReadValues(kSelectorCard, mute, 1), (Values{0}));
    ASSERT_EQ(WriteValues(kSelectorCard, mute, {1}), MMSYSERR_NOERROR);
    EXPECT_EQ(ReadElement("fakeselector", "Master Playback Switch", 0), 0);
    EXPECT_EQ(ReadElement("fakeselector", "Master Playback Switch", 1), 0);
}

TEST_F(AlsaFakeCardsTest, ExclusiveCaptureSwitchesBecomeAMuxAndMasterServesAsWaveOut)
{
    const MixerLine speakers = DestinationOf(kExclusiveCard, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    const MixerLine wave = SourceOf(kExclusiveCard, speakers, 0);
    EXPECT_STREQ(wave.name, "Master");
    for (uint32_t type : {MIXERCONTROL_CONTROLTYPE_VOLUME, MIXERCONTROL_CONTROLTYPE_MUTE})
        EXPECT_EQ(ControlOf(kExclusiveCard, wave.lineId, type), ControlOf(kExclusiveCard, speakers.lineId, type));

    const MixerLine waveIn = DestinationOf(kExclusiveCard, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    EXPECT_EQ(SourceNames(kExclusiveCard, waveIn), (Names{"Line", "CD", "Mic"}));
    const uint32_t mux = ControlOf(kExclusiveCard, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_MUX);
    ASSERT_NE(mux, kNoControl);
    WriteElement("fakeexclusive", "Capture Source", 1);  // CD
    EXPECT_EQ(ReadValues(kExclusiveCard, mux, 1, 3), (Values{0, 1, 0}));
    ASSERT_EQ(WriteValues(kExclusiveCard, mux, {0, 0, 1}, 3), MMSYSERR_NOERROR);
    EXPECT_EQ(ReadElement("fakeexclusive", "Capture Source"), 0);  // Mic, first in the card's own list
    EXPECT_EQ(ReadValues(kExclusiveCard, mux, 1, 3), (Values{0, 0, 1}));

    WriteElement("fakeexclusive", "Mic Capture Volume", 12);  // of 31
    const uint32_t micVolume = ControlOf(kExclusiveCard, SourceOf(kExclusiveCard, waveIn, 2).lineId,
                                         MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_EQ(ReadValues(kExclusiveCard, micVolume, 1), (Values{25368}));
}

TEST_F(AlsaFakeCardsTest, CaptureSwitchesBecomeAMixer)
{
    const MixerLine speakers = DestinationOf(kSwitchesCard, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    const MixerLine wave = SourceOf(kSwitchesCard, speakers, 0);
    EXPECT_STREQ(wave.name, "PCM");
    EXPECT_EQ(ControlOf(kSwitchesCard, wave.lineId, MIXERCONTROL_CONTROLTYPE_MUTE), kNoControl);

    const MixerLine waveIn = DestinationOf(kSwitchesCard, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    EXPECT_NE(ControlOf(kSwitchesCard, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_VOLUME), kNoControl);
    EXPECT_EQ(ControlOf(kSwitchesCard, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_MUTE), kNoControl);
    EXPECT_EQ(ControlOf(kSwitchesCard, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_MUX), kNoControl);
    EXPECT_EQ(SourceNames(kSwitchesCard, waveIn), (Names{"Line", "CD", "Mic"}));
    const uint32_t mixer = ControlOf(kSwitchesCard, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_MIXER);
    ASSERT_NE(mixer, kNoControl);

    WriteElement("fakeswitches", "Line Capture Switch", 1);
    WriteElement("fakeswitches", "CD Capture Switch", 0);
    WriteElement("fakeswitches", "Mic Capture Switch", 0);
    EXPECT_EQ(ReadValues(kSwitchesCard, mixer, 1, 3), (Values{1, 0, 0}));
    ASSERT_EQ(WriteValues(kSwitchesCard, mixer, {0, 1, 1}, 3), MMSYSERR_NOERROR);
    EXPECT_EQ(ReadElement("fakeswitches", "Line Capture Switch", 1), 0);
    EXPECT_EQ(ReadElement("fakeswitches", "CD Capture Switch", 0), 1);
    EXPECT_EQ(ReadElement("fakeswitches", "Mic Capture Switch"), 1);
}

TEST_F(AlsaFakeCardsTest, AnOpenMixerPostsTheControlsThatChanged)
{
    const MixerLine speakers = DestinationOf(kSelectorCard, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    const uint32_t volume = ControlOf(kSelectorCard, speakers.lineId, MIXERCONTROL_CONTROLTYPE_VOLUME);
    const MixerLine waveIn = DestinationOf(kSelectorCard, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    const uint32_t mux = ControlOf(kSelectorCard, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_MUX);
    const uint32_t record = ControlOf(kSelectorCard, waveIn.lineId, MIXERCONTROL_CONTROLTYPE_VOLUME);
    WriteElement("fakeselector", "Master Playback Volume", 20);
    WriteElement("fakeselector", "Capture Volume", 20);

    MessageRecorder window;
    MixerHandle handle = nullptr;
    ASSERT_EQ(MixerOpen(&handle, kSelectorCard, window.handle(), CALLBACK_WINDOW), MMSYSERR_NOERROR);

    WriteElement("fakeselector", "Master Playback Volume", 10);  // another program
    ASSERT_TRUE(WaitUntil([&] { return window.received(volume); }));
    EXPECT_EQ(window.messages().size(), 1u) << "only the volume changed";
    EXPECT_EQ(window.messages()[0].message, MM_MIXM_CONTROL_CHANGE);

    WriteElement("fakeselector", "Input Source", 1);
    EXPECT_TRUE(WaitUntil([&] { return window.received(mux); }));
    ASSERT_EQ(WriteValues(kSelectorCard, record, {0}), MMSYSERR_NOERROR);  // through the mixer itself
    EXPECT_TRUE(WaitUntil([&] { return window.received(record); }));

    // Closed, it posts nothing: a mixer still open on the card hears the
    // change, the closed one's window does not.
    EXPECT_EQ(MixerClose(handle), MMSYSERR_NOERROR);
    window.clear();
    MessageRecorder stillOpen;
    MixerHandle other = nullptr;
    ASSERT_EQ(MixerOpen(&other, kSelectorCard, stillOpen.handle(), CALLBACK_WINDOW), MMSYSERR_NOERROR);
    WriteElement("fakeselector", "Master Playback Volume", 30);
    EXPECT_TRUE(WaitUntil([&] { return stillOpen.received(volume); }));
    EXPECT_TRUE(window.deliver().empty());
    EXPECT_EQ(MixerClose(other), MMSYSERR_NOERROR);
}

}  // namespace
