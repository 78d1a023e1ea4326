#include "app/Wizardform.h"

#include "platform/MessageBox.h"

namespace kestrune {

void TWizardForm::complainNoFlag() {
    platform::messageBox(c_.self.handle(), wizard::kNoFlagText, wizard::kNoFlagCaption);
}

void TWizardForm::FormShow() {
    if (showNextTimeFlag != nullptr)
        c_.TeCheckBox1.setChecked(*showNextTimeFlag);
    else
        complainNoFlag();
}

bool TWizardForm::FormCloseQuery() {
    if (showNextTimeFlag != nullptr)
        *showNextTimeFlag = c_.TeCheckBox1.checked();
    else
        complainNoFlag();
    return true;
}

void TWizardForm::FormResize() {
    platform::Rect panel = c_.TePanel2.bounds();
    panel.height = c_.self.clientHeight() - 105;
    c_.TePanel2.setBounds(panel);
    platform::Rect box = c_.TeCheckBox1Place.bounds();
    box.top = panel.height - 25;
    c_.TeCheckBox1Place.setBounds(box);
    platform::Rect done = c_.TeButton2.bounds();
    done.top = box.top - 30;
    c_.TeButton2.setBounds(done);
}

void TWizardForm::TeButton2Click() { c_.self.close(); }

}  // namespace kestrune
