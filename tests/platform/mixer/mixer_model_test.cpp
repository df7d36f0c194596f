// The mixer calls over the scripted backend: lookups, the shaping of control
// details, checks, the write log and the notifications.
#include "mixer_test_support.h"

#include "mixer/mixer.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace platform;
using namespace mixertest;

namespace {

using Values = std::vector<uint32_t>;

class MixerModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = SetMixerBackend(backend);
        card = AddCard(*backend);
    }
    void TearDown() override { SetMixerBackend(previous_); }

    MMRESULT read(uint32_t control, uint32_t channels, Values& values, uint32_t items = 0)
    {
        values.assign(channels * std::max<uint32_t>(items, 1), 0xAAAA);
        MixerControlDetails details{control, channels, items, sizeof(uint32_t), values.data()};
        return MixerGetControlDetails(card.mixer, &details, MIXER_GETCONTROLDETAILSF_VALUE);
    }

    MMRESULT write(uint32_t control, uint32_t channels, Values values, uint32_t items = 0)
    {
        MixerControlDetails details{control, channels, items, sizeof(uint32_t), values.data()};
        return MixerSetControlDetails(card.mixer, &details, MIXER_SETCONTROLDETAILSF_VALUE);
    }

    std::shared_ptr<ScriptedMixerBackend> backend = std::make_shared<ScriptedMixerBackend>();
    Card card;

private:
    std::shared_ptr<MixerBackend> previous_;
};

