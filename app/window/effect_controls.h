// EffectControls: the window's thirteen effect switches and its pitch bar. A
// saw-tooth button's Down state is the switch; its item in the Options menu
// mirrors it with a check mark.
//
// Rules:
// - Switching computes nothing: the effects run only when the voice is
//   played or exported (the caller marks the voice changed).
// - Slow Monster and Fast Squeaker exclude each other: pressing one releases
//   the other.
// - A settings record is applied in the record's order, the pitch bar after
//   Treble Only, so that the bar's change handler runs exactly when a
//   restored position moves it.
#pragma once

#include <array>
#include <optional>

#include "effect_settings.h"

class QAction;
class TPRTL_SawToothButton;
class TPRTL_TrackBar;

class EffectControls {
public:
    struct Control {
        voice::Effect effect;
        TPRTL_SawToothButton* button;
        QAction* menuItem;
    };
    // The controls in the record's order (the Effect enumeration's).
    using Controls = std::array<Control, voice::kEffectCount>;

    EffectControls(const Controls& controls, TPRTL_TrackBar& pitchBar);

    TPRTL_SawToothButton* ButtonOf(voice::Effect effect) const { return controls_[size_t(effect)].button; }
    QAction* MenuItemOf(voice::Effect effect) const { return controls_[size_t(effect)].menuItem; }
    // The switches as the buttons and the pitch bar show them.
    voice::EffectSwitches Current() const;

    // The button was clicked (it has already flipped its own Down state).
    void ButtonClicked(voice::Effect effect);
    // The menu item was chosen: its button flips.
    void MenuItemChosen(voice::Effect effect);
    // Every button up, every check mark off, the pitch bar in the middle.
    void Reset();
    void Restore(const voice::EffectSettings& settings);
    // Each check mark as its button shows (the timer's last step).
    void MirrorOntoMenu();

private:
    // The other speed switch, or none.
    static std::optional<voice::Effect> ExcludedBy(voice::Effect effect);

    Controls controls_;
    TPRTL_TrackBar& pitchBar_;
};
