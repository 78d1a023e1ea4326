#include "Clock.h"

#include <chrono>

namespace platform {

void Alarm::ring() {
    {
        std::lock_guard lock(mutex_);
        rung_ = true;
    }
    rang_.notify_all();
}

bool Alarm::rung() const {
    std::lock_guard lock(mutex_);
    return rung_;
}

bool Alarm::waitFor(unsigned ms) {
    std::unique_lock lock(mutex_);
    return rang_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return rung_; });
}

}  // namespace platform
