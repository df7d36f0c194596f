// Device selection, descriptions and notifications of libfaderbox.
#include "faderbox_fixture.h"

using namespace platform;
using namespace mixertest;

namespace {

constexpr uint32_t kNone = 0xFFFFFFFF;

TEST_F(FaderboxTest, OutputDescriptionsAreTrimmedAndBlankNamesBecomeUnknownDevice)
{
    backend->addWaveOutDevice("  Line Out Jack \t", std::nullopt);
    backend->addWaveOutDevice("   ", std::nullopt);
    backend->addWaveInDevice("  Capture Jack ", std::nullopt);
    ASSERT_EQ(GetNumberOfOutputDevices(), 2);
    ASSERT_EQ(GetNumberOfInputDevices(), 1);

    char text[32] = "stale";
    EXPECT_EQ(GetOutputDeviceDescription(0, text), 0);
    EXPECT_STREQ(text, "Line Out Jack");
    EXPECT_EQ(GetOutputDeviceDescription(1, text), 0);
    EXPECT_STREQ(text, "Unknown Device");
    EXPECT_EQ(GetInputDeviceDescription(0, text), 0);
    EXPECT_STREQ(text, "  Capture Jack ");  // input names are passed on as they are

    EXPECT_EQ(GetOutputDeviceDescription(2, text), -1);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(GetInputDeviceDescription(-1, text), -1);
    EXPECT_STREQ(text, "");
}

TEST_F(FaderboxTest, SelectingFindsTheControlsAndOpensOneNotificationHandlePerSide)
{
    const Card card = selectCard();
    EXPECT_EQ(volumeIds(), (std::vector<uint32_t>{card.waveOutVolume, card.recordVolume, card.selector, kNone}));
    EXPECT_EQ(backend->watchCount(card.mixer), 2u);

    // Selecting again replaces the handle instead of adding one.
    EXPECT_EQ(SelectOutputDevice(0), 0);
    EXPECT_EQ(SelectInputDevice(0), 0);
    EXPECT_EQ(backend->watchCount(card.mixer), 2u);

    EXPECT_EQ(DeSelectOutputDevice(), 0);
    EXPECT_EQ(DeSelectInputDevice(), 0);
    EXPECT_EQ(backend->watchCount(card.mixer), 0u);
}

TEST_F(FaderboxTest, ANumberEqualToTheDeviceCountSelectsNothing)
{
    const Card card = selectCard();
    const std::vector<uint32_t> before = volumeIds();
    EXPECT_EQ(SelectOutputDevice(1), -1);
    EXPECT_EQ(SelectInputDevice(1), -1);
    EXPECT_EQ(SelectOutputDevice(-1), -1);
    EXPECT_EQ(volumeIds(), before);
    EXPECT_EQ(backend->watchCount(card.mixer), 2u);
    EXPECT_TRUE(backend->writes().empty());
}

TEST_F(FaderboxTest, ValuesStillWorkAfterDeselecting)
{
    const Card card = selectCard();
    DeSelectOutputDevice();
    DeSelectInputDevice();
    ASSERT_EQ(SelectInputSource(1), 0);

    uint32_t values[2] = {};
    EXPECT_EQ(GetCurrentOutputVolSetting(2, values), 0);
    EXPECT_EQ(values[0], 32767u);
    EXPECT_EQ(SetCurrentOutputLevel(20), 0);
    EXPECT_EQ(backend->value(card.waveOutVolume), 13107u);
    EXPECT_EQ(GetCurrentInputLevel(), 50);
}

TEST_F(FaderboxTest, AWaveOutLineWithoutMuteIsSelectedButCannotBeUnmuted)
{
    CardOptions options;
    options.waveOutMute = false;
    const Card card = mixertest::AddCard(*backend, options);
    backend->setValues(card.speakersMute, {1});

    EXPECT_EQ(SelectOutputDevice(0), 0);
    EXPECT_EQ(volumeIds()[0], card.waveOutVolume);
    EXPECT_EQ(UnmuteOutput(), -2);
    EXPECT_EQ(backend->value(card.speakersMute), 1u);  // nothing was touched
}

TEST_F(FaderboxTest, SelectionFailsWithoutASpeakersVolumeOrWhenTheMixerCannotBeOpened)
{
    // An output mixer whose speakers line has no volume gives no range.
    const uint32_t bare = backend->addMixer("Bare");
    const uint32_t speakers = backend->addDestination(bare, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, "Speakers");
    const uint32_t wave = backend->addSource(bare, speakers, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, "Wave");
    backend->addVolume(bare, wave, 0, 65535, 100);
    backend->addWaveOutDevice("Bare", bare);
    EXPECT_EQ(SelectOutputDevice(0), -1);
    EXPECT_EQ(backend->watchCount(bare), 0u);

    // A recording-only mixer with a master volume has no range either.
    const uint32_t recorder = backend->addMixer("Recorder");
    const uint32_t waveIn = backend->addDestination(recorder, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, "Recording");
    backend->addVolume(recorder, waveIn, 0, 65535, 100);
    backend->addWaveInDevice("Recorder", recorder);
    EXPECT_EQ(SelectInputDevice(0), -1);

    const Card card = mixertest::AddCard(*backend);
    backend->failOpen(card.mixer);
    EXPECT_EQ(SelectOutputDevice(1), -1);
    EXPECT_EQ(SelectInputDevice(1), -1);
    backend->failOpen(card.mixer, false);
    EXPECT_EQ(SelectOutputDevice(1), 0);
    EXPECT_EQ(SelectInputDevice(1), 0);
}

TEST_F(FaderboxTest, ADeviceWithoutAMixerOfItsOwnUsesMixerZero)
{
    const Card card = mixertest::AddCard(*backend);
    backend->addWaveOutDevice("Orphan", std::nullopt);
    backend->addWaveInDevice("Orphan", std::nullopt);
    EXPECT_EQ(SelectOutputDevice(1), 0);
    EXPECT_EQ(SelectInputDevice(1), 0);
    EXPECT_EQ(volumeIds()[0], card.waveOutVolume);
    EXPECT_EQ(volumeIds()[1], card.recordVolume);
}

TEST_F(FaderboxTest, TheKindOfRecordSelectorIsReported)
{
    for (Selector selector : {Selector::Mux, Selector::Mixer, Selector::Neither}) {
        CardOptions options;
        options.selector = selector;
        const Card card = selectCard(options);
        EXPECT_EQ(IsMixerMuxType(), selector == Selector::Mux ? 1 : 0);
        EXPECT_EQ(IsMixerMixerType(), selector == Selector::Mixer ? 1 : 0);
        EXPECT_EQ(volumeIds()[2], selector == Selector::Neither ? kNone : card.selector);
    }
}

TEST_F(FaderboxTest, ChangesArePostedToTheCallbackWindowWithTheControlIdentifier)
{
    const Card card = selectCard();
    window.deliver();
    window.clear();

    backend->setValues(card.waveOutVolume, {1000, 2000});  // another program
    ASSERT_EQ(SelectInputSource(2), 0);                    // our own writes notify too
    window.deliver();
    ASSERT_FALSE(window.messages().empty());
    for (const Message& message : window.messages())
        EXPECT_EQ(message.message, 0x3D1u);
    EXPECT_TRUE(window.received(card.waveOutVolume));
    EXPECT_TRUE(window.received(card.selector));

    DeSelectOutputDevice();
    DeSelectInputDevice();
    window.clear();
    backend->setValues(card.waveOutVolume, {5, 5});
    EXPECT_TRUE(window.deliver().empty());
}

}  // namespace
