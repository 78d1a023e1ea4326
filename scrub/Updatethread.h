#pragma once

#include "platform/Clock.h"
#include "platform/Thread.h"
#include "platform/UiSync.h"

#include <atomic>
#include <functional>

namespace kestrune {

// Makes the scrub window repaint itself continuously: a synchronised refresh,
// then a 1 ms pause, over and over. A refresh that reports nothing left to
// animate (a finished map, which only closing the window ends) is asked again
// only every kSettledCheckMs, so a finished window left open costs next to
// nothing; closing rings the alarm this waits on.
class UpdateThread final : public platform::Thread {
public:
    static constexpr unsigned kSettledCheckMs = 5000;

    // `refreshScrubWindow` runs on the UI thread; false when the window no
    // longer changes.
    UpdateThread(platform::UiDispatcher& ui, platform::Clock& clock, std::function<bool()> refreshScrubWindow);
    // Sets quit, drops a repaint still waiting for the UI thread, and waits.
    ~UpdateThread() override;

    std::atomic<bool> quit{false};

protected:
    void Execute() override;

private:
    platform::Clock& clock_;
    std::function<bool()> refresh_;
    platform::UiSync sync_;
    platform::Alarm stop_;
};

}  // namespace kestrune
