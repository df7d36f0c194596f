#include "effect_controls.h"

#include <QAction>

#include "prtlsbtn.h"
#include "prtltbar.h"

using voice::Effect;

EffectControls::EffectControls(const Controls& controls, TPRTL_TrackBar& pitchBar)
    : controls_(controls), pitchBar_(pitchBar)
{
}

voice::EffectSwitches EffectControls::Current() const
{
    voice::EffectSwitches switches;
    for (const Control& control : controls_)
        switches[control.effect] = control.button->Down();
    switches.pitchPosition = pitchBar_.Position();
    return switches;
}

std::optional<Effect> EffectControls::ExcludedBy(Effect effect)
{
    if (effect == Effect::SlowMonster)
        return Effect::FastSqueaker;
    if (effect == Effect::FastSqueaker)
        return Effect::SlowMonster;
    return std::nullopt;
}

void EffectControls::ButtonClicked(Effect effect)
{
    if (const std::optional<Effect> other = ExcludedBy(effect)) {
        if (ButtonOf(*other)->Down())
            ButtonOf(*other)->SetDown(false);
        MenuItemOf(*other)->setChecked(ButtonOf(*other)->Down());
    }
    QAction* item = MenuItemOf(effect);
    item->setChecked(!item->isChecked());
}

void EffectControls::MenuItemChosen(Effect effect)
{
    TPRTL_SawToothButton* button = ButtonOf(effect);
    button->SetDown(!button->Down());
    if (ExcludedBy(effect))
        ButtonClicked(effect);
    else
        MenuItemOf(effect)->setChecked(button->Down());
}

void EffectControls::Reset()
{
    for (const Control& control : controls_) {
        control.button->SetDown(false);
        control.menuItem->setChecked(false);
    }
    pitchBar_.SetPosition(voice::kPitchNone);
}

void EffectControls::Restore(const voice::EffectSettings& settings)
{
    voice::EffectSwitches switches = Current();
    voice::RestoreSettings(settings, switches);
    for (const Control& control : controls_) {
        if (control.effect == Effect::SweepUp)
            pitchBar_.SetPosition(switches.pitchPosition);
        control.button->SetDown(switches[control.effect]);
        control.menuItem->setChecked(control.button->Down());
    }
}

void EffectControls::MirrorOntoMenu()
{
    for (const Control& control : controls_)
        control.menuItem->setChecked(control.button->Down());
}
