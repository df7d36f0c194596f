// Volumes, levels and unmuting of libfaderbox.
#include "faderbox_fixture.h"

using namespace platform;
using namespace mixertest;

namespace {

using Values = std::vector<uint32_t>;

TEST_F(FaderboxTest, SelectingTheOutputUnmutesAndLiftsNearSilentVolumesToATenth)
{
    const Card card = mixertest::AddCard(*backend);
    backend->setValues(card.speakersMute, {1});
    backend->setValues(card.waveOutMute, {1});
    backend->setValues(card.waveOutVolume, {6552, 6552});  // one below a tenth
    backend->setValues(card.speakersVolume, {6553, 6553});  // exactly a tenth

    ASSERT_EQ(SelectOutputDevice(0), 0);
    EXPECT_EQ(backend->value(card.speakersMute), 0u);
    EXPECT_EQ(backend->value(card.waveOutMute), 0u);
    EXPECT_EQ(backend->values(card.waveOutVolume), (Values{6553, 6553}));
    EXPECT_EQ(backend->values(card.speakersVolume), (Values{6553, 6553}));
    for (const auto& write : backend->writes())
        EXPECT_NE(write.controlId, card.speakersVolume) << "a volume at the floor is left alone";
}

TEST_F(FaderboxTest, UnmuteOutputReportsAControlThatCannotBeSetOrRead)
{
    const Card card = selectCard();
    backend->failWrites(card.waveOutMute);
    EXPECT_EQ(UnmuteOutput(), -3);
    backend->failWrites(card.waveOutMute, false);
    backend->failReads(card.speakersVolume);
    EXPECT_EQ(UnmuteOutput(), -3);
    backend->failReads(card.speakersVolume, false);
    EXPECT_EQ(UnmuteOutput(), 0);
}

TEST_F(FaderboxTest, OutputLevelsAreRelativeToTheMaximum)
{
    const Card card = selectCard();
    EXPECT_EQ(SetCurrentOutputLevel(50), 0);
    ASSERT_EQ(backend->writes().size(), 1u);
    EXPECT_EQ(backend->writes()[0].values, (Values{32767, 32767}));
    EXPECT_EQ(GetCurrentOutputLevel(), 50);

    const std::pair<uint32_t, int32_t> readings[] = {{65535, 99}, {0, 0}, {655, 1}, {656, 2}, {65534, 99}};
    for (auto [value, level] : readings) {
        backend->setValues(card.waveOutVolume, {value, 0});
        EXPECT_EQ(GetCurrentOutputLevel(), level) << "value " << value;
    }
    EXPECT_EQ(SetCurrentOutputLevel(99), 0);
    EXPECT_EQ(backend->value(card.waveOutVolume), 65535u);
    EXPECT_EQ(SetCurrentOutputLevel(0), 0);
    EXPECT_EQ(backend->value(card.waveOutVolume), 0u);
}

TEST_F(FaderboxTest, LevelsUseTheMaximumAloneEvenWithARaisedMinimum)
{
    // A range of 1000..2000: level 50 is 1000 (the minimum), 1500 reads as 76.
    const uint32_t mixer = backend->addMixer("Offset");
    const uint32_t speakers = backend->addDestination(mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, "Speakers");
    backend->addVolume(mixer, speakers, 1000, 2000, 1500);
    const uint32_t wave = backend->addSource(mixer, speakers, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, "Wave");
    const uint32_t volume = backend->addVolume(mixer, wave, 1000, 2000, 1500);
    backend->addWaveOutDevice("Offset", mixer);
    ASSERT_EQ(SelectOutputDevice(0), 0);
    EXPECT_EQ(GetCurrentOutputLevel(), 76);
    EXPECT_EQ(SetCurrentOutputLevel(50), 0);
    EXPECT_EQ(backend->value(volume), 1000u);
    EXPECT_EQ(GetCurrentOutputLevel(), 0);
}

TEST_F(FaderboxTest, InputLevelsOutsideTheScaleGiveTheBounds)
{
    const Card card = selectCard();
    ASSERT_EQ(SelectInputSource(1), 0);
    EXPECT_EQ(SetCurrentInputLevel(150), 0);
    EXPECT_EQ(backend->values(card.sourceVolumes[1]), (Values{65535, 65535}));
    EXPECT_EQ(SetCurrentInputLevel(-5), 0);
    EXPECT_EQ(backend->values(card.sourceVolumes[1]), (Values{0, 0}));
    EXPECT_EQ(GetCurrentInputLevel(), 0);
}

TEST_F(FaderboxTest, VolumeSettingsReadAndWriteOneOrTwoChannels)
{
    const Card card = selectCard();
    backend->setValues(card.waveOutVolume, {1000, 3000});

    uint32_t values[2] = {7, 7};
    EXPECT_EQ(GetCurrentOutputVolSetting(2, values), 0);
    EXPECT_EQ(values[0], 1000u);
    EXPECT_EQ(values[1], 3000u);
    EXPECT_EQ(GetCurrentOutputVolSetting(1, values), 0);
    EXPECT_EQ(values[0], 1000u);
    EXPECT_EQ(values[1], 0u);

    const uint32_t both[2] = {40000, 20000};
    EXPECT_EQ(SetCurrentOutputVolSetting(2, both), 0);
    EXPECT_EQ(backend->values(card.waveOutVolume), (Values{40000, 20000}));
    EXPECT_EQ(SetCurrentOutputVolSetting(1, both), 0);
    EXPECT_EQ(backend->values(card.waveOutVolume), (Values{40000, 40000}));

    EXPECT_EQ(GetCurrentOutputVolSetting(3, values), -1);
    EXPECT_EQ(GetCurrentOutputVolSetting(2, nullptr), -1);
    backend->failReads(card.waveOutVolume);
    EXPECT_EQ(GetCurrentOutputVolSetting(2, values), -1);
    EXPECT_EQ(GetCurrentOutputLevel(), -3);
    backend->failWrites(card.waveOutVolume);
    EXPECT_EQ(SetCurrentOutputLevel(10), -3);
}

TEST_F(FaderboxTest, InputVolumesNeedASelectedSource)
{
    const Card card = selectCard();
    uint32_t values[2] = {};
    EXPECT_EQ(GetCurrentInputVolSetting(1, values), -2);
    EXPECT_EQ(GetCurrentInputLevel(), -2);
    EXPECT_EQ(SetCurrentInputLevel(40), -2);

    ASSERT_EQ(SelectInputSource(2), 0);
    const uint32_t loud = 60000;
    EXPECT_EQ(SetCurrentInputVolSetting(1, &loud), 0);
    EXPECT_EQ(backend->values(card.sourceVolumes[2]), (Values{60000, 60000}));
    EXPECT_EQ(GetCurrentInputVolSetting(1, values), 0);
    EXPECT_EQ(values[0], 60000u);
    backend->failReads(card.sourceVolumes[2]);
    EXPECT_EQ(GetCurrentInputLevel(), -3);
}

}  // namespace
