// TAucPreferenceForm: the preferences dialog. One check box holds the update
// preference of the settings file; the dialog also carries the update-check
// host CCC_Comp1.
//
// While automatic download is on, the main window's "Check For Updates"
// command is disabled; turning it off enables the command. The dialog says so
// through CheckForUpdatesEnabledChanged each time it stores the preference:
// when the box changes state (by the user or because the file held another
// value when the dialog was shown) and when the dialog closes.
//
// The main window creates the dialog once at start-up, connects
// CheckForUpdatesEnabledChanged to its "Check For Updates" item, shows the
// dialog modally (exec) from "&Preferences", and calls CheckForUpdates from
// "Check For Updates".
#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QPushButton;

namespace prefs {

class TCCC_Comp;

class TAucPreferenceForm : public QDialog {
    Q_OBJECT

public:
    explicit TAucPreferenceForm(QWidget* parent = nullptr);

    // The "Check For Updates" command: turns automatic download on in the
    // settings file, then starts a check through the hosted component.
    void CheckForUpdates();

    QGroupBox* GroupBox4;
    QCheckBox* AUCCheckBox;
    QPushButton* Button1;
    TCCC_Comp* CCC_Comp1;

signals:
    void CheckForUpdatesEnabledChanged(bool enabled);

protected:
    void showEvent(QShowEvent* event) override;
    // Every way of closing the dialog ends here (OK, Escape, the window's
    // close button).
    void done(int result) override;

private:
    void FormShow();
    void AUCCheckBoxClick();
    void Button1Click();
    void FormClose();
    void StorePreference();
};

}  // namespace prefs
