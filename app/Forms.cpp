#include "Forms.h"

#include "WizardformWidget.h"

namespace kestrune {

std::unique_ptr<TutorialWindow> QtFormFactory::createTutorial() {
    return std::make_unique<WizardFormWidget>(owner_);
}

}  // namespace kestrune
