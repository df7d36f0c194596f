// The window's mixer controls on a scripted sound card: the set-up, the volume
// sliders, the record-source button and read-out, following changes made by
// other programs, the missing-device messages and the tear-down.
#include <QCoreApplication>
#include <QLabel>
#include <QTest>

#include "application_exit.h"
#include "messages/messages.h"
#include "mixer_panel.h"
#include "mixer_sliders.h"
#include "prtlsbtn.h"
#include "prtltbar.h"
#include "window_fixture.h"

namespace {

using mixertest::CardOptions;
using mixertest::Selector;
using platform::MM_MIXM_CONTROL_CHANGE;

constexpr int kTop = 0;        // the loud end of a slider
constexpr int kBottom = 255;   // the soft end

// Each test arranges its card first, then creates the window.
class WindowMixerTest : public WindowTest {
protected:
    void SetUp() override { InstallTestPlatform(); }

    void Start(const CardOptions& options = {})
    {
        card = mixertest::AddCard(*mixer, options);
        CreateForm();
        Settle();
    }

    // Delivers the notifications the set-up's own writes caused, then starts
    // the write log afresh.
    void Settle()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
        mixer->clearWrites();
    }

    // Posts a control-change notification and delivers it.
    void Notify(intptr_t controlId)
    {
        platform::PostWindowMessage(form->Mixer().Handle(), MM_MIXM_CONTROL_CHANGE, 0, controlId);
        QCoreApplication::sendPostedEvents();
    }

    // What the window last wrote to a control: one value on every channel.
    std::optional<uint32_t> LastWrite(uint32_t controlId) const
    {
        std::optional<uint32_t> last;
        for (const platform::ScriptedMixerBackend::Write& write : mixer->writes()) {
            if (write.controlId != controlId)
                continue;
            EXPECT_EQ(std::count(write.values.begin(), write.values.end(), write.values.at(0)),
                      long(write.values.size()));
            last = write.values.at(0);
        }
        return last;
    }

    // Moves a slider as the user does, with signals, and returns what it wrote.
    std::optional<uint32_t> Move(TPRTL_TrackBar* slider, int position, uint32_t controlId)
    {
        mixer->clearWrites();
        slider->SetPosition(position);
        return LastWrite(controlId);
    }

    // Shows a position without telling the mixer, so that only a refresh can
    // bring the slider back.
    static void Displace(TPRTL_TrackBar* slider, int position)
    {
        const bool blocked = slider->blockSignals(true);
        slider->SetPosition(position);
        slider->blockSignals(blocked);
    }

    static int PositionFor(uint32_t volume) { return 255 - int((volume * 2 + 257) / 514); }

    void ClickSourceButton() { Click(form->RecSourceToggleButton); }
};

TEST_F(WindowMixerTest, SetUpSelectsTheMicrophoneAndShowsTheVolumes)
{
    // The first devices cannot be opened: the next ones are taken.
    const uint32_t broken = mixer->addMixer("Broken");
    mixer->addWaveOutDevice("Broken", broken);
    mixer->addWaveInDevice("Broken", broken);
    mixer->failOpen(broken);
    CardOptions options;
    options.sources = {"Line In", "CD", "Front Microphone"};
    card = mixertest::AddCard(*mixer, options);
    mixer->setValues(card.waveOutVolume, {20000, 40000});
    mixer->setValues(card.sourceVolumes[2], {10000, 10000});
    CreateForm();

    EXPECT_TRUE(form->Mixer().Ready());
    EXPECT_EQ(form->Mixer().CurrentRecordSource(), 2u);
    EXPECT_EQ(form->Mixer().RecordSourceCount(), 3u);
    EXPECT_EQ(form->Mixer().RecordSource(), 2);
    EXPECT_EQ(mixer->values(card.selector), (std::vector<uint32_t>{0, 0, 1}));
    EXPECT_EQ(form->RecSourceLabel->text(), "Front Microphone");
    EXPECT_EQ(form->RecSourceLabel->toolTip(), "Front Microphone");
    EXPECT_EQ(form->SpeakerSlider->Position(), 255 - 156);  // the louder channel, 40000 / 257 = 155.6
    EXPECT_EQ(form->MikeSlider->Position(), 255 - 39);      // 10000 / 257 = 38.9
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(terminateRequests, 0);
    EXPECT_EQ(mixer->watchCount(card.mixer), 2u);  // output and input notify the window
    EXPECT_EQ(mixer->watchCount(broken), 0u);
}

