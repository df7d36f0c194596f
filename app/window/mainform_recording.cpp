// TMainForm: recording. The recording library records into a temporary wave
// file; when it stops, the window reads that file with the same reader that
// opens voice files, makes it the voice and deletes the file. While recording,
// the timer shows the input level on the LED meter and the elapsed time.
#include <QDir>
#include <QFile>

#include <cstdio>
#include <unistd.h>

#include "dialogs/dialogs.h"
#include "export_files.h"
#include "main_feedback.h"
#include "mainform.h"
#include "prtlsbtn.h"
#include "prtlvled.h"
#include "tapedeck/tapedeck.h"
#include "time_readout.h"
#include "wave_format.h"

namespace {

struct RecordingError {
    uint16_t code;
    const char* caption;
    const char* text;
};

// The library's codes as the user reads them.
constexpr RecordingError kRecordingErrors[] = {
    {TAPEDECK_BAD_FORMAT, "Recording Error ",
     "Your device is unable to record at the rate or mode you have selected.  Please check your manual."},
    {TAPEDECK_NO_MEMORY, "Recording Error",
     "Unable to allocate sufficient memory for record operation.  Please exit from other applications and try "
     "again.\")"},
    {TAPEDECK_CANNOT_CREATE_FILE, "Recording Error",
     "Unable to open file for temporary storage of record data.  Please exit from other applications and try "
     "again."},
    {TAPEDECK_NO_DEVICE, "Recording Error",
     "Your device is unavailable or unable to record .  Please check your installation."},
    {TAPEDECK_CANNOT_START, "Recording Error", "Unable to start recording."},
    {TAPEDECK_ALREADY_RECORDING, "Recording Error", "Recording already in progress."},
    {TAPEDECK_NO_FILE_NAME, "Recording Error", "Recording file not specified."},
};

// A new, unique, empty file "PRT..." in the temporary folder; its path, or an
// empty string when none can be created there.
std::string CreateRecordingFile()
{
    QByteArray path = QFile::encodeName(QDir(export_files::TempFolder()).filePath("PRTXXXXXX"));
    const int fd = mkstemp(path.data());
    if (fd < 0)
        return {};
    close(fd);
    return path.toStdString();
}

}  // namespace

void TMainForm::OldRecordButtonClick()
{
    if (playing)
        return;
    if (recording) {
        // Stopped from the button: the new voice may be saved and exported.
        if (StopRecording())
            EnableVoiceCommands(true);
        return;
    }
    StartRecording();
    if (!recording)
        RecordButton->SetDown(false);
}

// The voice in memory is replaced only once the recording runs: a start that
// fails (no microphone, a full disk) leaves it as it was.
void TMainForm::StartRecording()
{
    if (recording || playing)
        return;
    const std::string path = CreateRecordingFile();
    uint16_t result = TAPEDECK_CANNOT_CREATE_FILE;
    if (!path.empty()) {
        SelectRecordSource();
        const auto& format = voice::VoiceFormat;
        result = recordingApi_.audioStartRecord(path.c_str(), format.samplesPerSecond, format.bitsPerSample,
                                                format.channels, recordSource);
    }
    if (result != TAPEDECK_OK) {
        if (!path.empty())
            std::remove(path.c_str());
        ShowRecordingError(result);
        return;
    }
    Voice.ReleaseSamples();
    ResetEffects();
    ClearVoice();
    recording_.fileName = path;
    if (!recording_.startTime)
        recording_.startTime = recordingApi_.clockMs();
    recording = true;
}

void TMainForm::ShowRecordingError(uint16_t code)
{
    for (const RecordingError& error : kRecordingErrors) {
        if (error.code == code) {
            platform::ShowMessage(error.text, error.caption, this);
            return;
        }
    }
}

bool TMainForm::StopRecording()
{
    if (recordingApi_.audioStopRecord() != TAPEDECK_OK)
        return false;
    FinishRecording();
    return true;
}

void TMainForm::FinishRecording()
{
    recording = false;
    if (LoadRecordedFile()) {
        ShowVoiceLength();
        ShowVoice();
    } else {
        Inform("Create final buffer failed.");
    }
    recording_.startTime.reset();
    Voice.VoiceChanged = true;
    RecordButton->SetDown(false);
    std::remove(recording_.fileName.c_str());
    recording_.fileName.clear();
    VolLED->SetProgress(0);
}

// A file the reader refuses (or none at all) leaves no voice, with the
// reader's own message; only a voice without memory for its working copy
// counts as a failure.
bool TMainForm::LoadRecordedFile()
{
    LongWork work(*this);
    WaitCursor wait;
    voice::EffectSettings discarded = CaptureSettings();
    voice::SampleBlock samples = voice::ReadWaveFile(recording_.fileName, discarded, *feedback_);
    if (samples && !Voice.AdoptVoice(std::move(samples))) {
        Inform("cannot allocate memory!!!");
        return false;
    }
    return true;
}

void TMainForm::FollowRecording()
{
    int32_t level = 0, second = 0;
    recordingApi_.audioGetRecordLevel(&level, &second);
    VolLED->SetProgress(float(level) / 100);
    const uint32_t elapsed = recordingApi_.clockMs() - recording_.startTime.value_or(0);
    ShowTime(voice::SecondsToThirtySeconds(double(elapsed) / 1000));
}
