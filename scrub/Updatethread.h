#pragma once

#include "platform/Clock.h"
#include "platform/Thread.h"
#include "platform/UiSync.h"

#include <atomic>
#include <functional>

namespace kestrune {

// Makes the scrub window repaint itself continuously: a synchronised repaint,
// then a 1 ms pause, over and over.
class UpdateThread final : public platform::Thread {
public:
    UpdateThread(platform::UiDispatcher& ui, platform::Clock& clock, std::function<void()> refreshScrubWindow);
    // Sets quit, drops a repaint still waiting for the UI thread, and waits.
    ~UpdateThread() override;

    std::atomic<bool> quit{false};

protected:
    void Execute() override;

private:
    platform::Clock& clock_;
    std::function<void()> refresh_;
    platform::UiSync sync_;
};

}  // namespace kestrune
