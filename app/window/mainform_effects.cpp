// TMainForm: the effect switches. A button's Down state is the switch; the
// Options menu's check marks mirror it. Toggling computes nothing: it only
// marks the voice as changed until the next play or export runs the effects.
#include <QAction>
#include <QFile>

#include "main_feedback.h"
#include "mainform.h"
#include "prtlsbtn.h"
#include "prtltbar.h"

using voice::Effect;

TPRTL_SawToothButton* TMainForm::ButtonOf(Effect effect) const
{
    return effects_[size_t(effect)].button;
}

QAction* TMainForm::MenuItemOf(Effect effect) const
{
    return effects_[size_t(effect)].menuItem;
}

voice::EffectSwitches TMainForm::CurrentSwitches() const
{
    voice::EffectSwitches switches;
    for (const EffectControl& control : effects_)
        switches[control.effect] = control.button->Down();
    switches.pitchPosition = PitchBar->Position();
    return switches;
}

// The button has already flipped its own Down state.
void TMainForm::EffectButtonToggled(Effect effect)
{
    Voice.VoiceChanged = true;
    QAction* item = MenuItemOf(effect);
    item->setChecked(!item->isChecked());
}

void TMainForm::EffectMenuItemChosen(Effect effect)
{
    Voice.VoiceChanged = true;
    TPRTL_SawToothButton* button = ButtonOf(effect);
    button->SetDown(!button->Down());
    MenuItemOf(effect)->setChecked(button->Down());
}

// Slow Monster and Fast Squeaker exclude each other: pressing one releases the other.
void TMainForm::SpeedButtonToggled(Effect effect, Effect other)
{
    Voice.VoiceChanged = true;
    if (ButtonOf(other)->Down())
        ButtonOf(other)->SetDown(false);
    QAction* item = MenuItemOf(effect);
    item->setChecked(!item->isChecked());
    MenuItemOf(other)->setChecked(ButtonOf(other)->Down());
}

void TMainForm::SpeedMenuItemChosen(Effect effect, Effect other)
{
    Voice.VoiceChanged = true;
    TPRTL_SawToothButton* button = ButtonOf(effect);
    button->SetDown(!button->Down());
    SpeedButtonToggled(effect, other);
}

void TMainForm::EchoButtonClick() { EffectButtonToggled(Effect::Echo); }
void TMainForm::ChorusButtonClick() { EffectButtonToggled(Effect::Chorus); }
void TMainForm::FlangeButtonClick() { EffectButtonToggled(Effect::Flange); }
void TMainForm::FadeInButtonClick() { EffectButtonToggled(Effect::FadeIn); }
void TMainForm::fadeOutButtonClick() { EffectButtonToggled(Effect::FadeOut); }
void TMainForm::BassOnlyButtonClick() { EffectButtonToggled(Effect::BassOnly); }
void TMainForm::TrebleOnlyButtonClick() { EffectButtonToggled(Effect::TrebleOnly); }
void TMainForm::RobotvoiceButtonClick() { EffectButtonToggled(Effect::Robotvoice); }
void TMainForm::BackwardButtonClick() { EffectButtonToggled(Effect::Backward); }
void TMainForm::SweepUpButtonClick() { EffectButtonToggled(Effect::SweepUp); }
void TMainForm::SweepDownButtonClick() { EffectButtonToggled(Effect::SweepDown); }
void TMainForm::SlowMonstButtonClick() { SpeedButtonToggled(Effect::SlowMonster, Effect::FastSqueaker); }
void TMainForm::FastSqueakButtonClick() { SpeedButtonToggled(Effect::FastSqueaker, Effect::SlowMonster); }

void TMainForm::Echo1Click() { EffectMenuItemChosen(Effect::Echo); }
void TMainForm::Chorus1Click() { EffectMenuItemChosen(Effect::Chorus); }
void TMainForm::Flange1Click() { EffectMenuItemChosen(Effect::Flange); }
void TMainForm::FadeIn1Click() { EffectMenuItemChosen(Effect::FadeIn); }
void TMainForm::FadeOut1Click() { EffectMenuItemChosen(Effect::FadeOut); }
void TMainForm::BassOnly1Click() { EffectMenuItemChosen(Effect::BassOnly); }
void TMainForm::TrebleOnly1Click() { EffectMenuItemChosen(Effect::TrebleOnly); }
void TMainForm::Robotvoice1Click() { EffectMenuItemChosen(Effect::Robotvoice); }
void TMainForm::Backward1Click() { EffectMenuItemChosen(Effect::Backward); }
void TMainForm::SweepUp1Click() { EffectMenuItemChosen(Effect::SweepUp); }
void TMainForm::SweepDown1Click() { EffectMenuItemChosen(Effect::SweepDown); }
void TMainForm::SlowMonster1Click() { SpeedMenuItemChosen(Effect::SlowMonster, Effect::FastSqueaker); }
void TMainForm::FastSqeaker1Click() { SpeedMenuItemChosen(Effect::FastSqueaker, Effect::SlowMonster); }

void TMainForm::PitchBarChange()
{
    Voice.VoiceChanged = true;
}

void TMainForm::ResetEffects()
{
    for (const EffectControl& control : effects_) {
        control.button->SetDown(false);
        control.menuItem->setChecked(false);
    }
    PitchBar->SetPosition(voice::kPitchNone);
}

voice::EffectSettings TMainForm::CaptureSettings() const
{
    return voice::CaptureSettings(CurrentSwitches());
}

// The record decides which switches it sets; the controls take them in the
// record's order, the pitch bar after Treble Only, so that moving the bar
// raises its change handler like any other change of position.
void TMainForm::RestoreSettings(const voice::EffectSettings& settings)
{
    voice::EffectSwitches switches = CurrentSwitches();
    voice::RestoreSettings(settings, switches);
    auto restore = [&](const EffectControl& control) {
        control.button->SetDown(switches[control.effect]);
        control.menuItem->setChecked(control.button->Down());
    };
    for (const EffectControl& control : effects_) {
        if (control.effect == Effect::SweepUp)
            PitchBar->SetPosition(switches.pitchPosition);
        restore(control);
    }
}

bool TMainForm::ApplyEffects(const QString& fileName)
{
    LongWork work(*this);
    return voice::ApplyEffects(Voice, CurrentSwitches(), QFile::encodeName(fileName).toStdString(), *feedback_);
}
