// What the voice code shows through the main window: plain message boxes, the
// progress window with its gauge, and the wave view.
#pragma once

#include <QApplication>
#include <QFile>

#include "mainform.h"
#include "progressform.h"
#include "prtlwpnl.h"

// Marks the window busy for the lifetime of a long piece of work.
class TMainForm::LongWork {
public:
    explicit LongWork(TMainForm& form) : form_(form) { ++form_.longWork_; }
    ~LongWork() { --form_.longWork_; }
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

private:
    TMainForm& form_;
};

// The wait cursor for the lifetime of a load; the arrow comes back however
// the load ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

class TMainForm::Feedback final : public voice::EffectRunHost {
public:
    explicit Feedback(TMainForm& form) : form_(form) {}

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

private:
    TMainForm& form_;
};
