#include "voice_recorder.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <unistd.h>

#include "tapedeck/tapedeck.h"
#include "wave_format.h"

namespace {

struct CodeError {
    uint16_t code;
    VoiceRecorder::Error error;
};

// The library's codes as the user reads them.
constexpr CodeError kRecordingErrors[] = {
    {TAPEDECK_BAD_FORMAT,
     {"Recording Error ",
      "Your device is unable to record at the rate or mode you have selected.  Please check your manual."}},
    {TAPEDECK_NO_MEMORY,
     {"Recording Error",
      "Unable to allocate sufficient memory for record operation.  Please exit from other applications and try "
      "again.\")"}},
    {TAPEDECK_CANNOT_CREATE_FILE,
     {"Recording Error",
      "Unable to open file for temporary storage of record data.  Please exit from other applications and try "
      "again."}},
    {TAPEDECK_NO_DEVICE,
     {"Recording Error", "Your device is unavailable or unable to record .  Please check your installation."}},
    {TAPEDECK_CANNOT_START, {"Recording Error", "Unable to start recording."}},
    {TAPEDECK_ALREADY_RECORDING, {"Recording Error", "Recording already in progress."}},
    {TAPEDECK_NO_FILE_NAME, {"Recording Error", "Recording file not specified."}},
};

// A new, unique, empty file "PRT..." in folder; its path, or an empty string
// when none can be created there.
std::string CreateRecordingFile(const QString& folder)
{
    QByteArray path = QFile::encodeName(QDir(folder).filePath("PRTXXXXXX"));
    const int fd = mkstemp(path.data());
    if (fd < 0)
        return {};
    close(fd);
    return path.toStdString();
}

}  // namespace

VoiceRecorder::VoiceRecorder(RecordingApi api) : api_(std::move(api)) {}

VoiceRecorder::~VoiceRecorder()
{
    if (recording_)
        api_.audioStopRecord();
}

uint16_t VoiceRecorder::Start(const QString& folder, uint16_t recordSource)
{
    if (recording_)
        return TAPEDECK_ALREADY_RECORDING;
    const std::string path = CreateRecordingFile(folder);
    if (path.empty())
        return TAPEDECK_CANNOT_CREATE_FILE;
    const auto& format = voice::VoiceFormat;
    const uint16_t result = api_.audioStartRecord(path.c_str(), format.samplesPerSecond, format.bitsPerSample,
                                                  format.channels, recordSource);
    if (result != TAPEDECK_OK) {
        std::remove(path.c_str());
        return result;
    }
    fileName_ = path;
    if (!startTime_)
        startTime_ = api_.clockMs();
    recording_ = true;
    return TAPEDECK_OK;
}

bool VoiceRecorder::Stop()
{
    if (api_.audioStopRecord() != TAPEDECK_OK)
        return false;
    recording_ = false;
    startTime_.reset();
    return true;
}

void VoiceRecorder::RemoveFile()
{
    if (!fileName_.empty())
        std::remove(fileName_.c_str());
    fileName_.clear();
}

float VoiceRecorder::Level() const
{
    int32_t level = 0, second = 0;
    api_.audioGetRecordLevel(&level, &second);
    return float(level) / 100;
}

uint32_t VoiceRecorder::ElapsedMs() const { return api_.clockMs() - startTime_.value_or(0); }

std::optional<VoiceRecorder::Error> VoiceRecorder::ErrorFor(uint16_t code)
{
    for (const CodeError& entry : kRecordingErrors)
        if (entry.code == code)
            return entry.error;
    return std::nullopt;
}
