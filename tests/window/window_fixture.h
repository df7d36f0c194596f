// A main window under test: real controls and files, with the message box and
// file dialogs replaced by functions that record each request and answer it,
// a scripted sound card in place of the machine's mixer (one wave output and
// one wave input device), the simulated wave output device and a recording
// library that finds no capture device, so no test depends on the machine's
// sound.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "dialogs/dialogs.h"
#include "effect_settings.h"
#include "mainform.h"
#include "mixer/scripted_mixer.h"
#include "mixer_test_support.h"
#include "waveout/simulated_waveout.h"

class TProgressForm;

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
