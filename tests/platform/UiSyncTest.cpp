#include "Syncer.h"
#include "platform/Thread.h"
#include "platform/UiSync.h"
#include "support/CapturedStderr.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace platform;
using synctest::Syncer;
using testsupport::ManualDispatcher;

namespace {
constexpr unsigned kGateA = 1u << 0;
constexpr unsigned kGateB = 1u << 1;
}  // namespace

TEST(UiSync, CallRunsOnTheUiThreadAndWaitsForIt) {
    ManualDispatcher ui;
    UiSync sync(ui);
    std::thread::id ranOn;
    std::atomic<bool> returned{false};
    bool result = false;
    std::thread worker([&] {
        result = sync.call([&] { ranOn = std::this_thread::get_id(); });
        returned = true;
    });
    ASSERT_TRUE(ui.waitForTask(std::chrono::seconds(5)));
    EXPECT_FALSE(returned);  // blocked until the UI thread serves it
    ui.runPending();
    worker.join();
    EXPECT_TRUE(result);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(UiSync, CloseDropsThePendingCallAndRefusesNewOnes) {
    ManualDispatcher ui;
    UiSync sync(ui);
    std::atomic<int> ran{0};
    bool first = true;
    std::thread worker([&] { first = sync.call([&] { ++ran; }); });
    ASSERT_TRUE(ui.waitForTask(std::chrono::seconds(5)));
    sync.close();
    worker.join();  // released without the UI thread serving anything
    EXPECT_FALSE(first);
    ui.runPending();  // the dropped task comes up later and does nothing
    EXPECT_EQ(ran, 0);

    std::thread late([&] { first = sync.call([&] { ++ran; }); });
    late.join();
    EXPECT_FALSE(first);
    EXPECT_EQ(ui.queued(), 0u);
}

TEST(UiSync, TaskThatCannotBeQueuedIsDroppedNotAwaited) {
    ManualDispatcher ui;
    ui.refuse();
    UiSync sync(ui);
    bool ran = false;
    std::thread worker([&] { EXPECT_FALSE(sync.call([&] { ran = true; })); });
    worker.join();
    EXPECT_FALSE(ran);
}

TEST(UiSync, ExceptionOfTheCallReachesTheCallingThread) {
    ManualDispatcher ui;
    UiSync sync(ui);
    std::string caught;  // the worker's own until it is joined
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        try {
            sync.call([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
        returned = true;
    });
    const bool served = ui.pumpUntil([&] { return returned.load(); });
    if (!served) sync.close();  // lets the worker go, so the join cannot hang
    worker.join();
    ASSERT_TRUE(served);
    EXPECT_EQ(caught, "boom");
}

TEST(UiSync, CallFromTheUiThreadRunsInline) {
    ManualDispatcher ui;
    UiSync sync(ui);
    int ran = 0;
    EXPECT_TRUE(sync.call([&] { ++ran; }));
    EXPECT_EQ(ran, 1);
    sync.close();
    EXPECT_FALSE(sync.call([&] { ++ran; }));
    EXPECT_EQ(ran, 1);
}

TEST(UiSync, HeldGateParksCallsUntilReleasedInOrder) {
    ManualDispatcher ui;
    std::vector<int> order;
    ui.post([&] { order.push_back(1); }, kGateA);
    ui.post([&] { order.push_back(2); }, kGateB);
    ui.post([&] { order.push_back(3); }, kNoGate);
    ui.post([&] { order.push_back(4); }, kGateA | kGateB);
    {
        GateHold recovery(ui, kGateA);
        GateHold operation(ui, kGateB);
        ui.runPending();
        EXPECT_EQ(order, std::vector<int>({3}));
        ui.release(kGateB);  // one of two holds of the operation gate
        ui.hold(kGateB);
    }
    // The operation gate went first (2 alone could run), then the recovery
    // gate let 1 and 4 go in the order they came.
    ui.runPending();
    EXPECT_EQ(order, std::vector<int>({3, 2, 1, 4}));
}

TEST(UiSync, ClosingWhileParkedReleasesTheCaller) {
    ManualDispatcher ui;
    GateHold busy(ui, kGateA);
    UiSync sync(ui, kGateA);
    bool result = true;
    std::thread worker([&] { result = sync.call([] {}); });
    ASSERT_TRUE(ui.waitForTask(std::chrono::seconds(5)));
    ui.runPending();  // parked behind the held gate
    sync.close();
    worker.join();
    EXPECT_FALSE(result);
}

TEST(UiSync, ThousandsOfStopsOfASyncingThreadNeverHangOrRunLate) {
    ManualDispatcher ui;
    std::atomic<int> ran{0};
    for (int round = 0; round < 3000; ++round) {
        auto t = std::make_unique<Syncer>(ui, ran, round % 3 == 0 ? kGateA : kNoGate);
        // Serve a varying number of calls, sometimes none, before stopping.
        for (int i = 0; i < round % 4; ++i) ui.runPending();
        std::unique_ptr<GateHold> hold;
        if (round % 5 == 0) hold = std::make_unique<GateHold>(ui, kGateA);
        t->stop();
        const int atStop = ran;
        ui.runPending();
        hold.reset();
        ui.runPending();
        EXPECT_EQ(ran, atStop) << "a call ran after its thread was stopped, round " << round;
        if (ran != atStop) break;
    }
}

namespace {
class Thrower final : public Thread {
public:
    explicit Thrower(UiSync* reportTo = nullptr) {
        if (reportTo) reportFailureAs("The test's thread stopped", *reportTo);
        start();
    }
    ~Thrower() override { waitFor(); }
    void join() { waitFor(); }

protected:
    void Execute() override { throw std::invalid_argument("not a number"); }
};

// Sets the failure handler for one test and puts the previous one back.
struct FailureBoxes {
    std::vector<std::string> shown;
    std::thread::id shownOn;
    ThreadFailureHandler previous = setThreadFailureHandler([this](const std::string& text) {
        shown.push_back(text);
        shownOn = std::this_thread::get_id();
    });
    FailureBoxes() = default;
    FailureBoxes(const FailureBoxes&) = delete;
    FailureBoxes& operator=(const FailureBoxes&) = delete;
    ~FailureBoxes() { setThreadFailureHandler(previous); }
};
}  // namespace

TEST(Thread, AFailedBodyIsKeptAndSaysWhatWasLostOnStderrAndOnTheUiThread) {
    testsupport::CapturedStderr err;
    ManualDispatcher ui;
    UiSync sync(ui);
    FailureBoxes boxes;
    Thrower t(&sync);
    ASSERT_TRUE(ui.pumpUntil([&] { return !boxes.shown.empty(); }));
    t.join();
    EXPECT_EQ(boxes.shown, std::vector<std::string>{"The test's thread stopped: not a number"});
    EXPECT_EQ(boxes.shownOn, std::this_thread::get_id());
    EXPECT_EQ(err.text(), "The test's thread stopped: not a number\n");
    ASSERT_TRUE(t.fatalError());
    EXPECT_THROW(std::rethrow_exception(t.fatalError()), std::invalid_argument);

    // Without a channel to the UI thread, stderr alone.
    err.take();
    Thrower alone;
    alone.join();
    EXPECT_EQ(err.text(), "A Kestrune thread stopped: not a number\n");
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST(Thread, AFailureReportedAtShutdownIsDroppedAndTheJoinDoesNotWait) {
    testsupport::CapturedStderr err;
    ManualDispatcher ui;
    UiSync sync(ui);
    FailureBoxes boxes;
    Thrower t(&sync);
    ASSERT_TRUE(ui.waitForTask(std::chrono::seconds(5)));  // the report waits for the UI thread
    sync.close();
    t.join();  // returns without the UI thread serving anything
    ui.runPending();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(err.text(), "The test's thread stopped: not a number\n");
}
