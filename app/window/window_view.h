// What the voice and its commands show through the main window: plain
// message boxes, the progress window with its gauge, the wave view, the
// caption, the time read-out and the File menu, and the effect switches
// they read and set.
#pragma once

#include <QAction>
#include <QFile>
#include <QLabel>

#include "document_commands.h"
#include "effect_controls.h"
#include "mainform.h"
#include "progressform.h"
#include "prtlwpnl.h"

class TMainForm::View final : public DocumentView {
public:
    explicit View(TMainForm& form) : form_(form) {}

    void ShowMessage(const std::string& text) override { form_.Inform(QFile::decodeName(text.c_str())); }

    void ShowProgressWindow() override
    {
        if (TProgressForm* progress = form_.ProgressForm()) {
            progress->PlaceOver(form_);
            progress->show();
            progress->raise();
        }
    }

    void HideProgressWindow() override
    {
        if (TProgressForm* progress = form_.ProgressForm())
            progress->hide();
    }

    void ResetProgress(int32_t max) override
    {
        if (TProgressForm* progress = form_.ProgressForm())
            progress->ResetProgress(max);
    }

    void StepProgress() override
    {
        if (TProgressForm* progress = form_.ProgressForm())
            progress->StepProgress();
    }

    void ShowWaveData(const uint8_t* data, int32_t bytes) override
    {
        form_.WaveDisplay->SetWaveData(data, bytes);
        form_.WaveDisplay->SetStartingPosition(0);
    }

    voice::EffectSwitches Switches() const override { return form_.effects_->Current(); }
    void ResetSwitches() override { form_.effects_->Reset(); }
    void RestoreSwitches(const voice::EffectSettings& settings) override { form_.effects_->Restore(settings); }
    void ShowCaption(const QString& caption) override { form_.ShowCaption(caption); }
    void ShowReadout(const QString& text) override { form_.timeDisplay->setText(text); }
    void EnableVoiceCommands(bool enabled) override { form_.EnableVoiceCommands(enabled); }
    QWidget* DialogOwner() override { return &form_; }

private:
    TMainForm& form_;
};
