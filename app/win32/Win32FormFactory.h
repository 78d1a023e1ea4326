#pragma once

#include "app/Memmainform.h"

#include <windows.h>

namespace kestrune {

// The main window's windows, as native windows owned by the logic that asks.
class Win32FormFactory final : public FormFactory {
public:
    // `trim`: the program's trims; none where it offers none.
    Win32FormFactory(platform::MemorySource& memory, platform::Clock& clock, platform::UiDispatcher& ui,
                     TrimRunner* trim = nullptr)
        : memory_(memory), clock_(clock), ui_(ui), trim_(trim) {}
    void setOwner(HWND owner) { owner_ = owner; }
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
    HWND owner_ = nullptr;
};

}  // namespace kestrune
