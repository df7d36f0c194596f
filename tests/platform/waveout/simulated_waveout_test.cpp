// The wave output device's bookkeeping, on the simulated device: header
// flags, done messages in order, reset, pause, position and the checks made
// before anything is opened.
#include <gtest/gtest.h>

#include "sound_support.h"
#include "waveout/simulated_waveout.h"
#include "waveout_device.h"

#include <QCoreApplication>

#include <array>
#include <memory>

namespace {

using namespace platform;
using soundtest::MessageLog;

// The simulated device posts its messages on the calling thread: delivering
// what is posted shows every message it sent, with no waiting.
void DeliverPostedMessages() { QCoreApplication::sendPostedEvents(); }

WAVEFORMATEX VoiceFormat(uint32_t rate = 22050)
{
    return {WAVE_FORMAT_PCM, 1, rate, rate * 2, 2, 16, 0};
}

class SimulatedWaveOutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { soundtest::EnsureQtApplication(); }
    void SetUp() override { simulated_ = SimulatedWaveOut::Install(); }
    void TearDown() override
    {
        if (device_) {
            waveOutReset(device_);
            for (WAVEHDR& header : headers_)
                waveOutUnprepareHeader(device_, &header, sizeof(WAVEHDR));
            waveOutClose(device_);
        }
        UseAlsaWaveOut();
    }

