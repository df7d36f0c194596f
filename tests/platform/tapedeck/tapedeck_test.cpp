// The recording library on a real sound server: its result codes, the
// files it writes, what they hold and the input level, recorded from the
// null sink's monitor while the wave output device plays into the sink.
// The tests wait for what the device delivers (the file growing, the level
// falling), never for the clock; how closely a recording follows the clock
// and how fast a stop returns are measured by bench/audio/sound_timing.
#include <gtest/gtest.h>

#include "disk_calls.h"
#include "sound_support.h"
#include "tapedeck/tapedeck.h"
#include "test_signals.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>

namespace {

using namespace soundtest;
using namespace std::chrono_literals;

class TapedeckTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureQtApplication(); }
    void SetUp() override { AudioSetRecordDevice(nullptr); }
    void TearDown() override
    {
        EXPECT_EQ(AudioStopRecord(), 0);
        AudioSetRecordDevice(nullptr);
    }

    ScratchFolder scratch_;
};

int32_t Level(int32_t* second = nullptr)
{
    int32_t level = -1;
    AudioGetRecordLevel(&level, second);
    return level;
}

// The header and one stdio buffer of sound: the device has delivered sound
// and the file holds it.
constexpr uint64_t kSomeSound = 44 + 8192;

TEST_F(TapedeckTest, StartRefusesWhatItCannotRecordWithItsCode)
{
    const std::string path = scratch_.File("voice.wav");
    EXPECT_EQ(AudioStartRecord(nullptr, 22050, 16, 1, 0), TAPEDECK_NO_FILE_NAME);
    EXPECT_EQ(AudioStartRecord("", 22050, 16, 1, 0), TAPEDECK_NO_FILE_NAME);

    EXPECT_EQ(AudioStartRecord(path.c_str(), 22050, 12, 1, 0), TAPEDECK_BAD_FORMAT);
    EXPECT_EQ(AudioStartRecord(path.c_str(), 22050, 16, 0, 0), TAPEDECK_BAD_FORMAT);
    EXPECT_EQ(AudioStartRecord(path.c_str(), 22050, 16, 3, 0), TAPEDECK_BAD_FORMAT);
    EXPECT_EQ(AudioStartRecord(path.c_str(), 0, 16, 1, 0), TAPEDECK_BAD_FORMAT);
    // The sound server records at most 384 kHz: the device itself says no.
    EXPECT_EQ(AudioStartRecord(path.c_str(), 400000, 16, 1, 0), TAPEDECK_BAD_FORMAT);

    EXPECT_EQ(AudioStartRecord(scratch_.File("missing/voice.wav").c_str(), 22050, 16, 1, 0),
              TAPEDECK_CANNOT_CREATE_FILE);
    EXPECT_EQ(AudioStartRecord(scratch_.File("").c_str(), 22050, 16, 1, 0), TAPEDECK_CANNOT_CREATE_FILE);

    AudioSetRecordDevice("parrotel_no_such_device");
    EXPECT_EQ(AudioStartRecord(path.c_str(), 22050, 16, 1, 0), TAPEDECK_NO_DEVICE);
    AudioSetRecordDevice(nullptr);

    // None of these left a file behind or a recording running.
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(Level(), 0);
}

TEST_F(TapedeckTest, ASecondStartIsRefusedAndTouchesNothing)
{
    const std::string first = scratch_.File("first.wav");
    const std::string second = scratch_.File("second.wav");
    ASSERT_EQ(AudioStartRecord(first.c_str(), 22050, 16, 1, 0), TAPEDECK_OK);
    EXPECT_EQ(AudioStartRecord(second.c_str(), 22050, 16, 1, 0), TAPEDECK_ALREADY_RECORDING);
    EXPECT_FALSE(std::filesystem::exists(second));
    EXPECT_EQ(AudioStopRecord(), 0);
    WaveFile file;
    EXPECT_TRUE(ReadWaveFile(first, file));
    // Stopping again, with nothing running, is harmless.
    EXPECT_EQ(AudioStopRecord(), 0);
    // The library never works through a fixed file name the caller waits on.
    EXPECT_FALSE(std::filesystem::exists("UNTITLED.WAV"));
}

