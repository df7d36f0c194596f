// VoicePlayer on the simulated wave output device: the test returns each
// buffer and sets the position, so the double buffer, the following and the
// end are checked exactly.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <vector>

#include "voice_player.h"
#include "waveout/simulated_waveout.h"

namespace {

using platform::WAVEHDR;

int argc = 1;
char name[] = "voice_player_test";
char* argv[] = {name, nullptr};

class VoicePlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }
    void TearDown() override { platform::UseAlsaWaveOut(); }

    // Delivers the done messages the device has posted.
    static void Deliver() { QCoreApplication::sendPostedEvents(); }

    static std::vector<uint8_t> Sound(size_t bytes)
    {
        std::vector<uint8_t> sound(bytes);
        for (size_t i = 0; i < bytes; ++i)
            sound[i] = uint8_t(i * 7 + i / 251);
        return sound;
    }

    std::shared_ptr<platform::SimulatedWaveOut> device = platform::SimulatedWaveOut::Install();
    VoicePlayer player;
};

TEST_F(VoicePlayerTest, TheTwoBuffersTakeTurnsUntilTheWholeSoundIsPlayed)
{
    const std::vector<uint8_t> sound = Sound(3 * VoicePlayer::kHeaderBytes + 1000);
    ASSERT_EQ(player.Start(sound.data(), int32_t(sound.size()), 11025), platform::MMSYSERR_NOERROR);
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_EQ(device->format().nSamplesPerSec, 11025u);
    EXPECT_EQ(device->format().nAvgBytesPerSec, 22050u);
    EXPECT_FALSE(device->paused());
    EXPECT_EQ(device->queuedHeaders(), 2u);

    std::vector<uint8_t> heard;
    std::vector<const WAVEHDR*> order;
    while (WAVEHDR* header = device->completeNextHeader()) {
        ASSERT_FALSE(player.IsFinished());
        heard.insert(heard.end(), header->lpData, header->lpData + header->dwBufferLength);
        order.push_back(header);
        Deliver();  // refills the header just returned
    }
    EXPECT_EQ(heard, sound);
    ASSERT_EQ(order.size(), 4u);
    EXPECT_NE(order[0], order[1]);
    EXPECT_EQ(order[2], order[0]);
    EXPECT_EQ(order[3], order[1]);
    EXPECT_TRUE(player.IsFinished());
    EXPECT_TRUE(player.Follow().windUp);
    player.WindUp();
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_FALSE(device->isOpen());
}

TEST_F(VoicePlayerTest, FollowingTrailsTheSoundByATickAndFindsTheEndOfTheData)
{
    const std::vector<uint8_t> sound = Sound(16000);  // all of it queued at once
    ASSERT_EQ(player.Start(sound.data(), int32_t(sound.size()), 22050), platform::MMSYSERR_NOERROR);
    device->setPosition(1000);
    VoicePlayer::Progress progress = player.Follow();
    EXPECT_EQ(progress.samplesPlayed, 1000u);
    EXPECT_EQ(progress.viewPosition, 0);
    device->setPosition(3001);
    progress = player.Follow();
    EXPECT_EQ(progress.viewPosition, 2000);  // where the previous tick was
    EXPECT_FALSE(progress.windUp);

    // The end of the data: the device is reset, and the buffers it returns
    // finish the playback for the tick after.
    device->setPosition(8000);
    progress = player.Follow();
    EXPECT_EQ(progress.viewPosition, std::nullopt);
    EXPECT_FALSE(progress.windUp);
    EXPECT_EQ(device->queuedHeaders(), 0u);
    Deliver();
    EXPECT_TRUE(player.IsFinished());
    progress = player.Follow();
    EXPECT_EQ(progress.viewPosition, 6002);
    EXPECT_TRUE(progress.windUp);
}

TEST_F(VoicePlayerTest, MessagesForAnotherDeviceOrAfterAStopRefillNothing)
{
    const std::vector<uint8_t> sound = Sound(5 * VoicePlayer::kHeaderBytes);
    ASSERT_EQ(player.Start(sound.data(), int32_t(sound.size()), 22050), platform::MMSYSERR_NOERROR);
    WAVEHDR* first = device->completeNextHeader();
    Deliver();
    ASSERT_EQ(device->queuedHeaders(), 2u);
    platform::PostWindowMessage(player.Handle(), platform::MM_WOM_DONE, device->handle() + 1,
                                intptr_t(reinterpret_cast<uintptr_t>(first)));
    Deliver();
    EXPECT_EQ(device->queuedHeaders(), 2u);

    player.Stop();
    EXPECT_TRUE(player.IsFinished());
    EXPECT_EQ(device->queuedHeaders(), 0u);
    Deliver();
    EXPECT_EQ(device->queuedHeaders(), 0u);
    EXPECT_TRUE(player.IsPlaying());  // until the owner winds it up
}

TEST_F(VoicePlayerTest, ADeviceThatDoesNotOpenLeavesThePlayerIdle)
{
    const std::vector<uint8_t> sound = Sound(100);
    device->failOpens(platform::MMSYSERR_ALLOCATED);
    EXPECT_EQ(player.Start(sound.data(), int32_t(sound.size()), 22050), platform::MMSYSERR_ALLOCATED);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_TRUE(player.IsFinished());
    device->failOpens(platform::MMSYSERR_NOERROR);
    EXPECT_EQ(player.Start(sound.data(), int32_t(sound.size()), 22050), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(device->queuedHeaders(), 1u);  // one partial buffer
}

}  // namespace
