#include "live_mode.h"

#include <QAction>
#include <QLabel>

#include "effect_controls.h"
#include "live_chain.h"
#include "prtlsbtn.h"
#include "prtlvled.h"
#include "prtlwpnl.h"
#include "time_readout.h"

using voice::Effect;

LiveMode::LiveMode(EffectControls& effects, const Display& display) : effects_(effects), display_(display) {}

QString LiveMode::Start(bool hearYourself)
{
    const std::string refusal = voice_.Start(effects_.Current(), hearYourself);
    if (!refusal.empty())
        return QString::fromStdString(refusal);
    DisableWholeVoiceEffects();
    return QString();
}

void LiveMode::Stop()
{
    voice_.Stop();
    GiveControlsBack();
    display_.waveView.SetWaveData(nullptr, 0);  // the view is lent shownOutput_
    shownOutput_.clear();
}

void LiveMode::SwitchesChanged()
{
    if (Running())
        voice_.SetSwitches(effects_.Current());
}

std::optional<QString> LiveMode::Follow(bool showLevelAndTime)
{
    std::string why;
    if (voice_.EndedOnItsOwn(&why)) {
        Stop();
        return QString::fromStdString(why);
    }
    ShowOutput(showLevelAndTime);
    return std::nullopt;
}

// The latest output fills the oval. The view draws from its centre column
// until the first sample drawn lies half a view into the data (counted in
// bytes, a sample per pixel column each) and across its whole width from
// there, so the samples are lent with that much before them.
void LiveMode::ShowOutput(bool showLevelAndTime)
{
    TPRTL_Wave_Display& view = display_.waveView;
    const int32_t perPixel = view.SamplesPerPixel();
    int32_t lead = (view.width() / 2 + 1) * perPixel;
    lead += lead % 2;  // a whole sample
    shownOutput_ = voice_.LastOutput(size_t(lead / 2 + view.width() * perPixel));
    const auto bytes = int32_t(shownOutput_.size() * 2);
    view.SetWaveData(reinterpret_cast<const uint8_t*>(shownOutput_.data()), bytes);
    view.SetStartingPosition(bytes > lead ? lead : 0);
    if (!showLevelAndTime)
        return;
    display_.meter.SetProgress(float(voice_.OutputLevel()) / 100);
    const auto ms = uint32_t(voice_.RunningTime().count());
    display_.readout.setText(QString::fromStdString(voice::TimeReadoutText(ms)));
}

void LiveMode::DisableWholeVoiceEffects()
{
    saved_.clear();
    for (int i = 0; i < voice::kEffectCount; ++i) {
        const auto effect = Effect(i);
        if (live::RunsLive(effect))
            continue;
        TPRTL_SawToothButton* button = effects_.ButtonOf(effect);
        QAction* item = effects_.MenuItemOf(effect);
        saved_.push_back({effect, button->isEnabled(), button->Down(), item->isEnabled(), item->isChecked()});
        button->setEnabled(false);
        item->setEnabled(false);
    }
}

void LiveMode::GiveControlsBack()
{
    for (const SavedControl& control : saved_) {
        TPRTL_SawToothButton* button = effects_.ButtonOf(control.effect);
        QAction* item = effects_.MenuItemOf(control.effect);
        button->setEnabled(control.buttonEnabled);
        button->SetDown(control.buttonDown);
        item->setEnabled(control.itemEnabled);
        item->setChecked(control.itemChecked);
    }
    saved_.clear();
}