TEST_F(TapedeckTest, TheFileIsACompleteWaveFileInTheFormatAskedFor)
{
    struct Format {
        uint32_t rate;
        uint16_t bits;
        uint16_t channels;
    };
    for (const Format format : {Format{22050, 16, 1}, Format{44100, 16, 2}, Format{11025, 8, 1}, Format{8000, 8, 2}}) {
        SCOPED_TRACE(testing::Message() << format.rate << " Hz " << format.bits << " bits " << format.channels);
        const std::string path = scratch_.File("format.wav");
        ASSERT_EQ(AudioStartRecord(path.c_str(), format.rate, format.bits, format.channels, 0), TAPEDECK_OK);
        ASSERT_TRUE(WaitForFileSize(path, kSomeSound));
        ASSERT_EQ(AudioStopRecord(), 0);

        WaveFile file;
        ASSERT_TRUE(ReadWaveFile(path, file));
        const uint16_t blockAlign = uint16_t(format.bits / 8 * format.channels);
        EXPECT_EQ(file.formatTag, 1);
        EXPECT_EQ(file.channels, format.channels);
        EXPECT_EQ(file.samplesPerSecond, format.rate);
        EXPECT_EQ(file.bitsPerSample, format.bits);
        EXPECT_EQ(file.blockAlign, blockAlign);
        EXPECT_EQ(file.avgBytesPerSecond, format.rate * blockAlign);
        EXPECT_EQ(file.riffSize, file.fileSize - 8);
        EXPECT_EQ(file.data.size() % blockAlign, 0u);
        EXPECT_GE(file.data.size(), kSomeSound - 44);
        // Nothing plays: silence, which 8-bit samples keep at 128.
        const int silence = format.bits == 8 ? 0x80 : 0;
        for (size_t at = 0; at < file.data.size(); at += format.bits / 8) {
            const int sample = format.bits == 8 ? file.data[at] : int16_t(file.data[at] | file.data[at + 1] << 8);
            ASSERT_LE(std::abs(sample - silence), 1) << at;
        }
    }
}

TEST_F(TapedeckTest, TheStoppedRecordingIsOnTheDisk)
{
    const std::string path = std::filesystem::canonical(scratch_.File("")).string() + "/durable.wav";
    ASSERT_EQ(AudioStartRecord(path.c_str(), 22050, 16, 1, 0), TAPEDECK_OK);
    disktest::DiskCalls().clear();
    ASSERT_EQ(AudioStopRecord(), 0);
    // Flushed, with its folder, before the stop was reported.
    const std::vector<std::string> calls = disktest::DiskCalls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "fsync " + path), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "fsync " + path.substr(0, path.rfind('/'))), calls.end());
}

TEST_F(TapedeckTest, TheRecordingHoldsWhatWasPlayedWhileItRan)
{
    const std::string path = scratch_.File("played.wav");
    const Samples tone = testsignals::Tone(440, 22050 / 2, 12000);  // half a second
    ASSERT_EQ(AudioStartRecord(path.c_str(), 22050, 16, 1, 0), TAPEDECK_OK);
    ASSERT_TRUE(PlayToEnd(tone, 22050));
    ASSERT_TRUE(WaitUntilQuiet());
    ASSERT_EQ(AudioStopRecord(), 0);

    WaveFile file;
    ASSERT_TRUE(ReadWaveFile(path, file));
    const Samples heard = file.firstChannel();
    constexpr int kLoud = 2000;
    const size_t first = FirstLoudSample(heard, kLoud);
    ASSERT_LT(first, heard.size());
    size_t last = first;
    for (size_t i = first; i < heard.size(); ++i)
        if (std::abs(int(heard[i])) >= kLoud)
            last = i;
    // The tone at its own pitch (the monitor may lose up to a fifth of a
    // second where a stream begins), and the quiet after it: nothing was
    // cut off at the stop.
    EXPECT_NEAR(double(last - first) / 22050, 0.5, 0.21);
    EXPECT_NEAR(HeardFrequency(heard, first, last, 22050), 440, 1);
    EXPECT_GT(heard.size() - last, 22050u / 20);
}

