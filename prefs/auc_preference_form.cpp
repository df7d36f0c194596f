#include "auc_preference_form.h"

#include "ccc_comp.h"
#include "settings.h"

#include <QCheckBox>
#include <QFont>
#include <QGroupBox>
#include <QPushButton>
#include <QShowEvent>

namespace prefs {

namespace {

// MS Sans Serif where it is installed; otherwise a face of the same narrow
// metrics, so that the check box's caption fits its 259 pixels.
QFont DialogFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    font.setPointSize(8);
    return font;
}

}  // namespace

TAucPreferenceForm::TAucPreferenceForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Warblecast Preferences"));
    setFont(DialogFont());
    setFixedSize(293, 91);

    GroupBox4 = new QGroupBox(QStringLiteral("AUC"), this);
    GroupBox4->setGeometry(8, 8, 274, 41);
    AUCCheckBox = new QCheckBox(QStringLiteral("Automatically download update information"), GroupBox4);
    AUCCheckBox->setGeometry(10, 15, 259, 17);
    AUCCheckBox->setChecked(true);

    // Created before the button, so that the button stays on top should a
    // component grow over it.
    CCC_Comp1 = new TCCC_Comp(this);
    CCC_Comp1->setGeometry(16, 64, 20, 10);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(112, 64, 75, 20);

    // toggled, not clicked: a state change made from code counts as a click.
    connect(AUCCheckBox, &QCheckBox::toggled, this, &TAucPreferenceForm::AUCCheckBoxClick);
    connect(Button1, &QPushButton::clicked, this, &TAucPreferenceForm::Button1Click);
}

void TAucPreferenceForm::CheckForUpdates()
{
    WriteUpdateSetting(1);
    CCC_Comp1->CheckNow();
}

void TAucPreferenceForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TAucPreferenceForm::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TAucPreferenceForm::FormShow() { AUCCheckBox->setChecked(ReadUpdateSetting() != 0); }

void TAucPreferenceForm::AUCCheckBoxClick() { StorePreference(); }

void TAucPreferenceForm::Button1Click() { accept(); }

void TAucPreferenceForm::FormClose() { StorePreference(); }

void TAucPreferenceForm::StorePreference()
{
    const bool automatic = AUCCheckBox->isChecked();
    WriteUpdateSetting(automatic ? 1 : 0);
    emit CheckForUpdatesEnabledChanged(!automatic);
}

}  // namespace prefs
