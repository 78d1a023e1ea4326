#include "platform/Numbers.h"
#include "platform/Registry.h"
#include "platform/RegistryReaderWriter.h"
#include "schedule/Schedulethread.h"
#include "support/CapturedStderr.h"
#include "support/Fakes.h"
#include "support/IsolatedStore.h"
#include "support/StoredValues.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <array>
#include <condition_variable>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace kestrune;
using namespace testsupport;

namespace {

// The thread's steps driven by hand: it is built with appClosing already set,
// so its own loop ends at once and the test calls the passes itself.
struct Schedule {
    IsolatedStore isolated;
    FakeClock clock;
    ManualDispatcher ui;
    std::atomic<bool> closing{true};
    std::vector<std::string> ran;
    std::atomic<std::int32_t> load{-1};  // the monitor's quiet sample
    bool loadRunRuns = true;             // what the window's check decides
    double pressure = -1;                // the memory pressure now
    int pressureReads = 0;
    std::unique_ptr<ScheduleThread> thread;

    // `pressureTold`: the system tells the memory pressure, and the thread is
    // given a way to read it.
    explicit Schedule(bool pressureTold = true) {
        ScheduleThread::Actions actions{[this] { ran.push_back("scrub"); }, [this] { ran.push_back("recovery"); },
                                        [this] { return load.load(); },
                                        [this](const LoadTrigger& t) {
                                            if (loadRunRuns) ran.push_back("load " + t.task);
                                            return loadRunRuns;
                                        },
                                        platform::kNoGate};
        if (pressureTold) actions.pressure = [this] { return ++pressureReads, pressure; };
        thread = std::make_unique<ScheduleThread>(closing, clock, ui, std::move(actions));
    }
    // The load-trigger part of a pass at `at`, the UI thread served inline.
    void loadPass(std::time_t at) {
        clock.setNow(at);
        thread->checkLoadTriggers();
    }
    void store(const std::string& name, const std::string& text, const char* key = platform::kScheduleKey) {
        ASSERT_TRUE(storeText(key, name, text));
    }
    static std::string stamp(const char* name) { return storedText(platform::kProductKey, name); }
    // Every 10 seconds from `from` for `seconds`, as the thread checks.
    void checkEvery10s(std::time_t from, int seconds) {
        for (int s = 0; s < seconds; s += 10) {
            clock.setNow(from + s);
            thread->loadEntries();
            thread->checkEntries();
        }
    }
};

// Writes give up at once rather than in 10 s, while a test holds the lock.
struct ShortLockWait {
    ShortLockWait() { platform::RegistryReaderWriter::setLockWait(std::chrono::milliseconds(20)); }
    ~ShortLockWait() { platform::RegistryReaderWriter::setLockWait(platform::kLockWait); }
    ShortLockWait(const ShortLockWait&) = delete;
    ShortLockWait& operator=(const ShortLockWait&) = delete;
};

constexpr int kMinute = 60;
constexpr std::time_t kHalfHour = 1800;

// Two threads meet here before each round. Not std::barrier: with
// MinGW-w64's GCC 12 its wait, on a system without a futex, can miss the
// other thread's arrival and leave both waiting.
class Meeting {
public:
    void arriveAndWait() {
        std::unique_lock lock(mutex_);
        const unsigned round = round_;
        if (++arrived_ < 2) {
            met_.wait(lock, [&] { return round_ != round; });
            return;
        }
        arrived_ = 0;
        ++round_;
        met_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable met_;
    int arrived_ = 0;
    unsigned round_ = 0;
};

}  // namespace

// Each row: the entries stored, the windows checked every 10 s from their
// minute before for three minutes, and the operations that ran.
TEST(ScheduleThread, EachEntryRunsOnceInItsDueMinuteAndNeverOutsideIt) {
    CapturedStderr quiet;
    using Ran = std::vector<std::string>;
    const struct {
        std::vector<const char*> entries;
        std::vector<std::time_t> windows;
        Ran ran;
    } cases[] = {
        {{"R 10 0 every day 0 0 0"}, {utc(2003, 12, 29, 9, 59), utc(2003, 12, 30, 9, 59)}, {"recovery", "recovery"}},
        {{"S 0 30 every hour 0 0 0"}, {utc(2003, 12, 29, 10, 29), utc(2003, 12, 29, 11, 29)}, {"scrub", "scrub"}},
        // 29 December 2003 was a Monday (1): not the Sunday before nor the Tuesday after.
        {{"R 10 0 every week 0 1 0"},
         {utc(2003, 12, 28, 9, 59), utc(2003, 12, 29, 9, 59), utc(2003, 12, 30, 9, 59)},
         {"recovery"}},
        // Day 31 never comes in November, nor carries over into December.
        {{"R 10 0 every month 0 31 0"},
         {utc(2003, 11, 30, 9, 59), utc(2003, 12, 1, 9, 59), utc(2003, 12, 31, 9, 59)},
         {"recovery"}},
        {{"S 22 0 on 12 29 2003"}, {utc(2003, 12, 29, 21, 59), utc(2004, 12, 29, 21, 59)}, {"scrub"}},
        // Entries due together share their operations once per minute.
        {{"SR 10 0 every day 0 0 0", "S 10 0 every day 0 0 0"}, {utc(2003, 12, 29, 9, 59)}, {"scrub", "recovery"}},
        {{"s 10 0 every day 0 0 0", "sR 10 0 every day 0 0 0"}, {utc(2003, 12, 29, 9, 59)}, {"scrub", "recovery"}},
        // A stamp missing in the due minute is written as now: that counts as the run.
        {{"S 10 0 every day 0 0 0"}, {utc(2003, 12, 29, 10, 0)}, {}},
        // The period compared as stored, no such hour, task or period.
        {{"S 10 0 every Day 0 0 0", "R 25 0 every day 0 0 0", "X 10 0 every day 0 0 0", "R 10 0 every year 0 0 0"},
         {utc(2003, 12, 29, 9, 59)},
         {}},
    };
    for (const auto& c : cases) {
        Schedule s;
        for (std::size_t i = 0; i < c.entries.size(); ++i) s.store(std::to_string(i), c.entries[i]);
        for (const std::time_t from : c.windows) s.checkEvery10s(from, 3 * kMinute);
        EXPECT_EQ(s.ran, c.ran) << c.entries[0];
        // One that cannot run is skipped as it is read.
        const auto runnable = std::count_if(c.entries.begin(), c.entries.end(), [](const char* text) {
            ScheduleEntry e;
            e.parseText(text);
            return e.fault().empty();
        });
        EXPECT_EQ(s.thread->entries.size(), static_cast<std::size_t>(runnable))
            << "a once entry stays stored: " << c.entries[0];
    }

    Schedule none;  // nothing stored: the stamps are never touched
    none.checkEvery10s(utc(2003, 12, 29, 9, 59), 3 * kMinute);
    EXPECT_EQ(none.stamp("lastScrub") + none.stamp("lastRecovery"), "(none)(none)");
}

TEST(ScheduleThread, AMalformedValueIsSkippedAndNamedOnceWhileTheOthersStillRun) {
    CapturedStderr err;
    Schedule s;
    s.store("0", "R 10 zero every day 0 0 0");
    s.store("1", "S 10 0 every day 0 0 0");
    s.store("2", "R 10 \x1b]0;pwned\x07 every day 0 0 0");      // a terminal's escape, stored by hand
    s.store("lastRecovery", "garbage", platform::kProductKey);  // counts as missing
    s.checkEvery10s(utc(2003, 12, 29, 9, 59), 2 * kMinute);
    EXPECT_EQ(s.ran, std::vector<std::string>{"scrub"});
    EXPECT_EQ(s.thread->entries.size(), 1u);
    const std::string said = err.text();
    const std::string line = "Skipping schedule entry \"0\": 'zero' is not a valid integer value\n";
    EXPECT_NE(said.find(line), std::string::npos);
    EXPECT_NE(said.find("'\\x1b]0;pwned\\x07' is not a valid integer value"), std::string::npos) << said;
    EXPECT_EQ(said.find('\x1b'), std::string::npos);
    EXPECT_EQ(platform::TerminalSafe("Zo\xc3\xab \xc2\x9b[2J \xff"), "Zo\xc3\xab \\xc2\\x9b[2J \\xff");
    EXPECT_EQ(said.find(line), said.rfind(line));                // once, not every pass
    EXPECT_EQ(s.stamp("lastRecovery"), "s 9 59 on 12 29 2003");  // rewritten afresh
}

TEST(ScheduleThread, StampsAreWrittenBeforeTheOperationStarts) {
    CapturedStderr quiet;
    Schedule s;
    s.clock.setNow(utc(2003, 12, 29, 14, 7));
    std::string seenAtScrub;
    s.thread = std::make_unique<ScheduleThread>(
        s.closing, s.clock, s.ui,
        ScheduleThread::Actions{[&] { seenAtScrub = s.stamp("lastScrub") + "|" + s.stamp("lastRecovery"); }, [] {}});
    s.thread->refreshLastRuns();
    s.thread->runScrubAndRecovery();
    EXPECT_EQ(seenAtScrub, "s 14 7 on 12 29 2003|s 14 7 on 12 29 2003");
}

TEST(ScheduleThread, OfTwoCopiesCheckingTheSameDueMinuteExactlyOneRunsIt) {
    CapturedStderr quiet;
    IsolatedStore isolated;
    ASSERT_TRUE(storeText(platform::kScheduleKey, "0", "R 0 0 every hour 0 0 0"));
    ASSERT_TRUE(storeText(platform::kProductKey, "lastRecovery", "s 0 0 on 1 1 2000"));
    constexpr int kRounds = 200;
    std::array<std::atomic<int>, kRounds> runs{};
    Meeting meet;
    // Each copy its own thread, clock and store connections; every round an
    // hour later, both at the same moment.
    auto copy = [&] {
        FakeClock clock;
        ManualDispatcher ui;
        std::atomic<bool> closing{true};
        int round = 0;
        ScheduleThread t(closing, clock, ui, {[] {}, [&] { ++runs[static_cast<std::size_t>(round)]; }});
        for (; round < kRounds; ++round) {
            clock.setNow(utc(2003, 12, 29, 0, 0, 5) + static_cast<std::time_t>(round) * 3600);
            meet.arriveAndWait();
            t.loadEntries();
            t.checkEntries();
        }
    };
    std::thread other(copy);
    copy();
    other.join();
    for (int round = 0; round < kRounds; ++round) EXPECT_EQ(runs[static_cast<std::size_t>(round)], 1) << round;
}

// A full disk or a read-only store: timed entries and load triggers alike.
TEST(ScheduleThread, AStampThatCannotBeStoredStillRunsOnceAndWaitsAsIfStored) {
    CapturedStderr quiet;
    Schedule s;
    s.store("0", "R 10 0 every day 0 0 0");
    s.store("lastRecovery", "s 10 0 on 12 28 2003", platform::kProductKey);
    s.store("0", "S 50 30 0", platform::kLoadTriggerKey);
    if (!s.isolated.holdWriteLock()) GTEST_SKIP() << "the registry has no write lock to hold";
    const ShortLockWait shortWait;
    s.checkEvery10s(utc(2003, 12, 29, 9, 59), 3 * kMinute);
    EXPECT_EQ(s.ran, std::vector<std::string>{"recovery"});
    EXPECT_EQ(s.stamp("lastRecovery"), "s 10 0 on 12 28 2003");  // never stored
    s.load = 60;
    for (int i = 0; i < 6; ++i) s.loadPass(utc(2003, 12, 29, 10, 0, 10 * i));
    EXPECT_EQ(s.ran, (std::vector<std::string>{"recovery", "load S"}));
    s.loadPass(utc(2003, 12, 29, 10, 30));
    s.isolated.releaseWriteLock();
    EXPECT_EQ(s.ran.size(), 3u);
}

// A store that takes no write (read only, full) and holds no stamps yet:
// the first time the thread meets stands in for them, so the entry still
// comes due; and each value that cannot be read is named once in the run,
// not on every pass.
TEST(ScheduleThread, WithoutStampsItCannotStoreAnEntryStillRunsAndEachFailureIsNamedOnce) {
    CapturedStderr err;
    Schedule s;
    s.store("0", "R 10 0 every day 0 0 0");
    s.store("1", std::string(300, 'x'));
    if (!s.isolated.holdWriteLock()) GTEST_SKIP() << "the registry has no write lock to hold";
    const ShortLockWait shortWait;
    s.checkEvery10s(utc(2003, 12, 29, 9, 58), 4 * kMinute);
    s.isolated.releaseWriteLock();
    const std::string said = err.take();
    EXPECT_EQ(s.ran, std::vector<std::string>{"recovery"});
    EXPECT_EQ(s.stamp("lastRecovery"), "(none)");
    auto count = [&](const std::string& what) {
        int n = 0;
        for (auto at = said.find(what); at != std::string::npos; at = said.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("Buffer is too small"), 1) << said;  // the long value
    EXPECT_EQ(count("Error in readString"), 3) << said;  // it, and the two stamps
    EXPECT_EQ(count("Skipping schedule entry \"1\""), 1) << said;
}

// The entries are read again once the store has changed, and only then.
TEST(ScheduleThread, TheEntriesAreReadAgainOnlyAfterAChange) {
    CapturedStderr quiet;
    Schedule s;
    s.store("0", "R 10 0 every day 0 0 0");
    s.thread->loadEntries();
    ASSERT_EQ(s.thread->entries.size(), 1u);
    s.thread->entries.clear();  // what the last read gave is kept while nothing changes
    s.thread->loadEntries();
    EXPECT_TRUE(s.thread->entries.empty());
    s.store("1", "S 0 30 every hour 0 0 0");
    s.thread->loadEntries();
    ASSERT_EQ(s.thread->entries.size(), 2u);
    s.store("0", "R 11 0 every day 0 0 0");
    s.thread->loadEntries();
    EXPECT_EQ(s.thread->entries[0].hour, 11);
    platform::RegistryReaderWriter reg;
    reg.setKeyName(platform::kScheduleKey);
    ASSERT_TRUE(reg.deleteValue("1"));
    s.thread->loadEntries();
    EXPECT_EQ(s.thread->entries.size(), 1u);
}

TEST(ScheduleThread, ALoadTriggerRunsWhenTheLoadIsAboveItThenWaitsItsCooldown) {
    CapturedStderr quiet;
    Schedule s;
    const std::time_t t0 = utc(2003, 12, 29, 10, 0);
    s.store("0", "R 80 30 0", platform::kLoadTriggerKey);
    s.store("1", "S 95 30 0", platform::kLoadTriggerKey);
    s.loadPass(t0);  // no sample yet
    EXPECT_TRUE(s.ran.empty());

    s.load = 97;  // both due: the first runs, and the pass ends with it
    s.loadPass(t0 + 10);
    EXPECT_EQ(s.ran, std::vector<std::string>{"load R"});
    EXPECT_EQ(s.stamp("lastRecovery"), "(none)");  // the timed entries' stamps are theirs
    EXPECT_EQ(storedText(platform::kLoadTriggerKey, "0"), "R 80 30 " + std::to_string(t0 + 10));
    s.loadPass(t0 + 20);  // the next pass: the other one
    s.loadPass(t0 + kHalfHour);
    EXPECT_EQ(s.ran, (std::vector<std::string>{"load R", "load S"}));
    s.loadPass(t0 + 10 + kHalfHour);  // the first one's cooldown is over
    EXPECT_EQ(s.ran.size(), 3u);
}

TEST(ScheduleThread, ALoadTriggerTheWindowDeclinesKeepsItsCooldownAndBadOnesAreSkipped) {
    CapturedStderr quiet;
    Schedule s;
    s.store("0", "R 150 30 0", platform::kLoadTriggerKey);  // out of range
    s.store("1", "R 50 30 0", platform::kLoadTriggerKey);
    s.load = 60;
    s.loadRunRuns = false;  // an operation had started meanwhile
    s.loadPass(utc(2003, 12, 29, 10, 0));
    s.loadPass(utc(2003, 12, 29, 10, 0, 10));
    EXPECT_TRUE(s.ran.empty());
    EXPECT_EQ(storedText(platform::kLoadTriggerKey, "1"), "R 50 30 0");
    s.loadRunRuns = true;
    s.loadPass(utc(2003, 12, 29, 10, 0, 20));
    EXPECT_EQ(s.ran, std::vector<std::string>{"load R"});
    EXPECT_NE(quiet.text().find("Skipping schedule entry \"0\""), std::string::npos);
}

TEST(ScheduleThread, APressureTriggerIsJudgedByThePressureReadOnlyOnPassesThatHaveOne) {
    CapturedStderr quiet;
    Schedule s;
    const std::time_t t0 = utc(2003, 12, 29, 10, 0);
    s.store("0", "R 80 30 0", platform::kLoadTriggerKey);
    s.load = 50;
    s.pressure = 35.5;
    s.loadPass(t0);
    EXPECT_EQ(s.pressureReads, 0);  // no pressure trigger: the pressure is never read
    s.store("1", "T 20 30 0 pressure", platform::kLoadTriggerKey);
    s.store("2", "S 30 30 0 pressure", platform::kLoadTriggerKey);
    s.load = -1;  // no quiet sample: load triggers wait, pressure ones do not
    s.loadPass(t0 + 10);
    EXPECT_EQ(s.ran, std::vector<std::string>{"load T"});
    EXPECT_EQ(storedText(platform::kLoadTriggerKey, "1"), "T 20 30 " + std::to_string(t0 + 10) + " pressure");
    s.loadPass(t0 + 20);
    EXPECT_EQ(s.ran, (std::vector<std::string>{"load T", "load S"}));
    EXPECT_EQ(s.pressureReads, 2);  // once a pass, however many triggers
    s.pressure = -1;                // the system stopped telling
    s.loadPass(t0 + 10 + kHalfHour);
    EXPECT_EQ(s.ran.size(), 2u);
}

TEST(ScheduleThread, WhereThePressureIsNotToldAPressureTriggerIsPassedOverUntouched) {
    Schedule s(false);
    const std::time_t t0 = utc(2003, 12, 29, 10, 0);
    s.store("0", "T 20 30 0 pressure", platform::kLoadTriggerKey);
    s.store("1", "R 80 30 0", platform::kLoadTriggerKey);
    s.load = 95;
    s.loadPass(t0);
    EXPECT_EQ(s.ran, std::vector<std::string>{"load R"});
    EXPECT_EQ(storedText(platform::kLoadTriggerKey, "0"), "T 20 30 0 pressure");  // never claimed
}

TEST(ScheduleThread, ClosingDuringTheWaitEndsItAtTheNextTwentyMillisecondStep) {
    CapturedStderr quiet;
    IsolatedStore isolated;
    FakeClock clock;
    ManualDispatcher ui;
    std::atomic<bool> closing{false};
    std::atomic<int> steps{0};
    clock.onSleep([&](unsigned ms) {
        EXPECT_EQ(ms, 20u);
        if (++steps == 100) closing = true;  // two seconds into the first wait
    });
    {
        ScheduleThread t(closing, clock, ui, {[] {}, [] {}});
        for (int i = 0; i < 5000 && !closing; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(steps, 100);  // the flag was looked at before the next step

    // The real clock sleeps the wait in one, and the owner's close ends it.
    std::atomic<bool> open{false};
    auto real =
        std::make_unique<ScheduleThread>(open, platform::systemClock(), ui, ScheduleThread::Actions{[] {}, [] {}});
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    open = true;
    const auto start = std::chrono::steady_clock::now();
    real.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(ScheduleThread, ARequestWaitingForTheUiThreadIsDroppedAtShutdown) {
    CapturedStderr quiet;
    IsolatedStore isolated;
    storeText(platform::kScheduleKey, "0", "R 10 0 every day 0 0 0");
    storeText(platform::kProductKey, "lastRecovery", "s 9 59 on 12 29 2003");
    FakeClock clock;
    clock.setNow(utc(2003, 12, 29, 9, 59, 55));  // the first check lands at 10:00:05
    ManualDispatcher ui;
    std::atomic<bool> closing{false};
    auto t = std::make_unique<ScheduleThread>(closing, clock, ui, ScheduleThread::Actions{[] {}, [] {}});
    ASSERT_TRUE(ui.waitForTask(std::chrono::seconds(10)));  // the request is posted, not served
    closing = true;
    const auto start = std::chrono::steady_clock::now();
    t.reset();  // that the dropped request never runs is the UI sync's own case
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST(ScheduleThread, ABodyThatRunsOutOfMemorySaysSchedulingHasStopped) {
    CapturedStderr err;
    IsolatedStore isolated;
    FakeClock clock;  // its waits end at once: the first pass comes straight away
    ManualDispatcher ui;
    std::vector<std::string> shown;
    const platform::ThreadFailureHandler previous =
        platform::setThreadFailureHandler([&](const std::string& text) { shown.push_back(text); });
    std::atomic<bool> closing{false};
    ScheduleThread::Actions actions{[] {}, [] {}};
    actions.everyPass = [] { throw std::bad_alloc(); };
    auto t = std::make_unique<ScheduleThread>(closing, clock, ui, std::move(actions));
    const bool reported = ui.pumpUntil([&] { return !shown.empty(); });
    closing = true;
    t.reset();
    platform::setThreadFailureHandler(previous);
    ASSERT_TRUE(reported);
    const std::string text = "The scheduler stopped: no scheduled operation will run until Kestrune is started again: ";
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind(text, 0), 0u) << shown[0];
    EXPECT_NE(err.text().find(text), std::string::npos) << err.text();
}
