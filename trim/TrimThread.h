#pragma once

#include "platform/Applications.h"
#include "platform/Clock.h"
#include "platform/Thread.h"
#include "platform/UiSync.h"
#include "trim/SharedActivity.h"
#include "trim/Trim.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace kestrune {

// What a trim tells whoever started it, on the UI thread.
struct TrimListener {
    // Before each application: its name.
    std::function<void(const std::string& name)> trimming;
    // Once, at the end: what came back; `failure` is what ended it early
    // when something went wrong, else empty. Not called for a trim its
    // owner stopped.
    std::function<void(const TrimResult& result, const std::string& failure)> done;
    // Once, before the first, where another trim must end first.
    std::function<void()> waiting = {};
};

// Trims the chosen applications one after another, off the UI thread: a
// gigabyte takes the kernel over a second. Each application's cooldown starts
// as it is trimmed, so one a stop cut short still counts.
class TrimThread final : public platform::Thread {
public:
    // `gates`: the UI thread's work that holds back what this hands back.
    TrimThread(platform::Applications& system, SharedActivity& activity, platform::Clock& clock,
               platform::UiDispatcher& ui, unsigned gates, std::vector<platform::AppMemory> chosen,
               TrimListener listener);
    // Stops it, and waits for the step in progress.
    ~TrimThread() override;
    TrimThread(const TrimThread&) = delete;
    TrimThread& operator=(const TrimThread&) = delete;

    // Owner only: the trim ends after the step in progress and hands nothing
    // more back. Does not wait.
    void stop();
    // Any thread: the body has returned, or is about to.
    bool finished() const { return finished_; }
    // Any thread: it is handing its result back, the last thing it does.
    bool handingBack() const { return handingBack_; }

protected:
    void Execute() override;

private:
    platform::Applications& system_;
    SharedActivity& activity_;
    platform::Clock& clock_;
    const std::vector<platform::AppMemory> chosen_;
    const TrimListener listener_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> handingBack_{false};
    platform::UiSync sync_;
};

}  // namespace kestrune
