// LiveMode: Live Voice as the main window shows it. The microphone runs
// through the switched-on effects and the pitch bar into the virtual
// microphone (live::LiveVoice does the sound); this part keeps the window's
// controls in step with it.
//
// Rules:
// - While live, the effects that cannot run live (those that need the whole
//   voice, and the speed effects) have their buttons and menu items
//   disabled; Stop gives every one of them back exactly as it was (enabled
//   state, down state, check mark).
// - Switch and pitch changes reach the sound at once.
// - Follow, called by the window's timer, shows the live output in the wave
//   view and the meter and the time live mode has run on the read-out; it
//   notices live mode that ended on its own and stops it before anyone is
//   told, so a message box that lets the timer run does not see it twice.
// - The voice in memory is never touched.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "effect_settings.h"
#include "live_voice.h"

class EffectControls;
class QLabel;
class TPRTL_VerticalLEDs;
class TPRTL_Wave_Display;

class LiveMode {
public:
    // What live mode shows its output on.
    struct Display {
        TPRTL_Wave_Display& waveView;
        TPRTL_VerticalLEDs& meter;
        QLabel& readout;
    };

    LiveMode(EffectControls& effects, const Display& display);

    bool Running() const { return voice_.Running(); }

    // Starts with the switches the controls show; an empty result means live
    // mode runs, anything else is the message to show (nothing runs then).
    QString Start(bool hearYourself);
    // Ends live mode (the virtual devices go) and gives the controls back.
    // Safe to repeat.
    void Stop();

    // The effect switches or the pitch bar changed.
    void SwitchesChanged();
    void SetHearYourself(bool on) { voice_.SetHearYourself(on); }

    // The timer's step while live. The meter and the read-out are left
    // alone when they show something else (a recording). Returns why live
    // mode ended on its own, once it has been stopped.
    std::optional<QString> Follow(bool showLevelAndTime);

private:
    struct SavedControl {
        voice::Effect effect;
        bool buttonEnabled, buttonDown, itemEnabled, itemChecked;
    };

    void DisableWholeVoiceEffects();
    void GiveControlsBack();
    void ShowOutput(bool showLevelAndTime);

    EffectControls& effects_;
    Display display_;
    live::LiveVoice voice_;
    std::vector<SavedControl> saved_;   // the controls as they were when live mode began
    std::vector<int16_t> shownOutput_;  // lent to the wave view until the next tick
};