TEST_F(WindowMixerTest, SlidersWriteTheirValueOnTheFullScaleWithTheTopLoud)
{
    Start();
    const struct {
        int position;
        uint32_t volume;
    } cases[] = {{kTop, 65535}, {kBottom, 0}, {255 - 128, 32896}, {255 - 1, 257}};
    for (const auto& c : cases) {
        EXPECT_EQ(Move(form->SpeakerSlider, c.position, card.waveOutVolume), c.volume) << c.position;
        EXPECT_EQ(Move(form->MikeSlider, c.position, card.sourceVolumes[0]), c.volume) << c.position;
    }
    // The keyboard moves the slider like the mouse does.
    mixer->clearWrites();
    QTest::keyClick(form->SpeakerSlider, Qt::Key_Home);
    EXPECT_EQ(LastWrite(card.waveOutVolume), 65535u);
    EXPECT_EQ(mixer->values(card.waveOutVolume), (std::vector<uint32_t>{65535, 65535}));
}

TEST_F(WindowMixerTest, TheSourceButtonStepsThroughTheSourcesAndWrapsToTheFirst)
{
    CardOptions options;
    options.sources = {"Line In", "CD", "Mic"};
    Start(options);
    ASSERT_EQ(form->Mixer().CurrentRecordSource(), 2u);
    mixer->setValues(card.sourceVolumes[0], {5000, 5000});  // below a tenth: raised on selection

    ClickSourceButton();
    EXPECT_EQ(form->Mixer().CurrentRecordSource(), 0u);
    EXPECT_EQ(form->Mixer().RecordSource(), 0);
    EXPECT_EQ(form->RecSourceLabel->text(), "Line In");
    EXPECT_EQ(form->RecSourceLabel->toolTip(), "Line In");
    EXPECT_EQ(mixer->values(card.selector), (std::vector<uint32_t>{1, 0, 0}));
    const uint32_t raised = mixer->value(card.sourceVolumes[0]);
    EXPECT_GT(raised, 5000u);
    EXPECT_EQ(form->MikeSlider->Position(), PositionFor(raised));

    ClickSourceButton();
    EXPECT_EQ(form->RecSourceLabel->text(), "CD");
    EXPECT_EQ(form->Mixer().RecordSource(), 1);
    // The slider now drives the new source's volume.
    EXPECT_EQ(Move(form->MikeSlider, kTop, card.sourceVolumes[1]), 65535u);
}

// The one deliberate departure: without a source named like a microphone the
// first source is chosen at start, so the recording slider and the read-out
// work at once (PulseAudio offers a single source named "Capture").
TEST_F(WindowMixerTest, WithoutAMicrophoneTheFirstSourceIsRecordedFromTheStart)
{
    CardOptions options;
    options.sources = {"Line In", "CD", "Aux"};
    options.selector = Selector::Mixer;
    card = mixertest::AddCard(*mixer, options);
    std::vector<uint32_t> elsewhere{0, 1, 0};  // another program left CD on
    mixer->setValues(card.selector, elsewhere);
    CreateForm();
    Settle();

    EXPECT_EQ(form->Mixer().CurrentRecordSource(), 0u);
    EXPECT_EQ(form->Mixer().RecordSource(), 0);
    EXPECT_EQ(form->RecSourceLabel->text(), "Line In");
    EXPECT_EQ(mixer->values(card.selector), (std::vector<uint32_t>{1, 0, 0}));
    EXPECT_EQ(Move(form->MikeSlider, 255 - 100, card.sourceVolumes[0]), 25700u);
    ClickSourceButton();
    EXPECT_EQ(form->RecSourceLabel->text(), "CD");
}

