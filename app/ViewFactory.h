#pragma once

#include "app/Memmainform.h"

#include <memory>

namespace kestrune {

// The main window's windows as one toolkit's views, owned by the logic that
// asks: its owner handle, then its class for each window.
template <class Owner, class Tutorial, class Scrub, class Progress, class Scheduler, class Applications>
class ViewFactory final : public FormFactory {
public:
    // `trim`: the program's trims; none where it offers none.
    ViewFactory(platform::MemorySource& memory, platform::Clock& clock, platform::UiDispatcher& ui,
                TrimRunner* trim = nullptr)
        : memory_(memory), clock_(clock), ui_(ui), trim_(trim) {}
    void setOwner(Owner owner) { owner_ = owner; }

    std::unique_ptr<TutorialWindow> createTutorial() override { return std::make_unique<Tutorial>(owner_); }
    std::unique_ptr<ScrubWindow> createScrubWindow() override {
        return std::make_unique<Scrub>(owner_, memory_, clock_, ui_);
    }
    std::unique_ptr<ProgressWindow> createProgressWindow() override { return std::make_unique<Progress>(owner_); }
    std::unique_ptr<ModalWindow> createScheduler() override {
        return std::make_unique<Scheduler>(owner_, schedulerOffers(trim_));
    }
    std::unique_ptr<AppListWindow> createApplications() override {
        if (trim_ == nullptr) return nullptr;
        return std::make_unique<Applications>(owner_, *trim_);
    }

private:
    platform::MemorySource& memory_;
    platform::Clock& clock_;
    platform::UiDispatcher& ui_;
    TrimRunner* trim_;
    Owner owner_{};
};

}  // namespace kestrune
