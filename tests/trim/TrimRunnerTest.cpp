#include "RequestGate.h"
#include "support/Fakes.h"
#include "trim/TrimRunner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace kestrune;
using namespace testsupport;

namespace {

constexpr std::time_t kT0 = 1700000000;

struct Runner {
    FakeApplications apps;
    SharedActivity activity;
    FakeClock clock;
    ManualDispatcher ui;
    std::unique_ptr<TrimRunner> runner = std::make_unique<TrimRunner>(apps, activity, clock, ui);
    std::vector<std::string> told;

    Runner() { clock.setNow(kT0); }
    TrimListener listener(const std::string& who) {
        return {[this, who](const std::string& name) { told.push_back(who + " trimming " + name); },
                [this, who](const TrimResult& r, const std::string&) { told.push_back(who + " " + r.describe()); }};
    }
};

}  // namespace

TEST(TrimRunner, OneTrimAtATimeItsOwnerAloneStopsItAndTheNextMayStartFromItsResult) {
    Runner r;
    r.apps.put(appMB("a", "A", 300, 0));
    r.apps.put(appMB("b", "B", 100, 0));
    // Both quiet for ten minutes.
    r.activity.observe(r.apps.list(0), kT0 - 600);
    r.activity.observe(r.apps.list(0), kT0);
    RequestGate hold;
    r.apps.onReclaim([&](const FakeApplications::Request& q) { hold.hold(q); });
    TrimListener first = r.listener("tray");
    // Its result offers the next trim at once: not busy while it hands back.
    first.done = [&](const TrimResult& result, const std::string&) {
        r.told.push_back("tray " + result.describe());
        EXPECT_FALSE(r.runner->busy());
        EXPECT_NE(r.runner->start({appMB("b", "B", 100, 0)}, r.listener("again")), 0u);
    };
    const TrimRunner::Ticket tray = r.runner->start({appMB("a", "A", 300, 0)}, first);
    ASSERT_NE(tray, 0u);
    EXPECT_TRUE(r.runner->busy());
    EXPECT_EQ(r.runner->start({appMB("b", "B", 100, 0)}, r.listener("window")), 0u);  // never two at once
    // Its line comes first, through the UI thread.
    ASSERT_TRUE(r.ui.pumpUntil([&] { return hold.hasArrived(); }));
    r.runner->abandon(tray + 1);  // another's ticket leaves it alone
    hold.open();
    ASSERT_TRUE(r.ui.pumpUntil([&] { return r.told.size() >= 4; }));
    EXPECT_EQ(r.told, (std::vector<std::string>{"tray trimming A", "tray Trimmed 300 MB: 300 MB of file cache.",
                                                "again trimming B", "again Trimmed 100 MB: 100 MB of file cache."}));
    // Each one trimmed waits its cooldown before an unattended trim takes it again.
    EXPECT_TRUE(r.activity.idle(r.apps.list(0), kT0 + 60).empty());
    EXPECT_EQ(r.activity.whyNoneIdle(r.apps.list(0), kT0 + 60),
              "the idle applications were trimmed less than 10 minutes ago");
}

TEST(TrimRunner, ItsEndStopsATrimInProgressAfterTheStepAndHandsNothingBack) {
    Runner r;
    r.apps.put(appMB("big", "Big", 1024, 0));
    RequestGate hold;
    r.apps.onReclaim([&](const FakeApplications::Request& q) { hold.hold(q); });
    ASSERT_NE(r.runner->start({appMB("big", "Big", 1024, 0)}, r.listener("window")), 0u);
    ASSERT_TRUE(r.ui.pumpUntil([&] { return hold.hasArrived(); }));
    std::thread letGo([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        hold.open();
    });
    r.runner.reset();  // waits for the step in progress, not for the UI thread
    letGo.join();
    r.ui.runPending();
    EXPECT_EQ(r.apps.requests().size(), 1u);
    EXPECT_EQ(r.told, std::vector<std::string>{"window trimming Big"});
}