TEST(RecordSourceSteps, ANegativeCodeHeldUnsignedStepsLikeAnyOtherValue)
{
    // -2 held as 4294967294: the next of three sources is 4294967295 mod 3.
    EXPECT_EQ(mixer_sliders::NextRecordSource(4294967294u, 3), 0u);
    EXPECT_EQ(mixer_sliders::NextRecordSource(4294967295u, 3), 0u);  // wraps to 0 on 32 bits, 0 mod 3
    EXPECT_EQ(mixer_sliders::NextRecordSource(2, 3), 0u);
    EXPECT_EQ(mixer_sliders::NextRecordSource(0, 1), 0u);
    // No sources, or a failed count: nothing to step to (and no division by zero).
    EXPECT_EQ(mixer_sliders::NextRecordSource(4294967294u, 0), std::nullopt);
    EXPECT_EQ(mixer_sliders::NextRecordSource(0, 4294967295u), std::nullopt);
    EXPECT_EQ(mixer_sliders::NextRecordSource(0, 4294967294u), std::nullopt);
}

TEST(SliderScale, PositionsAndVolumesRoundToTheNearestStep)
{
    using mixer_sliders::SliderPositionFromVolume;
    using mixer_sliders::VolumeFromSliderValue;
    for (int value = 0; value <= 255; ++value) {
        ASSERT_EQ(VolumeFromSliderValue(value, 255), uint32_t(value) * 257);
        ASSERT_EQ(SliderPositionFromVolume(uint32_t(value) * 257, 0, 255), 255 - value);
    }
    EXPECT_EQ(SliderPositionFromVolume(128, 0, 255), 255);       // 0.498 of a step
    EXPECT_EQ(SliderPositionFromVolume(129, 0, 255), 254);       // 0.502 of a step
    EXPECT_EQ(SliderPositionFromVolume(100000, 0, 255), 255 - 389);  // past the top: the slider clamps
    EXPECT_EQ(VolumeFromSliderValue(1, 2), 32768u);  // 32767.5: the even neighbour
    EXPECT_EQ(VolumeFromSliderValue(3, 2), 98302u);  // 98302.5: the even neighbour
}

TEST_F(WindowMixerTest, WithoutSourcesTheButtonDoesNothing)
{
    CardOptions options;
    options.sources = {};
    options.selector = Selector::Neither;
    Start(options);
    EXPECT_EQ(form->Mixer().RecordSourceCount(), 0u);
    EXPECT_EQ(form->RecSourceLabel->text(), "");
    EXPECT_TRUE(form->Mixer().Ready());

    ClickSourceButton();
    EXPECT_EQ(form->Mixer().CurrentRecordSource(), 4294967294u);  // GetMicrophoneSourceIndex's -2, held unsigned
    EXPECT_EQ(form->RecSourceLabel->text(), "");
    EXPECT_TRUE(mixer->writes().empty());
}

TEST_F(WindowMixerTest, ChangesMadeElsewhereMoveTheSlidersAndAreNeverWrittenBack)
{
    Start();
    mixer->setValues(card.waveOutVolume, {30000, 12000});  // out of balance
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(form->SpeakerSlider->Position(), 255 - 117);  // the louder channel, 30000 / 257 = 116.7
    EXPECT_EQ(mixer->values(card.waveOutVolume), (std::vector<uint32_t>{30000, 12000}));

    mixer->setValues(card.sourceVolumes[0], {60000, 60000});
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(form->MikeSlider->Position(), 255 - 233);  // 60000 / 257 = 233.46
    EXPECT_EQ(mixer->value(card.sourceVolumes[0]), 60000u);

    // The record master volume refreshes the recording slider from the source.
    Displace(form->MikeSlider, 3);
    mixer->setValues(card.recordVolume, {1000, 1000});
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(form->MikeSlider->Position(), PositionFor(mixer->value(card.sourceVolumes[0])));
    EXPECT_TRUE(mixer->writes().empty());

    // The user's own move writes, on both channels.
    EXPECT_EQ(Move(form->SpeakerSlider, 255 - 100, card.waveOutVolume), 25700u);
    EXPECT_EQ(mixer->values(card.waveOutVolume), (std::vector<uint32_t>{25700, 25700}));
}