TEST_F(TapedeckTest, TheLevelIsThePeakOfTheLastTenthOfASecond)
{
    const std::string path = scratch_.File("level.wav");
    ASSERT_EQ(AudioStartRecord(path.c_str(), 22050, 16, 1, 0), TAPEDECK_OK);
    ASSERT_TRUE(WaitForFileSize(path, kSomeSound));
    int32_t second = -1;
    EXPECT_EQ(Level(&second), 0);
    EXPECT_EQ(second, 0);

    // A tone at half of full scale reads as 50 while it plays.
    const Samples tone = testsignals::Tone(440, 22050, 16384);
    DoubleBufferPlayer player(PlayOnce(tone));
    ASSERT_EQ(player.open(22050), platform::MMSYSERR_NOERROR);
    player.start();
    std::vector<int32_t> levels;
    ASSERT_TRUE(RunEventLoopUntil([&] {
        int32_t level = Level(&second);
        if (level > 0) {
            levels.push_back(level);
            EXPECT_EQ(second, level);  // one channel
        }
        return player.finished();
    }, 5s));
    ASSERT_FALSE(levels.empty());
    EXPECT_NEAR(levels[levels.size() / 2], 50, 3);
    RecordProperty("tone_level", std::to_string(levels[levels.size() / 2]));

    // Once the sound has ended, the meter goes back to 0.
    EXPECT_TRUE(WaitUntilQuiet());
    player.close();
    ASSERT_EQ(AudioStopRecord(), 0);
    EXPECT_EQ(Level(), 0);
}

TEST_F(TapedeckTest, WhenTheSoundServerGoesAwayTheRecordingSoFarIsKept)
{
    const std::string path = scratch_.File("cut.wav");
    {
        PrivateSoundServer server(scratch_.File("server"));
        ASSERT_TRUE(server.running());
        ASSERT_EQ(AudioStartRecord(path.c_str(), 22050, 16, 1, 0), TAPEDECK_OK);
        ASSERT_TRUE(WaitForFileSize(path, 44 + 22050));  // half a second of sound
        const uint64_t recorded = std::filesystem::file_size(path);
        server.stop();
        EXPECT_EQ(AudioStopRecord(), 0);  // returns: nothing waits for the lost server
        WaveFile file;
        ASSERT_TRUE(ReadWaveFile(path, file));
        EXPECT_GE(file.fileSize, recorded);
        EXPECT_EQ(file.riffSize, file.fileSize - 8);
    }
}

// Restores the file size limit and the signal it raises.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(TapedeckTest, WhenTheDiskIsFullTheFileKeepsEveryWholeFrameThatFitted)
{
    const std::string path = scratch_.File("full.wav");
    constexpr rlim_t kLimit = 20001;
    // Started first: the sound server's client sets up its shared memory
    // on the way, which the limit would hamper.
    ASSERT_EQ(AudioStartRecord(path.c_str(), 44100, 16, 2, 0), TAPEDECK_OK);
    {
        FileSizeLimit limit(kLimit);
        ASSERT_TRUE(WaitForFileSize(path, kLimit));  // the file is full, the sound goes on
        EXPECT_EQ(AudioStopRecord(), 0);
    }
    WaveFile file;
    ASSERT_TRUE(ReadWaveFile(path, file));
    EXPECT_EQ(file.data.size(), (kLimit - 44) / 4 * 4);
    EXPECT_EQ(file.riffSize, file.fileSize - 8);
    EXPECT_EQ(file.fileSize, 44 + file.data.size());
}

}  // namespace
