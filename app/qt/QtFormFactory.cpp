#include "app/qt/QtFormFactory.h"

#include "app/qt/WizardformWidget.h"
#include "recovery/qt/WaitformWidget.h"
#include "schedule/qt/SchedulerformWidget.h"
#include "scrub/qt/ScrubformWidget.h"
#include "trim/qt/ApplicationsformWidget.h"

namespace kestrune {

std::unique_ptr<TutorialWindow> QtFormFactory::createTutorial() { return std::make_unique<WizardFormWidget>(owner_); }

std::unique_ptr<ScrubWindow> QtFormFactory::createScrubWindow() {
    return std::make_unique<ScrubFormWidget>(owner_, memory_, clock_, ui_);
}

std::unique_ptr<ProgressWindow> QtFormFactory::createProgressWindow() { return std::make_unique<Form2Widget>(owner_); }

std::unique_ptr<ModalWindow> QtFormFactory::createScheduler() {
    return std::make_unique<SchedulerWidget>(owner_, schedulerOffers(trim_));
}

std::unique_ptr<AppListWindow> QtFormFactory::createApplications() {
    if (trim_ == nullptr) return nullptr;
    return std::make_unique<ApplicationsFormWidget>(owner_, *trim_);
}

}  // namespace kestrune
