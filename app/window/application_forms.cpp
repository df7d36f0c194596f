#include "application_forms.h"

#include "auc_preference_form.h"
#include "mainform.h"
#include "progressform.h"
#include "wave_to_mp3_form.h"

TMainForm* CreateApplicationForms()
{
    auto* mainForm = new TMainForm;
    mainForm->SetProgressForm(new TProgressForm(mainForm));
    // The conversion dialog makes its codec message form right after itself.
    mainForm->SetMp3ConversionForm(new TWaveToMP3ConversionForm(mainForm));
    mainForm->SetPreferenceForm(new prefs::TAucPreferenceForm(mainForm));
    return mainForm;
}
