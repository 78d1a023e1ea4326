#pragma once

#include "support/Fakes.h"

#include <condition_variable>
#include <mutex>

// Holds a trim's requests to the fake applications, on the trim's thread,
// until the test lets them go: the test can act while a step is in progress.
class RequestGate {
public:
    void hold(const testsupport::FakeApplications::Request&) {
        std::unique_lock lock(m_);
        ++arrived_;
        cv_.notify_all();
        cv_.wait(lock, [this] { return open_; });
    }
    bool hasArrived() {
        const std::lock_guard lock(m_);
        return arrived_ > 0;
    }
    // This and every later request go on.
    void open() {
        const std::lock_guard lock(m_);
        open_ = true;
        cv_.notify_all();
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    int arrived_ = 0;
    bool open_ = false;
};
