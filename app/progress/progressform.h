// The progress window: a small borderless-icon window with one gauge, shown
// centred over the main window while an effect run or a file conversion
// blocks the GUI thread. The gauge repaints itself at once whenever its
// shown percentage changes, so the bar moves although the event loop is not
// running.
#pragma once

#include <QWidget>

#include <cstdint>

#include "progress.h"

// A horizontal bar gauge: white background, lime bar, the percentage in the
// middle.
class TGauge : public QWidget {
    Q_OBJECT
public:
    explicit TGauge(QWidget* parent = nullptr);

    int32_t MaxValue() const { return maxValue_; }
    void SetMaxValue(int32_t value);
    int32_t Progress() const { return progress_; }
    // Kept within 0..MaxValue.
    void SetProgress(int32_t value);
    void AddProgress(int32_t steps) { SetProgress(progress_ + steps); }
    // Whole percent of MaxValue, rounded down (0 when MaxValue is 0 or less).
    int32_t PercentDone() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ShowNow();

    int32_t maxValue_ = 100;
    int32_t progress_ = 0;
    int32_t shownPercent_ = 0;
};

class TProgressForm : public QWidget, public effects::Progress {
    Q_OBJECT
public:
    explicit TProgressForm(QWidget* parent = nullptr);

    // Where the window stands relative to the main window: centred
    // horizontally, at the designed distance below its top.
    void PlaceOver(const QWidget& mainForm);

    void ResetProgress(int32_t max) override;
    void StepProgress() override;

    TGauge* ProgressGauge;

    static constexpr int kClientWidth = 488;
    static constexpr int kClientHeight = 18;
    // The designed top of the progress window less the main window's.
    static constexpr int kOffsetBelowMainForm = 412 - 169;
};
