#include "app/win32/Win32FormFactory.h"

#include "app/win32/WizardformWindow.h"
#include "recovery/win32/WaitformWindow.h"
#include "schedule/win32/SchedulerformWindow.h"
#include "scrub/win32/ScrubformWindow.h"
#include "trim/win32/ApplicationsformWindow.h"

namespace kestrune {

std::unique_ptr<TutorialWindow> Win32FormFactory::createTutorial() {
    return std::make_unique<WizardFormWindow>(owner_);
}

std::unique_ptr<ScrubWindow> Win32FormFactory::createScrubWindow() {
    return std::make_unique<ScrubFormWindow>(owner_, memory_, clock_, ui_);
}

std::unique_ptr<ProgressWindow> Win32FormFactory::createProgressWindow() {
    return std::make_unique<Form2Window>(owner_);
}

std::unique_ptr<ModalWindow> Win32FormFactory::createScheduler() {
    return std::make_unique<SchedulerWindow>(owner_, schedulerOffers(trim_));
}

std::unique_ptr<AppListWindow> Win32FormFactory::createApplications() {
    if (trim_ == nullptr) return nullptr;
    return std::make_unique<ApplicationsFormWindow>(owner_, *trim_);
}

}  // namespace kestrune
