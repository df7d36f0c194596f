// A main window under test: real controls and files, with the message box and
// file dialogs replaced by functions that record each request and answer it,
// a scripted sound card in place of the machine's mixer (one wave output and
// one wave input device), the simulated wave output device and a recording
// library that finds no capture device (or the scripted recorder below), so
// no test depends on the machine's sound.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/dialogs.h"
#include "document_commands.h"
#include "effect_settings.h"
#include "mainform.h"
#include "mixer/scripted_mixer.h"
#include "mixer_test_support.h"
#include "recording_api.h"
#include "waveout/simulated_waveout.h"

class TProgressForm;

// Stands in for the recording library and the clock: answers with the codes
// and levels a real sound card gives only rarely, writes the "recorded" file
// when it is stopped, and shows what it was asked.
struct ScriptedRecorder {
    std::deque<uint16_t> startResults;  // then 0
    std::deque<uint16_t> stopResults;   // then 0
    int32_t level = 0;
    uint32_t now = 5000;
    // Written at the path when a stop succeeds (nothing when empty).
    QByteArray recordedFile;

    int starts = 0, stops = 0;
    std::string path;
    uint32_t rate = 0;
    uint16_t bits = 0, channels = 0, source = 0xFFFF;
    bool pathExistedEmpty = false;

    RecordingApi Api();
};

class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    // The test platform, the default sound card, then the window.
    void SetUp() override;
    void TearDown() override;

    // Dialogs, the scripted mixer and the termination request replaced.
    void InstallTestPlatform();
    // The window with its progress window, over whatever mixer is arranged.
    void CreateForm();

    // A path in the test's own folder.
    QString PathOf(const QString& name) const { return folder.filePath(name); }

    // The next file dialogs answer these paths in turn (an empty one cancels).
    void AnswerFileDialogs(const QStringList& paths);

    // Writes a 22050 Hz 16-bit mono voice file (with the settings record when given).
    void WriteVoice(const QString& path, const std::vector<int16_t>& samples,
                    const voice::EffectSettings* settings = nullptr) const;
    // A second of a sweeping tone, so effects change it audibly.
    static std::vector<int16_t> TestTone(int count = 22050);

    // A left click in the middle of a control, as the mouse makes it.
    static void Click(QWidget* control);

    // The window's voice.
    const voice::VoiceDocument& Voice() const { return form->Document().Voice(); }
    // Opens a voice file through File > Open (its dialog is not counted).
    void Open(const QString& path);
    // The bytes of a wave file as the recording library would leave it.
    QByteArray WaveBytes(const std::vector<int16_t>& samples, uint32_t rate = 22050, uint16_t channels = 1);
    // Clicks Record on the scripted recorder; the recording runs.
    void StartRecording();
    // Records these samples with two clicks on Record: an untitled voice.
    void RecordVoice(const std::vector<int16_t>& samples);

    std::shared_ptr<platform::ScriptedMixerBackend> mixer = std::make_shared<platform::ScriptedMixerBackend>();
    std::shared_ptr<platform::SimulatedWaveOut> waveOut;
    mixertest::Card card;  // the card SetUp arranges
    int terminateRequests = 0;
    std::unique_ptr<TMainForm> form;
    TProgressForm* progress = nullptr;  // owned by the form
    QTemporaryDir folder;
    std::vector<platform::MessageRequest> messages;
    std::vector<platform::FileDialogRequest> fileDialogs;
    std::deque<QString> fileAnswers;
    // The answer to a question with Save, Discard and Cancel.
    platform::MessageAnswer questionAnswer = platform::MessageAnswer::Cancel;
    ScriptedRecorder recorder;

private:
    std::shared_ptr<platform::MixerBackend> previousMixer_;
};

// The bytes of a file, or none when it cannot be read.
std::vector<uint8_t> FileBytes(const QString& path);

// The chunks of a RIFF WAVE file, by id, as found at the top level.
struct WaveChunks {
    std::vector<uint8_t> fmt;
    std::vector<uint8_t> prtl;
    std::vector<uint8_t> data;
    bool hasPrtl = false;
};
WaveChunks ReadChunks(const QString& path);

uint16_t Word(const std::vector<uint8_t>& bytes, size_t offset);
uint32_t DWord(const std::vector<uint8_t>& bytes, size_t offset);
