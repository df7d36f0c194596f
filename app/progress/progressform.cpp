#include "progressform.h"

#include <QCoreApplication>
#include <QPainter>

#include <algorithm>

TGauge::TGauge(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TGauge::SetMaxValue(int32_t value)
{
    maxValue_ = value;
    progress_ = std::clamp(progress_, 0, std::max(maxValue_, 0));
    ShowNow();
}

void TGauge::SetProgress(int32_t value)
{
    progress_ = std::clamp(value, 0, std::max(maxValue_, 0));
    if (PercentDone() != shownPercent_)
        ShowNow();
}

int32_t TGauge::PercentDone() const
{
    if (maxValue_ <= 0)
        return 0;
    return int32_t(int64_t(progress_) * 100 / maxValue_);
}

// The thread that moves the gauge is busy computing: paint synchronously, and
// let the window system map and expose the window (no input, no timers), or
// nothing would reach the screen until the run is over.
void TGauge::ShowNow()
{
    shownPercent_ = PercentDone();
    if (!isVisible())
        return;
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::X11ExcludeTimers);
}

void TGauge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = rect();
    painter.fillRect(area, Qt::white);
    const int filled = maxValue_ > 0 ? int(int64_t(area.width()) * progress_ / maxValue_) : 0;
    painter.fillRect(QRect(0, 0, filled, area.height()), QColor(0, 255, 0));
    painter.setPen(Qt::black);
    painter.drawText(area, Qt::AlignCenter, QString::number(PercentDone()) + "%");
}

TProgressForm::TProgressForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ProgressGauge(new TGauge(this))
{
    setObjectName("ProgressForm");
    setWindowTitle(" ");
    setFixedSize(kClientWidth, kClientHeight);
    ProgressGauge->setObjectName("ProgressGauge");
    ProgressGauge->setGeometry(0, 0, kClientWidth, kClientHeight);
    ProgressGauge->SetMaxValue(120);
    ProgressGauge->SetProgress(0);
}

void TProgressForm::PlaceOver(const QWidget& mainForm)
{
    const QRect main = mainForm.frameGeometry();
    move(main.left() + (main.width() - frameGeometry().width()) / 2, main.top() + kOffsetBelowMainForm);
}

void TProgressForm::ResetProgress(int32_t max)
{
    ProgressGauge->SetMaxValue(max);
    ProgressGauge->SetProgress(0);
}

void TProgressForm::StepProgress()
{
    ProgressGauge->AddProgress(1);
}