TEST_F(WindowMixerTest, NotificationsForOtherControlsChangeNothing)
{
    CardOptions options;
    options.selector = Selector::Neither;  // no record selector: its id is none (0xFFFFFFFF)
    Start(options);
    Displace(form->SpeakerSlider, 7);
    Displace(form->MikeSlider, 9);
    mixer->setValues(card.sourceMutes[0], {1});  // our source muted, the second unmuted
    mixer->setValues(card.sourceMutes[1], {0});
    mixer->setValues(card.speakersVolume, {100, 100});
    QCoreApplication::sendPostedEvents();
    for (intptr_t id : {intptr_t(9999), intptr_t(-1), intptr_t(0xFFFFFFFFu), intptr_t(card.speakersMute)})
        Notify(id);

    EXPECT_EQ(form->SpeakerSlider->Position(), 7);
    EXPECT_EQ(form->MikeSlider->Position(), 9);
    EXPECT_EQ(form->Mixer().CurrentRecordSource(), 0u);
    EXPECT_EQ(form->RecSourceLabel->text(), "Mic");
    EXPECT_TRUE(mixer->writes().empty());

    // The wave-out volume's own identifier does refresh.
    Notify(intptr_t(card.waveOutVolume));
    EXPECT_EQ(form->SpeakerSlider->Position(), PositionFor(mixer->value(card.waveOutVolume)));
}

class FollowSourceTest : public WindowMixerTest, public ::testing::WithParamInterface<Selector> {};

TEST_P(FollowSourceTest, ASourceChosenElsewhereBecomesTheWindowsSource)
{
    CardOptions options;
    options.selector = GetParam();
    Start(options);
    ASSERT_EQ(form->RecSourceLabel->text(), "Mic");

    // Another program chooses CD.
    if (GetParam() == Selector::Neither) {
        mixer->setValues(card.sourceMutes[2], {0});
        mixer->setValues(card.sourceMutes[0], {1});
    } else {
        mixer->setValues(card.selector, {0, 0, 1});
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents();

    if (GetParam() == Selector::Neither) {
        // Lines chosen by muting notify through their mutes, which are none of
        // the window's four controls: the read-out stays, and the window does
        // not fight the other program's choice.
        EXPECT_EQ(form->RecSourceLabel->text(), "Mic");
        EXPECT_EQ(form->Mixer().CurrentRecordSource(), 0u);
        EXPECT_TRUE(mixer->writes().empty());
        return;
    }
    EXPECT_EQ(form->Mixer().CurrentRecordSource(), 2u);
    EXPECT_EQ(form->Mixer().RecordSource(), 2);
    EXPECT_EQ(form->RecSourceLabel->text(), "CD");
    EXPECT_EQ(mixer->values(card.selector), (std::vector<uint32_t>{0, 0, 1}));
    EXPECT_EQ(Move(form->MikeSlider, kTop, card.sourceVolumes[2]), 65535u);

    // A second source switched on beside ours (a MIXER's set of switches):
    // the first other one wins and ours goes off.
    if (GetParam() == Selector::Mixer) {
        mixer->setValues(card.selector, {0, 1, 1});
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(form->RecSourceLabel->text(), "Line In");
        EXPECT_EQ(mixer->values(card.selector), (std::vector<uint32_t>{0, 1, 0}));
    }
    // The window's own selection notifies too, and finds nothing to follow.
    mixer->clearWrites();
    Notify(intptr_t(card.selector));
    EXPECT_TRUE(mixer->writes().empty());
}

INSTANTIATE_TEST_SUITE_P(AllKinds, FollowSourceTest,
                         ::testing::Values(Selector::Mux, Selector::Mixer, Selector::Neither),
                         [](const auto& info) { return std::string(mixertest::SelectorName(info.param)); });

TEST_F(WindowMixerTest, NoWaveOutputDeviceEndsTheProgramWithItsMessage)
{
    const uint32_t spare = mixer->addMixer("Input Only");
    mixer->addWaveInDevice("Input Only", spare);
    CreateForm();

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "There are no Wave Out Devices installed on your system, Terminating...");
    EXPECT_EQ(messages[0].caption, kApplicationTitle);
    EXPECT_EQ(terminateRequests, 1);
    EXPECT_TRUE(form->TerminationRequested());
    EXPECT_FALSE(form->Mixer().Ready());
    EXPECT_EQ(mixer->watchCount(spare), 0u);  // the input side was never reached
    // Creation completed all the same.
    EXPECT_EQ(form->windowTitle(), "Warblecast - New File");
}

