#pragma once

#include "app/Memmainform.h"

class QWidget;

namespace kestrune {

// The main window's windows, as Qt widgets owned by the logic that asks.
class QtFormFactory final : public FormFactory {
public:
    // `trim`: the program's trims; none where it offers none.
    QtFormFactory(platform::MemorySource& memory, platform::Clock& clock, platform::UiDispatcher& ui,
                  TrimRunner* trim = nullptr)
        : memory_(memory), clock_(clock), ui_(ui), trim_(trim) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    std::unique_ptr<TutorialWindow> createTutorial() override;
    std::unique_ptr<ScrubWindow> createScrubWindow() override;
    std::unique_ptr<ProgressWindow> createProgressWindow() override;
    std::unique_ptr<ModalWindow> createScheduler() override;
    std::unique_ptr<AppListWindow> createApplications() override;

private:
    platform::MemorySource& memory_;
    platform::Clock& clock_;
    platform::UiDispatcher& ui_;
    TrimRunner* trim_;
    QWidget* owner_ = nullptr;
};

}  // namespace kestrune
