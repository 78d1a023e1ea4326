#include "platform/Clock.h"

#include "platform/SystemTime.h"

#include <chrono>
#include <thread>

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

void Alarm::clear() {
    std::lock_guard lock(mutex_);
    rung_ = false;
}

bool Alarm::waitFor(unsigned ms) {
    std::unique_lock lock(mutex_);
    return rang_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return rung_; });
}

void Clock::sleepInSteps(unsigned ms, unsigned stepMs, const std::atomic<bool>& flag, Alarm& alarm) {
    for (unsigned waited = 0; waited < ms && !flag && !alarm.rung(); waited += stepMs) sleep(stepMs);
}

namespace {

class SystemClock final : public Clock {
public:
    std::uint32_t tickCount() override { return detail::systemTickCount(); }
    std::time_t now() override { return std::time(nullptr); }
    std::tm localTime(std::time_t t) override { return detail::systemLocalTime(t); }
    void sleep(unsigned ms) override {
        if (ms == 0)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    void sleep(unsigned ms, Alarm& alarm) override { alarm.waitFor(ms); }
    void sleepInSteps(unsigned ms, unsigned, const std::atomic<bool>& flag, Alarm& alarm) override {
        if (!flag) alarm.waitFor(ms);
    }
};

}  // namespace

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

}  // namespace platform