TEST_F(WindowMixerTest, NoWaveInputDeviceEndsTheProgramWithItsMessage)
{
    const uint32_t outputOnly = mixer->addMixer("Output Only");
    const uint32_t speakers =
        mixer->addDestination(outputOnly, platform::MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, "Speakers");
    mixer->addVolume(outputOnly, speakers, 0, 65535, 30000);
    const uint32_t wave =
        mixer->addSource(outputOnly, speakers, platform::MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, "Wave");
    const uint32_t waveOutVolume = mixer->addVolume(outputOnly, wave, 0, 65535, 30000);
    mixer->addWaveOutDevice("Output Only", outputOnly);
    CreateForm();

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "There are no Wave Input Devices installed on your system, Terminating...");
    EXPECT_EQ(terminateRequests, 1);
    EXPECT_FALSE(form->Mixer().Ready());
    EXPECT_EQ(mixer->watchCount(outputOnly), 1u);  // the output device was selected first
    // A window that never became ready ignores the mixer's notifications.
    Notify(intptr_t(waveOutVolume));
    EXPECT_EQ(form->SpeakerSlider->Position(), 0);
    form.reset();
    EXPECT_EQ(mixer->watchCount(outputOnly), 0u);
}

TEST_F(WindowMixerTest, NoWorkingDeviceIsNoReasonToEnd)
{
    // Devices that cannot be selected are tried in turn, without a message.
    const uint32_t broken = mixer->addMixer("Broken");
    mixer->addWaveOutDevice("Broken", broken);
    mixer->addWaveInDevice("Broken", broken);
    mixer->failOpen(broken);
    CreateForm();
    Settle();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(terminateRequests, 0);
    EXPECT_TRUE(form->Mixer().Ready());
    EXPECT_EQ(form->RecSourceLabel->text(), "");
    mixer->clearWrites();
    ClickSourceButton();
    form->SpeakerSlider->SetPosition(kTop);
    form->MikeSlider->SetPosition(kTop);
    EXPECT_TRUE(mixer->writes().empty());
}

// A backend that reports, as each notification route closes, what the window
// still holds at that moment.
class ObservedBackend : public platform::ScriptedMixerBackend {
public:
    std::function<void()> onClose;

    std::unique_ptr<platform::MixerWatch> watch(uint32_t mixerId, platform::WindowHandle window,
                                                uintptr_t wParam) override
    {
        std::unique_ptr<platform::MixerWatch> inner = ScriptedMixerBackend::watch(mixerId, window, wParam);
        return inner ? std::make_unique<Observed>(std::move(inner), *this) : nullptr;
    }

private:
    class Observed : public platform::MixerWatch {
    public:
        Observed(std::unique_ptr<platform::MixerWatch> inner, ObservedBackend& owner)
            : inner_(std::move(inner)), owner_(owner)
        {
        }
        ~Observed() override
        {
            if (owner_.onClose)
                owner_.onClose();
        }

    private:
        std::unique_ptr<platform::MixerWatch> inner_;
        ObservedBackend& owner_;
    };
};

TEST_F(WindowMixerTest, DestructionDeselectsTheMixerBeforeAnythingElse)
{
    auto observed = std::make_shared<ObservedBackend>();
    mixer = observed;
    platform::SetMixerBackend(mixer);
    Start();
    const QString voice = PathOf("voice.wav");
    WriteVoice(voice, TestTone(2205));
    Open(voice);
    ASSERT_EQ(Voice().VoiceBytes(), 4410);

    TMainForm* window = form.get();
    std::vector<int32_t> voiceBytesAtClose;
    observed->onClose = [&] { voiceBytesAtClose.push_back(window->Document().Voice().VoiceBytes()); };
    form.reset();
    observed->onClose = nullptr;

    EXPECT_EQ(voiceBytesAtClose, (std::vector<int32_t>{4410, 4410}));  // output, then input
    EXPECT_EQ(observed->watchCount(card.mixer), 0u);
}

}  // namespace
