// libfaderbox on ALSA sound cards (the fake cards of the fakecard plugin):
// what a user with such a card gets when the program starts.
#include "faderbox/faderbox.h"
#include "fake_alsa_cards.h"
#include "mixer_test_support.h"

#include "mixer/alsa_mixer.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace mixertest;
using fakecards::ReadElement;
using fakecards::WriteElement;

namespace {

enum Device : int32_t { kExclusive, kSwitches, kSelector };

class FaderboxAlsaTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { fakecards::UseFakeAlsaCards(); }

    void SetUp() override
    {
        AlsaMixerSetup setup;
        setup.controlDevices = {"fakeexclusive", "fakeswitches", "fakeselector"};
        setup.waveOut = {{"Exclusive", 0}, {"Switches", 1}};
        setup.waveIn = {{"Exclusive", 0}, {"Switches", 1}, {"Selector", 2}};
        previous_ = SetMixerBackend(CreateAlsaMixerBackend(setup));
        SetCallbackWindow(window.handle());
    }

    void TearDown() override
    {
        DeSelectOutputDevice();
        DeSelectInputDevice();
        SetMixerBackend(previous_);
    }

    MessageRecorder window;

private:
    std::shared_ptr<MixerBackend> previous_;
};

TEST_F(FaderboxAlsaTest, SelectingAMutedQuietCardMakesItAudible)
{
    WriteElement("fakeexclusive", "Master Playback Switch", 0);
    WriteElement("fakeexclusive", "Master Playback Volume", 1);  // of 31
    ASSERT_EQ(SelectOutputDevice(kExclusive), 0);
    EXPECT_EQ(ReadElement("fakeexclusive", "Master Playback Switch"), 1);
    EXPECT_EQ(ReadElement("fakeexclusive", "Master Playback Volume"), 3);  // a tenth of 31, rounded

    ASSERT_EQ(SetCurrentOutputLevel(99), 0);
    EXPECT_EQ(ReadElement("fakeexclusive", "Master Playback Volume", 1), 31);
}

TEST_F(FaderboxAlsaTest, TheMicrophoneIsSelectedOnACardWithACaptureSourceList)
{
    WriteElement("fakeexclusive", "Capture Source", 1);      // CD
    WriteElement("fakeexclusive", "Mic Capture Volume", 2);  // of 31: level 7
    ASSERT_EQ(SelectInputDevice(kExclusive), 0);
    EXPECT_EQ(IsMixerMuxType(), 1);
    ASSERT_EQ(GetNumberOfInputSources(), 3);
    const int32_t mic = GetMicrophoneSourceIndex();
    ASSERT_EQ(mic, 2);

    ASSERT_EQ(SelectInputSource(mic), 0);
    EXPECT_EQ(ReadElement("fakeexclusive", "Capture Source"), 0);
    EXPECT_EQ(ReadElement("fakeexclusive", "Mic Capture Volume"), 3);  // raised to level 9
    EXPECT_EQ(IsCurrentInputSourceSelected(mic), 1);
    EXPECT_EQ(IsCurrentInputSourceSelected(1), 0);
}

TEST_F(FaderboxAlsaTest, TheMicrophoneIsSelectedOnACardWithCaptureSwitches)
{
    WriteElement("fakeswitches", "Line Capture Switch", 1);
    WriteElement("fakeswitches", "Mic Capture Switch", 0);
    ASSERT_EQ(SelectInputDevice(kSwitches), 0);
    EXPECT_EQ(IsMixerMixerType(), 1);
    const int32_t mic = GetMicrophoneSourceIndex();
    ASSERT_EQ(mic, 2);
    ASSERT_EQ(SelectInputSource(mic), 0);
    EXPECT_EQ(ReadElement("fakeswitches", "Mic Capture Switch"), 1);
    EXPECT_EQ(ReadElement("fakeswitches", "Line Capture Switch"), 0);
    EXPECT_EQ(ReadElement("fakeswitches", "CD Capture Switch"), 0);
}

TEST_F(FaderboxAlsaTest, ASourceChosenElsewhereIsPostedAsTheRecordSelector)
{
    WriteElement("fakeselector", "Capture Switch", 0);
    WriteElement("fakeselector", "Input Source", 0);
    ASSERT_EQ(SelectInputDevice(kSelector), 0);
    ASSERT_EQ(SelectInputSource(0), 0);
    EXPECT_EQ(ReadElement("fakeselector", "Capture Switch"), 1);  // the record master is unmuted

    uint32_t ids[4] = {};
    GetVolumeIDs(&ids[0], &ids[1], &ids[2], &ids[3]);
    EXPECT_EQ(ids[3], ids[1]) << "Mic has no capture volume of its own: the master's serves";
    // Our own changes are posted first: once a change made after them has
    // arrived (the card's notifications come in order), they all have.
    const long volume = ReadElement("fakeselector", "Capture Volume");
    WriteElement("fakeselector", "Capture Volume", volume == 30 ? 31 : 30);
    ASSERT_TRUE(WaitUntil([&] { return window.received(intptr_t(ids[1])); }));
    window.clear();
    WriteElement("fakeselector", "Input Source", 2);  // another program picks Line
    ASSERT_TRUE(WaitUntil([&] { return window.received(intptr_t(ids[2])); }));
    EXPECT_EQ(IsCurrentInputSourceSelected(2), 1);
    EXPECT_EQ(IsCurrentInputSourceSelected(0), 0);
}

}  // namespace
