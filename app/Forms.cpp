#include "Forms.h"

#include "WizardformWidget.h"
#include "scrub/ScrubformWidget.h"

namespace kestrune {

std::unique_ptr<TutorialWindow> QtFormFactory::createTutorial() {
    return std::make_unique<WizardFormWidget>(owner_);
}

std::unique_ptr<ScrubWindow> QtFormFactory::createScrubWindow() {
    return std::make_unique<ScrubFormWidget>(owner_, memory_, clock_, ui_);
}

}  // namespace kestrune
