// VoiceRecorder on a scripted recording library and clock: its own file, what
// it hands the library, the level, the elapsed time, failed starts and stops.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

#include "tapedeck/tapedeck.h"
#include "voice_recorder.h"

namespace {

class VoiceRecorderTest : public ::testing::Test {
protected:
    RecordingApi Api()
    {
        return {[this](const char* file, uint32_t rate, uint16_t bits, uint16_t channels, uint16_t source) {
                    path = file;
                    asked = {rate, bits, channels, source};
                    fileWasEmpty = QFileInfo(QString::fromStdString(path)).size() == 0;
                    return startResult;
                },
                [this] { return stopResult; }, [this](int32_t* value, int32_t*) { *value = level; },
                [this] { return now; }};
    }

    QStringList Files() const { return QDir(folder.path()).entryList(QDir::Files); }

    QTemporaryDir folder;
    std::string path;
    struct Asked {
        uint32_t rate = 0;
        uint16_t bits = 0, channels = 0, source = 0;
    } asked;
    bool fileWasEmpty = false;
    uint16_t startResult = TAPEDECK_OK, stopResult = TAPEDECK_OK;
    int32_t level = 0;
    uint32_t now = 1000;
};

TEST_F(VoiceRecorderTest, ARecordingGoesToAFileOfItsOwnUntilItIsRemoved)
{
    VoiceRecorder recorder(Api());
    ASSERT_EQ(recorder.Start(folder.path(), 7), TAPEDECK_OK);
    EXPECT_TRUE(recorder.IsRecording());
    EXPECT_EQ(asked.rate, 22050u);
    EXPECT_EQ(asked.bits, 16);
    EXPECT_EQ(asked.channels, 1);
    EXPECT_EQ(asked.source, 7);
    EXPECT_TRUE(fileWasEmpty);
    EXPECT_EQ(recorder.FileName(), path);
    ASSERT_EQ(Files().size(), 1);
    EXPECT_TRUE(Files().front().startsWith("PRT"));

    level = 37;
    now += 2500;
    EXPECT_FLOAT_EQ(recorder.Level(), 0.37f);
    EXPECT_EQ(recorder.ElapsedMs(), 2500u);

    // A stop the library refuses leaves the recording running.
    stopResult = 1;
    EXPECT_FALSE(recorder.Stop());
    EXPECT_TRUE(recorder.IsRecording());
    stopResult = TAPEDECK_OK;
    EXPECT_TRUE(recorder.Stop());
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_EQ(Files().size(), 1);  // for the owner to read
    recorder.RemoveFile();
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_TRUE(recorder.FileName().empty());

    // The next recording's clock starts afresh.
    ASSERT_EQ(recorder.Start(folder.path(), 0), TAPEDECK_OK);
    now += 40;
    EXPECT_EQ(recorder.ElapsedMs(), 40u);
}

TEST_F(VoiceRecorderTest, AStartThatFailsLeavesNoFileAndNothingRunning)
{
    VoiceRecorder recorder(Api());
    startResult = TAPEDECK_NO_DEVICE;
    EXPECT_EQ(recorder.Start(folder.path(), 0), TAPEDECK_NO_DEVICE);
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_TRUE(recorder.FileName().empty());

    // A folder that takes no file: the library is not asked.
    path.clear();
    EXPECT_EQ(recorder.Start(folder.filePath("missing"), 0), TAPEDECK_CANNOT_CREATE_FILE);
    EXPECT_TRUE(path.empty());

    EXPECT_EQ(VoiceRecorder::ErrorFor(TAPEDECK_BAD_FORMAT)->caption, std::string("Recording Error "));
    EXPECT_FALSE(VoiceRecorder::ErrorFor(208));
}

TEST_F(VoiceRecorderTest, ARecordingStillRunningAtTheEndIsStoppedAndItsFileLeft)
{
    int stops = 0;
    RecordingApi api = Api();
    api.audioStopRecord = [&] {
        ++stops;
        return uint16_t(TAPEDECK_OK);
    };
    {
        VoiceRecorder recorder(api);
        ASSERT_EQ(recorder.Start(folder.path(), 0), TAPEDECK_OK);
    }
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(Files().size(), 1);
}

}  // namespace