    void openAndPrepare(uint32_t rate = 22050)
    {
        const WAVEFORMATEX format = VoiceFormat(rate);
        ASSERT_EQ(waveOutOpen(&device_, WAVE_MAPPER, &format, log_.handle(), 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
        for (size_t i = 0; i < headers_.size(); ++i) {
            headers_[i] = WAVEHDR{};
            headers_[i].lpData = buffers_[i].data();
            headers_[i].dwBufferLength = uint32_t(buffers_[i].size());
            ASSERT_EQ(waveOutPrepareHeader(device_, &headers_[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        }
    }

    MMRESULT write(int index) { return waveOutWrite(device_, &headers_[index], sizeof(WAVEHDR)); }

    std::vector<intptr_t> doneHeaders() const
    {
        std::vector<intptr_t> headers;
        for (const auto& entry : log_.entries()) {
            EXPECT_EQ(entry.message, MM_WOM_DONE);
            EXPECT_EQ(entry.wParam, device_);
            headers.push_back(entry.lParam);
        }
        return headers;
    }

    intptr_t address(int index) { return intptr_t(&headers_[index]); }

    bool waitForMessages(size_t count)
    {
        return soundtest::RunEventLoopUntil([&] { return log_.entries().size() >= count; },
                                            std::chrono::seconds(10));
    }

    std::shared_ptr<SimulatedWaveOut> simulated_;
    MessageLog log_;
    HWAVEOUT device_ = 0;
    std::array<std::vector<char>, 3> buffers_{std::vector<char>(8096), std::vector<char>(8096),
                                              std::vector<char>(100)};
    std::array<WAVEHDR, 3> headers_{};
};

TEST_F(SimulatedWaveOutTest, HeadersComeBackInWritingOrderWithTheirAddressAndTheDeviceHandle)
{
    openAndPrepare();
    EXPECT_EQ(simulated_->handle(), device_);
    EXPECT_EQ(simulated_->format().nSamplesPerSec, 22050u);
    ASSERT_EQ(write(1), MMSYSERR_NOERROR);
    ASSERT_EQ(write(0), MMSYSERR_NOERROR);
    ASSERT_EQ(write(2), MMSYSERR_NOERROR);
    EXPECT_EQ(WaveHeaderFlags(headers_[1]), WHDR_PREPARED | WHDR_INQUEUE);
    EXPECT_EQ(simulated_->queuedHeaders(), 3u);

    EXPECT_EQ(simulated_->completeNextHeader(), &headers_[1]);
    EXPECT_EQ(WaveHeaderFlags(headers_[1]), WHDR_PREPARED | WHDR_DONE);
    EXPECT_EQ(WaveHeaderFlags(headers_[0]), WHDR_PREPARED | WHDR_INQUEUE);
    EXPECT_EQ(simulated_->completeNextHeader(), &headers_[0]);
    EXPECT_EQ(simulated_->completeNextHeader(), &headers_[2]);
    EXPECT_EQ(simulated_->completeNextHeader(), nullptr);

    ASSERT_TRUE(waitForMessages(3));
    DeliverPostedMessages();
    EXPECT_EQ(doneHeaders(), (std::vector<intptr_t>{address(1), address(0), address(2)}));

    // A done header goes out again: written, its done flag is cleared.
    ASSERT_EQ(write(1), MMSYSERR_NOERROR);
    EXPECT_EQ(WaveHeaderFlags(headers_[1]), WHDR_PREPARED | WHDR_INQUEUE);
}

TEST_F(SimulatedWaveOutTest, ResetReturnsEveryOutstandingHeaderAndTheClockStartsAgain)
{
    openAndPrepare();
    ASSERT_EQ(write(0), MMSYSERR_NOERROR);
    ASSERT_EQ(write(1), MMSYSERR_NOERROR);
    simulated_->setPosition(3000);
    MMTIME time{TIME_SAMPLES, {}};
    ASSERT_EQ(waveOutGetPosition(device_, &time, sizeof time), MMSYSERR_NOERROR);
    EXPECT_EQ(time.u.sample, 3000u);

    // Both headers are still queued: neither can be unprepared, the device not closed.
    EXPECT_EQ(waveOutUnprepareHeader(device_, &headers_[0], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(device_), WAVERR_STILLPLAYING);

    ASSERT_EQ(waveOutReset(device_), MMSYSERR_NOERROR);
    // Done as soon as reset returns, before any message is delivered.
    EXPECT_EQ(WaveHeaderFlags(headers_[0]), WHDR_PREPARED | WHDR_DONE);
    EXPECT_EQ(WaveHeaderFlags(headers_[1]), WHDR_PREPARED | WHDR_DONE);
    EXPECT_EQ(simulated_->queuedHeaders(), 0u);
    ASSERT_EQ(waveOutGetPosition(device_, &time, sizeof time), MMSYSERR_NOERROR);
    EXPECT_EQ(time.u.sample, 0u);

    ASSERT_TRUE(waitForMessages(2));
    DeliverPostedMessages();
    EXPECT_EQ(doneHeaders(), (std::vector<intptr_t>{address(0), address(1)}));

    // Nothing outstanding: a second reset returns nothing more.
    ASSERT_EQ(waveOutReset(device_), MMSYSERR_NOERROR);
    DeliverPostedMessages();
    EXPECT_EQ(log_.entries().size(), 2u);
}

TEST_F(SimulatedWaveOutTest, PositionIsReportedInSamplesBytesAndMilliseconds)
{
    openAndPrepare(11025);
    simulated_->setPosition(22050);
    MMTIME time{TIME_SAMPLES, {}};
    waveOutGetPosition(device_, &time, sizeof time);
    EXPECT_EQ(time.u.sample, 22050u);
    time.wType = TIME_BYTES;
    waveOutGetPosition(device_, &time, sizeof time);
    EXPECT_EQ(time.u.cb, 44100u);
    time.wType = TIME_MS;
    waveOutGetPosition(device_, &time, sizeof time);
    EXPECT_EQ(time.u.ms, 2000u);
    // A kind the device does not keep is answered in bytes.
    time.wType = 0x08;
    waveOutGetPosition(device_, &time, sizeof time);
    EXPECT_EQ(time.wType, TIME_BYTES);
    EXPECT_EQ(time.u.cb, 44100u);
}

TEST_F(SimulatedWaveOutTest, PauseAndRestartAreSeenByTheDevice)
{
    openAndPrepare();
    EXPECT_FALSE(simulated_->paused());
    waveOutPause(device_);
    EXPECT_TRUE(simulated_->paused());
    waveOutReset(device_);
    EXPECT_TRUE(simulated_->paused());  // a reset does not restart
    waveOutRestart(device_);
    EXPECT_FALSE(simulated_->paused());
}

TEST_F(SimulatedWaveOutTest, AFailingOpenGivesItsCodeAndNoDevice)
{
    const WAVEFORMATEX format = VoiceFormat();
    for (MMRESULT code : {MMSYSERR_ALLOCATED, WAVERR_BADFORMAT, MMSYSERR_NODRIVER}) {
        simulated_->failOpens(code);
        HWAVEOUT device = 12345;
        EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, log_.handle(), 0, CALLBACK_WINDOW), code);
        EXPECT_EQ(device, 0u);
    }
    EXPECT_EQ(simulated_->successfulOpens(), 0);
    simulated_->failOpens(MMSYSERR_NOERROR);
    openAndPrepare();
    EXPECT_EQ(simulated_->successfulOpens(), 1);
}

TEST_F(SimulatedWaveOutTest, MisusedHeadersAndHandlesAreRefused)
{
    openAndPrepare();
    WAVEHDR unprepared{};
    unprepared.lpData = buffers_[0].data();
    unprepared.dwBufferLength = 10;
    EXPECT_EQ(waveOutWrite(device_, &unprepared, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    ASSERT_EQ(write(0), MMSYSERR_NOERROR);
    EXPECT_EQ(write(0), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutWrite(device_, nullptr, sizeof(WAVEHDR)), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutWrite(device_, &headers_[1], sizeof(WAVEHDR) - 1), MMSYSERR_INVALPARAM);
    WAVEHDR noData{};
    noData.dwBufferLength = 8;
    EXPECT_EQ(waveOutPrepareHeader(device_, &noData, sizeof(WAVEHDR)), MMSYSERR_INVALPARAM);

    const HWAVEOUT unknown = device_ + 1000;
    EXPECT_EQ(waveOutWrite(unknown, &headers_[1], sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutReset(unknown), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutClose(unknown), MMSYSERR_INVALHANDLE);
    MMTIME time{TIME_BYTES, {}};
    EXPECT_EQ(waveOutGetPosition(unknown, &time, sizeof time), MMSYSERR_INVALHANDLE);

    // A closed device's handle is not reused, and is dead.
    const HWAVEOUT closed = device_;
    waveOutReset(device_);
    for (WAVEHDR& header : headers_)
        waveOutUnprepareHeader(device_, &header, sizeof(WAVEHDR));
    ASSERT_EQ(waveOutClose(device_), MMSYSERR_NOERROR);
    device_ = 0;
    EXPECT_FALSE(simulated_->isOpen());
    EXPECT_EQ(waveOutRestart(closed), MMSYSERR_INVALHANDLE);
}

TEST_F(SimulatedWaveOutTest, FormatsThatAreNotPlainPcmAreRefusedBeforeAnyDeviceOpens)
{
    struct Case {
        const char* what;
        WAVEFORMATEX format;
    };
    const Case cases[] = {
        {"compressed", {0x55, 1, 22050, 44100, 2, 16, 0}},
        {"12 bits", {WAVE_FORMAT_PCM, 1, 22050, 33075, 2, 12, 0}},
        {"no channels", {WAVE_FORMAT_PCM, 0, 22050, 0, 0, 16, 0}},
        {"no rate", {WAVE_FORMAT_PCM, 1, 0, 0, 2, 16, 0}},
        {"block align", {WAVE_FORMAT_PCM, 2, 22050, 88200, 2, 16, 0}},
        {"bytes per second", {WAVE_FORMAT_PCM, 1, 22050, 22050, 2, 16, 0}},
    };
    for (const Case& c : cases) {
        HWAVEOUT device = 0;
        EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &c.format, log_.handle(), 0, CALLBACK_WINDOW), WAVERR_BADFORMAT)
            << c.what;
    }
    const WAVEFORMATEX good = VoiceFormat();
    HWAVEOUT device = 0;
    EXPECT_EQ(waveOutOpen(&device, 7, &good, log_.handle(), 0, CALLBACK_WINDOW), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &good, log_.handle(), 0, 0x30000), MMSYSERR_INVALFLAG);
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, nullptr, log_.handle(), 0, CALLBACK_WINDOW), MMSYSERR_INVALPARAM);
    EXPECT_EQ(simulated_->successfulOpens(), 0);
}

TEST_F(SimulatedWaveOutTest, WithoutAWindowNoMessagesAreSentButTheFlagsTellTheStory)
{
    const WAVEFORMATEX format = VoiceFormat();
    ASSERT_EQ(waveOutOpen(&device_, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    headers_[0] = WAVEHDR{};
    headers_[0].lpData = buffers_[0].data();
    headers_[0].dwBufferLength = 8096;
    waveOutPrepareHeader(device_, &headers_[0], sizeof(WAVEHDR));
    ASSERT_EQ(write(0), MMSYSERR_NOERROR);
    simulated_->completeNextHeader();
    EXPECT_TRUE(WaveHeaderFlags(headers_[0]) & WHDR_DONE);
    DeliverPostedMessages();
    EXPECT_TRUE(log_.entries().empty());
}

}  // namespace

// The device thread may find the queue empty and report everything played
// just as a new header arrives: that header must wait to be taken and
// played, not come back unheard.
TEST(WaveOutDevice, AHeaderWrittenAfterTheLastTakeIsNotCompletedUnplayed)
{
    class Device : public platform::WaveOutDevice {
    public:
        using WaveOutDevice::WaveOutDevice;
        size_t Take(uint8_t* to, size_t max)
        {
            std::lock_guard lock(mutex_);
            return takeLocked(to, max);
        }
        void PlayedAllQueued()
        {
            std::lock_guard lock(mutex_);
            playedLocked(queuedBytesLocked());
        }
    };
    Device device(platform::WAVEFORMATEX{platform::WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0});
    std::array<std::array<char, 64>, 2> data{};
    data[1].fill(7);
    std::array<platform::WAVEHDR, 2> headers{};
    for (size_t i = 0; i < 2; ++i) {
        headers[i].lpData = data[i].data();
        headers[i].dwBufferLength = 64;
        headers[i].dwFlags = platform::WHDR_PREPARED;
    }
    ASSERT_EQ(device.write(&headers[0]), platform::MMSYSERR_NOERROR);
    std::array<uint8_t, 256> taken{};
    EXPECT_EQ(device.Take(taken.data(), taken.size()), 64u);
    ASSERT_EQ(device.write(&headers[1]), platform::MMSYSERR_NOERROR);
    device.PlayedAllQueued();
    EXPECT_TRUE(headers[0].dwFlags & platform::WHDR_DONE);
    EXPECT_FALSE(headers[1].dwFlags & platform::WHDR_DONE);
    ASSERT_EQ(device.Take(taken.data(), taken.size()), 64u);
    EXPECT_EQ(taken[0], 7);
    EXPECT_EQ(taken[63], 7);
}
