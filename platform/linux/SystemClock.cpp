#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace platform {
namespace {

class SystemClock final : public Clock {
public:
    std::uint32_t tickCount() override {
        const auto since = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
    }
    std::time_t now() override { return std::time(nullptr); }
    std::tm localTime(std::time_t t) override {
        std::tm out{};
        localtime_r(&t, &out);
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
