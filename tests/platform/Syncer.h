#pragma once

#include "platform/Thread.h"
#include "platform/UiSync.h"

#include <atomic>

namespace synctest {

// A thread that synchronises in a tight loop until stopped.
class Syncer final : public platform::Thread {
public:
    Syncer(platform::UiDispatcher& ui, std::atomic<int>& ran, unsigned gates = platform::kNoGate)
        : ran_(ran), sync_(ui, gates) {
        start();
    }
    ~Syncer() override { stop(); }
    void stop() {
        running = false;
        sync_.close();
        waitFor();
    }
    std::atomic<bool> running{true};
    std::atomic<int> answered{0};

protected:
    void Execute() override {
        while (running) {
            if (sync_.call([this] { ++ran_; })) ++answered;
        }
    }

private:
    std::atomic<int>& ran_;
    platform::UiSync sync_;
};

}  // namespace synctest
