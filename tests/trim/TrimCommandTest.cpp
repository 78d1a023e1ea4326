#include "support/Fakes.h"
#include "support/TempDir.h"
#include "trim/Trim.h"
#include "trim/TrimCommand.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace kestrune;
using namespace testsupport;

namespace {

constexpr std::time_t kT0 = 1700000000;

struct Session {
    Session() {
        platform::AppMemory self = appMB("app.slice/app-kestrune-1.scope", "Kestrune", 5, 5);
        self.self = true;
        apps.put(self);
        apps.put(appMB("app.slice/app-reader-2.scope", "Reader", 100, 0));
        apps.put(appMB("app.slice/app-player-3.scope", "Player", 50, 0));
    }
    TrimCommandOutcome run(bool all, std::time_t now) { return runTrimCommand(all, apps, state, now, stop); }

    FakeApplications apps;
    TempDir dir;
    platform::SessionState state{dir.file("kestrune"), {}};
    std::atomic<bool> stop{false};
};

}  // namespace

TEST(TrimCommand, TheFirstRunKnowsNothingIdleThenTheIdleOnesAreTrimmedOncePerCooldown) {
    Session s;
    TrimCommandOutcome first = s.run(false, kT0);
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.out,
              "Trimmed 0 MB: nothing is known to be idle yet (an application must be seen quiet for 5 minutes).");
    EXPECT_EQ(first.err, "");
    EXPECT_TRUE(s.apps.requests().empty());

    platform::AppMemory player = appMB("app.slice/app-player-3.scope", "Player", 50, 0, 30'000'000);  // it played
    s.apps.put(player);
    EXPECT_EQ(s.run(false, kT0 + 300).out, "Trimmed 100 MB: 100 MB of file cache.");
    ASSERT_EQ(s.apps.requests().size(), 1u);
    EXPECT_EQ(s.apps.requests()[0].id, "app.slice/app-reader-2.scope");

    EXPECT_EQ(s.run(false, kT0 + 400).out,
              "Trimmed 0 MB: the idle applications were trimmed less than 10 minutes ago.");
    EXPECT_EQ(s.apps.requests().size(), 1u);

    // A damaged record is a record of nothing.
    writeFile(s.dir.file("kestrune/trim-activity"), std::string("\0\xff garbage\n", 11));
    EXPECT_EQ(s.run(false, kT0 + 500).out,
              "Trimmed 0 MB: nothing is known to be idle yet (an application must be seen quiet for 5 minutes).");
}

TEST(TrimCommand, AllTakesEveryApplicationButKestrunesOwnWhereTrimmingIsPossible) {
    Session s;
    const TrimCommandOutcome all = s.run(true, kT0);
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.out, "Trimmed 150 MB: 150 MB of file cache.");
    EXPECT_EQ(s.apps.requests().size(), 2u);
    // They were trimmed: an idle trim within the cooldown leaves them alone.
    EXPECT_EQ(s.run(false, kT0 + 300).out,
              "Trimmed 0 MB: the idle applications were trimmed less than 10 minutes ago.");

    s.apps.setUnavailable("Trimming needs cgroup v2.");
    const TrimCommandOutcome refused = s.run(true, kT0 + 400);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "Trimming needs cgroup v2.");
    EXPECT_EQ(refused.out, "");
}

TEST(TrimCommand, ARunWaitsForAnotherTrimToEndThenTrimsWhatIsLeft) {
    Session s;
    s.apps.holdTurnElsewhere(true);
    TrimCommandOutcome second;
    std::thread waiting([&] { second = s.run(true, kT0); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(s.apps.requests().empty());
    s.apps.put(appMB("app.slice/app-reader-2.scope", "Reader", 0, 0));  // what the other trim took
    s.apps.holdTurnElsewhere(false);
    waiting.join();
    EXPECT_EQ(second.out, "Trimmed 50 MB: 50 MB of file cache.");

    // Stopped while it waits: nothing trimmed, and a clean end.
    s.apps.holdTurnElsewhere(true);
    s.stop = true;
    const TrimCommandOutcome stopped = s.run(true, kT0 + 1);
    EXPECT_EQ(stopped.status, 0);
    EXPECT_EQ(stopped.out, "Trimmed 0 MB: stopped before the first application.");
}

TEST(TrimCommand, WithoutAPlaceForTheRecordItSaysSoInTheSameLine) {
    Session s;
    const platform::SessionState none({}, "XDG_RUNTIME_DIR is not set");
    const TrimCommandOutcome first = runTrimCommand(false, s.apps, none, kT0, s.stop);
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.out,
              "Trimmed 0 MB: nothing is known to be idle yet (an application must be seen quiet for 5 minutes). No "
              "record of what has been idle is kept between runs: XDG_RUNTIME_DIR is not set.");
    EXPECT_EQ(runTrimCommand(true, s.apps, none, kT0, s.stop).out, "Trimmed 150 MB: 150 MB of file cache.");
}
