// Record sources of libfaderbox on the three kinds of mixer.
#include "faderbox_fixture.h"

using namespace platform;
using namespace mixertest;

namespace {

using Values = std::vector<uint32_t>;

class SourcesTest : public FaderboxTest, public ::testing::WithParamInterface<Selector> {
protected:
    Card selectKind(std::vector<std::string> sources = {"Mic", "Line In", "CD"})
    {
        CardOptions options;
        options.selector = GetParam();
        options.sources = std::move(sources);
        return selectCard(options);
    }

    // What the selection looks like on the card: the selector's items, or
    // which sources are not muted.
    Values selection(const Card& card) const
    {
        if (GetParam() != Selector::Neither)
            return backend->values(card.selector);
        Values open;
        for (uint32_t mute : card.sourceMutes)
            open.push_back(backend->value(mute) == 0);
        return open;
    }

    Values answers(int32_t count) const
    {
        Values result;
        for (int32_t source = 0; source <= count; ++source)
            result.push_back(uint32_t(IsCurrentInputSourceSelected(source)));
        return result;
    }
};

TEST_P(SourcesTest, SourcesAreCountedAndNamed)
{
    selectKind();
    ASSERT_EQ(GetNumberOfInputSources(), 3);
    EXPECT_EQ(SourceName(0), "Mic");
    EXPECT_EQ(SourceName(2), "CD");
    EXPECT_EQ(SourceName(3), "(failed)");
    char text[64] = "stale";
    EXPECT_EQ(GetInputSourceDescription(3, text), -2);
    EXPECT_STREQ(text, "");
}

TEST_P(SourcesTest, TheMicrophoneIsFoundWhateverItsCase)
{
    selectKind({"Mic", "Line In", "CD"});
    EXPECT_EQ(GetMicrophoneSourceIndex(), 0);
    selectKind({"Line In", "MICROPHONE"});
    EXPECT_EQ(GetMicrophoneSourceIndex(), 1);
    selectKind({"Line In", "CD"});
    EXPECT_EQ(GetMicrophoneSourceIndex(), -2);
}

TEST_P(SourcesTest, SelectingASourceLeavesOnlyThatOneSelected)
{
    const Card card = selectKind();
    ASSERT_EQ(SelectInputSource(1), 0);
    EXPECT_EQ(selection(card), (Values{0, 1, 0}));
    EXPECT_EQ(volumeIds()[3], card.sourceVolumes[1]);

    // Without a selector the answer is the mute state, which the caller inverts.
    const Values expected = GetParam() == Selector::Neither ? Values{1, 0, 1, 0} : Values{0, 1, 0, 0};
    EXPECT_EQ(answers(3), expected);
}

TEST_P(SourcesTest, AnIndexEqualToTheCountChangesNothing)
{
    const Card card = selectKind();
    const Values before = selection(card);
    EXPECT_EQ(SelectInputSource(3), -2);
    EXPECT_EQ(SelectInputSource(-1), -2);
    EXPECT_TRUE(backend->writes().empty());
    EXPECT_EQ(selection(card), before);
    EXPECT_EQ(volumeIds()[3], 0xFFFFFFFFu);
}

TEST_P(SourcesTest, AQuietSourceIsRaisedToLevelNineAndTheMasterToATenth)
{
    const Card card = selectKind();
    backend->setValues(card.sourceVolumes[0], {1966, 1966});  // level 3
    backend->setValues(card.recordVolume, {3276, 3276});      // 5 %
    backend->setValues(card.recordMute, {1});
    ASSERT_EQ(SelectInputSource(0), 0);
    EXPECT_EQ(backend->values(card.sourceVolumes[0]), (Values{5898, 5898}));  // 9 % of 65535
    EXPECT_EQ(GetCurrentInputLevel(), 9);
    EXPECT_EQ(backend->values(card.recordVolume), (Values{6553, 6553}));
    EXPECT_EQ(backend->value(card.recordMute), 0u);

    backend->clearWrites();
    ASSERT_EQ(SelectInputSource(1), 0);  // source and master at 50 %: untouched
    for (const auto& write : backend->writes()) {
        EXPECT_NE(write.controlId, card.sourceVolumes[1]);
        EXPECT_NE(write.controlId, card.recordVolume);
    }
    EXPECT_EQ(GetCurrentInputLevel(), 50);
}

TEST_F(FaderboxTest, TheSourceFloorIsLevelNineAndAnUnreadableSourceIsLeftAlone)
{
    const Card card = selectCard();
    backend->setValues(card.sourceVolumes[0], {4600, 4600});  // level 8
    backend->setValues(card.sourceVolumes[1], {5898, 5898});  // level 9
    ASSERT_EQ(SelectInputSource(0), 0);
    EXPECT_EQ(backend->value(card.sourceVolumes[0]), 5898u);
    ASSERT_EQ(SelectInputSource(1), 0);
    backend->failReads(card.sourceVolumes[2]);
    ASSERT_EQ(SelectInputSource(2), 0);
    for (const auto& write : backend->writes()) {
        EXPECT_NE(write.controlId, card.sourceVolumes[1]);
        EXPECT_NE(write.controlId, card.sourceVolumes[2]);
    }
}

TEST_P(SourcesTest, ASelectionThatCannotBeWrittenFails)
{
    const Card card = selectKind();
    const uint32_t failing = GetParam() == Selector::Neither ? card.sourceMutes[1] : card.selector;
    backend->failWrites(failing);
    EXPECT_EQ(SelectInputSource(1), -2);
    EXPECT_EQ(volumeIds()[3], 0xFFFFFFFFu);
}

INSTANTIATE_TEST_SUITE_P(AllKinds, SourcesTest, ::testing::Values(Selector::Mux, Selector::Mixer, Selector::Neither),
                         [](const auto& info) { return std::string(SelectorName(info.param)); });

TEST_F(FaderboxTest, TheSourceVolumeIsTheLineNamedLikeTheMuxItem)
{
    // The selector lists CD before Mic, the lines come the other way round.
    const uint32_t mixer = backend->addMixer("Reordered");
    const uint32_t speakers = backend->addDestination(mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, "Speakers");
    backend->addVolume(mixer, speakers, 0, 65535, 30000);
    const uint32_t waveIn = backend->addDestination(mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, "Recording");
    const uint32_t mic = backend->addSource(mixer, waveIn, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, "Mic");
    const uint32_t micVolume = backend->addVolume(mixer, mic, 0, 65535, 30000);
    const uint32_t cd = backend->addSource(mixer, waveIn, MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, "CD");
    const uint32_t cdVolume = backend->addVolume(mixer, cd, 0, 65535, 30000);
    const uint32_t mux = backend->addSelector(mixer, waveIn, MIXERCONTROL_CONTROLTYPE_MUX, {cd, mic}, {1, 0});
    backend->addWaveInDevice("Reordered", mixer);
    ASSERT_EQ(SelectInputDevice(0), 0);

    EXPECT_EQ(GetMicrophoneSourceIndex(), 1);
    ASSERT_EQ(SelectInputSource(1), 0);
    EXPECT_EQ(backend->values(mux), (Values{0, 1}));
    EXPECT_EQ(volumeIds()[3], micVolume);
    ASSERT_EQ(SelectInputSource(0), 0);
    EXPECT_EQ(volumeIds()[3], cdVolume);
}

TEST_F(FaderboxTest, ASourceIsDescribedByItsShortNameWhenItHasOne)
{
    const uint32_t mixer = backend->addMixer("Short names");
    const uint32_t waveIn = backend->addDestination(mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, "Recording");
    backend->addSource(mixer, waveIn, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, "Microphone Input", "Mic");
    backend->addSource(mixer, waveIn, MIXERLINE_COMPONENTTYPE_SRC_LINE, "Line Input");
    backend->addWaveInDevice("Short names", mixer);
    ASSERT_EQ(SelectInputDevice(0), 0);  // no master volume: no range needed
    EXPECT_EQ(SourceName(0), "Mic");
    EXPECT_EQ(SourceName(1), "Line Input");
}

TEST_F(FaderboxTest, MutingSelectionSetsEveryLineAndReportsAnyFailure)
{
    CardOptions options;
    options.selector = Selector::Neither;
    const Card card = selectCard(options);
    backend->failWrites(card.sourceMutes[0]);  // not the last line: still reported
    EXPECT_EQ(SelectInputSource(1), -2);
    EXPECT_EQ(backend->value(card.sourceMutes[1]), 0u);
    EXPECT_EQ(backend->value(card.sourceMutes[2]), 1u);
}

TEST_F(FaderboxTest, MixMuxSettingReadsAnItemOrTellsTheUser)
{
    const Card card = selectCard();
    EXPECT_EQ(GetMixMuxSetting(card.mixer, card.selector, 0), 1);
    EXPECT_EQ(GetMixMuxSetting(card.mixer, card.selector, 2), 0);
    EXPECT_EQ(GetMixMuxSetting(card.mixer, card.selector, 3), -1);
    EXPECT_TRUE(shown.empty());

    EXPECT_EQ(GetMixMuxSetting(card.mixer, 0xDEAD, 0), -1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Cannot Get Mixer Information");
    EXPECT_TRUE(shown[0].caption.isEmpty());

    backend->failReads(card.selector);
    EXPECT_EQ(GetMixMuxSetting(card.mixer, card.selector, 0), -1);
    EXPECT_EQ(shown.size(), 1u);
}

}  // namespace
