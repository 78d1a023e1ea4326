#pragma once

#include "platform/Applications.h"
#include "platform/Clock.h"
#include "platform/UiSync.h"
#include "trim/SharedActivity.h"
#include "trim/TrimThread.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kestrune {

// The program's one way to trim: the Applications window, the tray and the
// triggers all start their trims here, so two never run at once. UI thread
// only, but for its destructor.
class TrimRunner {
public:
    using Ticket = std::uint64_t;  // names one trim; 0 names none

    // `gates`: the UI thread's work that holds back what a trim hands back.
    TrimRunner(platform::Applications& system, SharedActivity& activity, platform::Clock& clock,
               platform::UiDispatcher& ui, unsigned gates = platform::kNoGate);
    // Stops a trim in progress and waits for its step.
    ~TrimRunner();
    TrimRunner(const TrimRunner&) = delete;
    TrimRunner& operator=(const TrimRunner&) = delete;

    // Starts trimming `chosen`; 0 when a trim is already running.
    Ticket start(std::vector<platform::AppMemory> chosen, TrimListener listener);
    // A trim runs. Not any more while it hands its result back, so what the
    // result's listener shows may offer the next one.
    bool busy() const;
    // The trim `ticket`, if it still runs, ends after its step and hands
    // nothing more back; another one's is left alone. Does not wait.
    void abandon(Ticket ticket);
    // Stops any trim and waits for it: at the program's end.
    void stop();

    platform::Applications& applications() { return system_; }
    SharedActivity& activity() { return activity_; }
    platform::Clock& clock() { return clock_; }

private:
    platform::Applications& system_;
    SharedActivity& activity_;
    platform::Clock& clock_;
    platform::UiDispatcher& ui_;
    unsigned gates_;
    std::unique_ptr<TrimThread> thread_;
    // One that was handing back when the next began: it ends right after,
    // and is joined at the next start or at the end.
    std::unique_ptr<TrimThread> retired_;
    Ticket ticket_ = 0;
};

}  // namespace kestrune
