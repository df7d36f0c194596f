// VoiceRecorder: records a new voice through the recording library into a
// temporary wave file of its own ("PRT" followed by a unique part), reports
// the input level and the time since the start while it runs, and hands the
// finished file to its owner, who reads it and then has it removed.
//
// Rules:
// - One recording at a time. Start writes nothing to the mixer: the record
//   source the owner names is passed to the library as it stands.
// - A start that fails removes its file and leaves nothing running.
// - A stop the library refuses leaves the recording running; the owner may
//   ask again.
// - The elapsed time counts from the first start since the last stop.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

#include "recording_api.h"

class VoiceRecorder {
public:
    explicit VoiceRecorder(RecordingApi api = RecordingApi::Library());
    // A recording still running is stopped; its file stays where it is.
    ~VoiceRecorder();
    VoiceRecorder(const VoiceRecorder&) = delete;
    VoiceRecorder& operator=(const VoiceRecorder&) = delete;

    // What the recorder calls outside: tests script it.
    void SetApi(RecordingApi api) { api_ = std::move(api); }

    // Creates the recording file in folder and starts the library on it in
    // the voice's format, from recordSource. Returns 0 when the recording
    // runs, else the library's code (203 when no file can be created there).
    uint16_t Start(const QString& folder, uint16_t recordSource);
    // Asks the library to stop; true once it has. The recording's file
    // (FileName) then waits for RemoveFile.
    bool Stop();
    // Removes the finished recording's file.
    void RemoveFile();

    bool IsRecording() const { return recording_; }
    // The file the recording goes to; empty when there is none.
    const std::string& FileName() const { return fileName_; }
    // The input level now, 0 to 1.
    float Level() const;
    uint32_t ElapsedMs() const;

    // How the user reads a start's failure code: none for codes that have
    // no message.
    struct Error {
        const char* caption;
        const char* text;
    };
    static std::optional<Error> ErrorFor(uint16_t code);

private:
    RecordingApi api_;
    bool recording_ = false;
    std::string fileName_;
    std::optional<uint32_t> startTime_;  // the clock when the recording started
};
