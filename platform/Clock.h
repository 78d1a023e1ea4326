#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <mutex>

namespace platform {

// Cuts a thread's waits short from another thread: once rung, every wait on
// it returns at once, until the waiting thread clears it.
class Alarm {
public:
    void ring();
    bool rung() const;
    // Before the waiter looks at what a ring may have changed, so a ring
    // after that look still ends the next wait.
    void clear();
    // Waits up to `ms` milliseconds or until rung; true when rung.
    bool waitFor(unsigned ms);

private:
    mutable std::mutex mutex_;
    std::condition_variable rang_;
    bool rung_ = false;
};

// Time and pacing as the program uses them; tests inject a fake that moves
// time forward on every sleep instead of waiting.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start, 32-bit and wrapping: only
    // differences in unsigned arithmetic mean anything.
    virtual std::uint32_t tickCount() = 0;
    // Calendar time in whole seconds.
    virtual std::time_t now() = 0;
    // Broken-down local time of `t`.
    virtual std::tm localTime(std::time_t t) = 0;
    // Suspends the caller for about `ms` milliseconds; 0 gives up the rest of
    // the time slice to any other ready thread.
    virtual void sleep(unsigned ms) = 0;
    // As sleep(ms), but returns as soon as `alarm` rings: a thread that waits
    // long between rounds still stops at once, without waking to poll.
    virtual void sleep(unsigned ms, Alarm& alarm) = 0;
    // Waits `ms` in sleeps of `stepMs`, looking at `flag` before each one, so
    // a set flag ends the wait within one step. Whoever sets the flag rings
    // `alarm` as well: the real clock then sleeps the whole wait on the alarm
    // instead of waking every step.
    virtual void sleepInSteps(unsigned ms, unsigned stepMs, const std::atomic<bool>& flag, Alarm& alarm);
};

// The real clock, shared by the whole process; thread-safe.
Clock& systemClock();

}  // namespace platform
