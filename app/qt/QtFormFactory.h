#pragma once

#include "app/Memmainform.h"

class QWidget;

namespace kestrune {

// The main window's windows, as Qt widgets owned by the logic that asks.
class QtFormFactory final : public FormFactory {
public:
    QtFormFactory(platform::MemorySource& memory, platform::Clock& clock, platform::UiDispatcher& ui)
        : memory_(memory), clock_(clock), ui_(ui) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    std::unique_ptr<TutorialWindow> createTutorial() override;
    std::unique_ptr<ScrubWindow> createScrubWindow() override;
    std::unique_ptr<ProgressWindow> createProgressWindow() override;
    std::unique_ptr<ModalWindow> createScheduler() override;

private:
    platform::MemorySource& memory_;
    platform::Clock& clock_;
    platform::UiDispatcher& ui_;
    QWidget* owner_ = nullptr;
};

}  // namespace kestrune