TEST_F(MixerModelTest, WaveDevicesLeadToTheirMixers)
{
    backend->addWaveOutDevice("A rather long product name for a sound card", std::nullopt);
    EXPECT_EQ(WaveOutGetNumDevs(), 2u);
    WaveDevCaps caps;
    ASSERT_EQ(WaveOutGetDevCaps(1, &caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.productName, "A rather long product name for ");  // 31 characters
    EXPECT_EQ(WaveOutGetDevCaps(2, &caps), MMSYSERR_BADDEVICEID);

    uint32_t mixer = 99;
    EXPECT_EQ(MixerGetID(0, &mixer, MIXER_OBJECTF_WAVEOUT), MMSYSERR_NOERROR);
    EXPECT_EQ(mixer, card.mixer);
    EXPECT_EQ(MixerGetID(0, &mixer, MIXER_OBJECTF_WAVEIN), MMSYSERR_NOERROR);
    EXPECT_EQ(MixerGetID(1, &mixer, MIXER_OBJECTF_WAVEOUT), MMSYSERR_NODRIVER);
    EXPECT_EQ(MixerGetID(1, &mixer, MIXER_OBJECTF_WAVEIN), MMSYSERR_BADDEVICEID);
}

TEST_F(MixerModelTest, NamesAreCutAtACharacterBoundary)
{
    // "é" is two bytes; 30 ASCII characters and "é" do not fit 31 bytes.
    backend->addWaveInDevice(std::string(30, 'x') + "\xC3\xA9", std::nullopt);
    WaveDevCaps caps;
    ASSERT_EQ(WaveInGetDevCaps(1, &caps), MMSYSERR_NOERROR);
    EXPECT_EQ(std::strlen(caps.productName), 30u);
}

TEST_F(MixerModelTest, LinesAreFoundByTypeByIndexAndById)
{
    MixerLine line;
    line.componentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    ASSERT_EQ(MixerGetLineInfo(card.mixer, &line, MIXER_GETLINEINFOF_COMPONENTTYPE), MMSYSERR_NOERROR);
    EXPECT_EQ(line.lineId, card.waveIn);
    EXPECT_EQ(line.destination, 1u);
    EXPECT_EQ(line.connections, 3u);
    EXPECT_EQ(line.controls, 3u);

    MixerLine source;
    source.destination = line.destination;
    source.source = 2;
    ASSERT_EQ(MixerGetLineInfo(card.mixer, &source, MIXER_GETLINEINFOF_SOURCE), MMSYSERR_NOERROR);
    EXPECT_STREQ(source.name, "CD");
    EXPECT_STREQ(source.shortName, "CD");
    source.source = 3;
    EXPECT_NE(MixerGetLineInfo(card.mixer, &source, MIXER_GETLINEINFOF_SOURCE), MMSYSERR_NOERROR);

    // Source lines are found by type too, after every destination.
    MixerLine wave;
    wave.componentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    ASSERT_EQ(MixerGetLineInfo(card.mixer, &wave, MIXER_GETLINEINFOF_COMPONENTTYPE), MMSYSERR_NOERROR);
    EXPECT_EQ(wave.lineId, card.waveOutLine);
    wave.componentType = MIXERLINE_COMPONENTTYPE_SRC_TELEPHONE;
    EXPECT_EQ(MixerGetLineInfo(card.mixer, &wave, MIXER_GETLINEINFOF_COMPONENTTYPE), MIXERR_INVALLINE);
    EXPECT_EQ(MixerGetLineInfo(card.mixer + 1, &wave, MIXER_GETLINEINFOF_COMPONENTTYPE), MMSYSERR_BADDEVICEID);
}

TEST_F(MixerModelTest, ControlsAreFoundByTypeOnALineOrByIdentifier)
{
    MixerLineControls request;
    request.lineId = card.waveIn;
    request.controlIdOrType = MIXERCONTROL_CONTROLTYPE_MUX;
    ASSERT_EQ(MixerGetLineControls(card.mixer, &request, MIXER_GETLINECONTROLSF_ONEBYTYPE), MMSYSERR_NOERROR);
    EXPECT_EQ(request.control.controlId, card.selector);
    EXPECT_EQ(request.control.multipleItems, 3u);
    EXPECT_EQ(request.control.flags, MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE);

    request.controlIdOrType = MIXERCONTROL_CONTROLTYPE_MIXER;
    EXPECT_EQ(MixerGetLineControls(card.mixer, &request, MIXER_GETLINECONTROLSF_ONEBYTYPE), MIXERR_INVALCONTROL);

    MixerLineControls byId;
    byId.controlIdOrType = card.waveOutVolume;
    ASSERT_EQ(MixerGetLineControls(card.mixer, &byId, MIXER_GETLINECONTROLSF_ONEBYID), MMSYSERR_NOERROR);
    EXPECT_EQ(byId.lineId, card.waveOutLine);
    EXPECT_EQ(byId.control.controlType, MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_EQ(byId.control.maximum, 65535u);
}

TEST_F(MixerModelTest, ChannelsAreShapedAsAsked)
{
    Values values;
    backend->setValues(card.waveOutVolume, {100, 200});
    ASSERT_EQ(read(card.waveOutVolume, 1, values), MMSYSERR_NOERROR);
    EXPECT_EQ(values, (Values{100}));
    ASSERT_EQ(read(card.waveOutVolume, 2, values), MMSYSERR_NOERROR);
    EXPECT_EQ(values, (Values{100, 200}));
    ASSERT_EQ(read(card.speakersMute, 2, values), MMSYSERR_NOERROR);  // a mono control read as two
    EXPECT_EQ(values, (Values{0, 0}));

    ASSERT_EQ(write(card.waveOutVolume, 1, {300}), MMSYSERR_NOERROR);  // uniform
    EXPECT_EQ(backend->values(card.waveOutVolume), (Values{300, 300}));
    ASSERT_EQ(write(card.waveOutVolume, 2, {70000, 1}), MMSYSERR_NOERROR);  // kept within bounds
    EXPECT_EQ(backend->values(card.waveOutVolume), (Values{65535, 1}));
    ASSERT_EQ(write(card.speakersMute, 1, {5}), MMSYSERR_NOERROR);  // booleans are 0 or 1
    EXPECT_EQ(backend->value(card.speakersMute), 1u);

    const auto writes = backend->writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].controlId, card.waveOutVolume);
    EXPECT_EQ(writes[0].values, (Values{300, 300}));
}

