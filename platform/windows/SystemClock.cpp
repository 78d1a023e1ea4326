#include "platform/Clock.h"

#include <windows.h>

#include <chrono>
#include <thread>

namespace platform {
namespace {

class SystemClock final : public Clock {
public:
    // The system's millisecond count: wraps after 49.7 days, as the
    // differences expect.
    std::uint32_t tickCount() override { return GetTickCount(); }
    std::time_t now() override { return std::time(nullptr); }
    std::tm localTime(std::time_t t) override {
        std::tm out{};
        localtime_s(&out, &t);
        return out;
    }
    void sleep(unsigned ms) override {
        if (ms == 0) std::this_thread::yield();
        else std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    void sleep(unsigned ms, Alarm& alarm) override { alarm.waitFor(ms); }
};

}  // namespace

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

}  // namespace platform
