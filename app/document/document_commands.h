// DocumentCommands: the one voice the program holds and the commands that
// load, save and export it: New, Open, the sample voices, Save, Save As,
// Export to WAVE, MP3 and RealAudio, the recorded file that becomes the
// voice, and the effect runs that play and export it.
//
// Rules:
// - It owns the VoiceDocument; the others read it (Voice) and are lent its
//   blocks, never keep them past the next command.
// - What it shows (caption, time read-out, wave view, messages, progress,
//   which File commands are enabled) and the effect switches it reads and
//   sets go through a DocumentView, which the window implements.
// - Expected failures are told in messages, never thrown; afterwards the
//   voice is whole or absent, never half there.
// - A recorded voice that was never saved is not given up without asking
//   "Save the recorded voice?" (KeepRecordedVoice): New, Open, the sample
//   voices and a dropped file ask before they replace it. A loaded file or
//   sample voice is replaced without a question.
// - Busy while an effect run, a load or an export is under way: the progress
//   window lets the window system's events through, and the window must not
//   close under the work.
// - It does not know whether sound is playing or recording: its callers
//   refuse the commands then.
#pragma once

#include <QString>

#include <memory>
#include <string>

#include "effect_pipeline.h"
#include "effect_settings.h"
#include "voice_document.h"
#include "voice_source.h"

class QWidget;
class TMediaExportForm;
class TWaveToMP3ConversionForm;
namespace export_files {
class ExportFiles;
}

// What the document shows and reads through the window.
class DocumentView : public voice::EffectRunHost {
public:
    // The effect switches and the pitch bar as the controls show them.
    virtual voice::EffectSwitches Switches() const = 0;
    // Every switch off, the pitch bar in the middle.
    virtual void ResetSwitches() = 0;
    // Sets the controls from a settings record, in the record's order.
    virtual void RestoreSwitches(const voice::EffectSettings& settings) = 0;
    virtual void ShowCaption(const QString& caption) = 0;
    // The time read-out's text.
    virtual void ShowReadout(const QString& text) = 0;
    // Save, Save As and Export.
    virtual void EnableVoiceCommands(bool enabled) = 0;
    // Dialogs and message boxes open over this widget.
    virtual QWidget* DialogOwner() = 0;
};

class DocumentCommands {
public:
    explicit DocumentCommands(DocumentView& view);
    DocumentCommands(const DocumentCommands&) = delete;
    DocumentCommands& operator=(const DocumentCommands&) = delete;

    const voice::VoiceDocument& Voice() const { return voice_; }
    // Long work is under way (see the rules above).
    bool Busy() const { return busy_ > 0; }
    // A recorded voice in memory was never saved.
    bool HoldsUnsavedRecording() const { return unsavedRecording_ && voice_.VoiceBytes() > 0; }

    // Where the sample voices lie: the program's folder unless set otherwise.
    void SetSampleFolder(const QString& folder) { sampleFolder_ = folder; }
    // What decodes files that are not wave files the reader takes (the
    // window's progress form); without one only those wave files open.
    void SetMediaDecoder(voice::MediaDecoder* decoder) { decoder_ = decoder; }

    // ---- The File menu ----
    void New();
    // Asks for a sound file and opens it.
    void Open();
    // Opens this file as the voice (Open's dialog chose it, it was dropped
    // or named on the command line), once the voice in memory may go. A
    // voice decoded from another format is not tied to its file: Save asks
    // for a wave file's name, proposing the same name with ".wav".
    void OpenFile(const QString& path);
    // SF1.WAV, SF2.WAV or SF3.WAV from the sample folder.
    void LoadSampleVoice(int number);
    void Save();
    // Asks for a name and saves the voice there; false when nothing was saved.
    bool SaveAs();
    void ExportToWave();
    // The processed voice goes to temporary files; the encoder's dialog
    // converts a copy; the files are removed when the dialog is done.
    void ExportToMp3(TWaveToMP3ConversionForm& form);
    // The same for the RealAudio library's dialog, which proposes the
    // voice's name with ".ra". True when a RealAudio file was written; false
    // when nothing was (no voice, a temporary file that could not be written,
    // the user cancelled, or the conversion failed: the dialog says why).
    bool ExportToRealAudio();
    // The same for the Opus or FLAC dialog, which proposes the voice's name
    // with its own extension.
    void ExportToMedia(TMediaExportForm& form);

    // Asks "Save the recorded voice?" (Save, Discard, Cancel) while a
    // recorded voice was never saved. True when the voice may go: it was
    // saved (Save runs Save As) or the user discards it. False to keep it:
    // Cancel, or a Save As that saved nothing. True without asking otherwise.
    bool KeepRecordedVoice();

    // ---- Recording ----
    // A recording started: the voice and its name go, and the effect
    // switches unless they are kept (Live Voice is using them).
    enum class Switches { Reset, Keep };
    void ClearForRecording(Switches switches = Switches::Reset);
    // The recording stopped: its file becomes the voice (or, when it cannot
    // be read, there is no voice, after saying why).
    void AdoptRecording(const std::string& path);

    // ---- Effects ----
    // Runs the switched-on effects over the working copy, and writes the
    // result to fileName when it is not empty. False when that file could not
    // be written.
    bool RunEffects(const QString& fileName);
    // The switches or the pitch bar changed since the last Save.
    void MarkChanged() { voice_.VoiceChanged = true; }

    // ---- What the view shows of the voice ----
    // The unprocessed voice in the wave view, from its start.
    void ShowVoice();
    // The voice's length on the read-out.
    void ShowVoiceLength();

private:
    class Work;

    void ClearVoice();
    void UpdateCaption();
    void LoadVoiceFile(const QString& path);
    // The voice's name with another extension, for the dialogs to propose.
    QString VoiceNameWith(const QString& extension) const;
    bool WriteVoiceFile();
    // The processed voice in a unique temporary file and its copy for an
    // encoder; null, after saying so, when a file cannot be written.
    std::unique_ptr<export_files::ExportFiles> WriteProcessedVoiceForExport();
    void Inform(const QString& text);

    DocumentView& view_;
    voice::VoiceDocument voice_;
    bool unsavedRecording_ = false;  // the voice was recorded and never saved
    int busy_ = 0;
    QString sampleFolder_;
    voice::MediaDecoder* decoder_ = nullptr;
    // The file a decoded voice came from (it is not the voice's file).
    std::string decodedFrom_;
};