TEST_F(MixerModelTest, ItemsAndListTextsOfASelector)
{
    Values values;
    EXPECT_EQ(read(card.selector, 1, values), MMSYSERR_INVALPARAM);  // the item count must match
    ASSERT_EQ(read(card.selector, 1, values, 3), MMSYSERR_NOERROR);
    EXPECT_EQ(values, (Values{1, 0, 0}));

    EXPECT_EQ(write(card.selector, 1, {0, 0, 0}, 3), MIXERR_INVALVALUE);  // a MUX selects exactly one
    EXPECT_EQ(write(card.selector, 1, {1, 0, 1}, 3), MIXERR_INVALVALUE);
    EXPECT_EQ(write(card.selector, 1, {0, 0, 1}, 3), MMSYSERR_NOERROR);

    MixerControlDetailsListText texts[3] = {};
    MixerControlDetails details{card.selector, 1, 3, sizeof(MixerControlDetailsListText), texts};
    ASSERT_EQ(MixerGetControlDetails(card.mixer, &details, MIXER_GETCONTROLDETAILSF_LISTTEXT), MMSYSERR_NOERROR);
    EXPECT_STREQ(texts[1].name, "Line In");
    EXPECT_EQ(texts[1].param1, card.sourceLines[1]);
    EXPECT_EQ(texts[1].param2, MIXERLINE_COMPONENTTYPE_SRC_ANALOG);
    details.detailBytes = sizeof(uint32_t);
    EXPECT_EQ(MixerGetControlDetails(card.mixer, &details, MIXER_GETCONTROLDETAILSF_LISTTEXT), MMSYSERR_INVALPARAM);
}

TEST_F(MixerModelTest, FailuresAreReportedAndNotLogged)
{
    Values values;
    backend->failReads(card.recordVolume);
    backend->failWrites(card.recordMute);
    EXPECT_NE(read(card.recordVolume, 1, values), MMSYSERR_NOERROR);
    EXPECT_NE(write(card.recordMute, 1, {1}), MMSYSERR_NOERROR);
    EXPECT_EQ(read(0xDEAD, 1, values), MIXERR_INVALCONTROL);
    EXPECT_TRUE(backend->writes().empty());
}

TEST_F(MixerModelTest, AnOpenMixerPostsEveryChangeUntilClosed)
{
    MessageRecorder window;
    MixerHandle handle = nullptr;
    ASSERT_EQ(MixerOpen(&handle, card.mixer, window.handle(), CALLBACK_WINDOW), MMSYSERR_NOERROR);

    ASSERT_EQ(write(card.recordVolume, 1, {1234}), MMSYSERR_NOERROR);
    backend->setValues(card.selector, {0, 1, 0});
    ASSERT_EQ(write(card.recordVolume, 1, {1234}), MMSYSERR_NOERROR);  // no change, no message
    const std::vector<Message>& messages = window.deliver();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].message, MM_MIXM_CONTROL_CHANGE);
    EXPECT_EQ(messages[0].lParam, intptr_t(card.recordVolume));
    EXPECT_EQ(messages[0].wParam, reinterpret_cast<uintptr_t>(handle));
    EXPECT_EQ(messages[1].lParam, intptr_t(card.selector));

    EXPECT_EQ(MixerClose(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(MixerClose(handle), MMSYSERR_INVALHANDLE);
    window.clear();
    backend->setValues(card.selector, {1, 0, 0});
    EXPECT_TRUE(window.deliver().empty());

    backend->failOpen(card.mixer);
    EXPECT_NE(MixerOpen(&handle, card.mixer, window.handle(), CALLBACK_WINDOW), MMSYSERR_NOERROR);
    EXPECT_EQ(handle, nullptr);
}

}  // namespace
