#include "support/Fakes.h"
#include "trim/Trim.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

using namespace kestrune;
using namespace testsupport;
using platform::AppMemory;
using platform::Reclaim;

namespace {

constexpr std::uint64_t kMiB = 1048576;
constexpr std::time_t kT0 = 1700000000;

std::vector<std::string> ids(const std::vector<AppMemory>& apps) {
    std::vector<std::string> out;
    out.reserve(apps.size());
    for (const auto& a : apps) out.push_back(a.id);
    return out;
}

std::vector<std::uint64_t> requestedMB(const FakeApplications& fake) {
    std::vector<std::uint64_t> out;
    for (const auto& r : fake.requests()) out.push_back(r.bytes / kMiB);
    return out;
}

platform::SystemFigures swapMB(std::uint64_t total, std::uint64_t free) {
    platform::SystemFigures s;
    s.swapTotal = total * kMiB;
    s.swapFree = free * kMiB;
    return s;
}

TrimResult trimAll(FakeApplications& fake, const TrimProgress& progress = {}) {
    const std::atomic<bool> stop{false};
    return trimApplications(fake, fake.list(0), stop, progress);
}

}  // namespace

TEST(TrimActivity, QuietIsKnownOnlyFromTwoReadingsUnderTheIdleRate) {
    ActivityTracker t;
    AppMemory a = appMB("app.slice/a.scope", "A", 1, 1, 5'000'000);
    EXPECT_EQ(t.idleSeconds(a.id, kT0), -1);
    t.observe({a}, kT0);
    EXPECT_EQ(t.idleSeconds(a.id, kT0 + 60), -1);  // one reading tells nothing

    // 80 ms in five minutes: quiet since the first reading.
    a.cpuMicros += 80'000;
    t.observe({a}, kT0 + 300);
    EXPECT_EQ(t.idleSeconds(a.id, kT0 + 300), 300);

    // Two seconds of work: active now, quiet again from here.
    a.cpuMicros += 2'000'000;
    t.observe({a}, kT0 + 360);
    EXPECT_EQ(t.idleSeconds(a.id, kT0 + 360), 0);

    // Its CPU time fell: a process ended or started, which is not quiet.
    a.cpuMicros = 1000;
    t.observe({a}, kT0 + 900);
    EXPECT_EQ(t.idleSeconds(a.id, kT0 + 900), 0);

    // An application no longer listed is forgotten.
    t.observe({}, kT0 + 960);
    EXPECT_TRUE(t.empty());
}

TEST(TrimActivity, OftenPolledAProgramThatWorksALittleAllTheTimeIsNotQuietButOneWithATimerIs) {
    ActivityTracker t;
    AppMemory busy = appMB("busy", "Busy", 0, 0), timer = appMB("timer", "Timer", 0, 0);
    for (int s = 0; s <= 600; ++s) {
        t.observe({busy, timer}, kT0 + s);
        busy.cpuMicros += 20'000;                   // 2 % of a core, every second
        if (s % 10 == 0) timer.cpuMicros += 5'000;  // 5 ms every ten seconds
    }
    EXPECT_LT(t.idleSeconds("busy", kT0 + 600), 5);
    EXPECT_EQ(t.idleSeconds("timer", kT0 + 600), 600);
}

TEST(TrimSelection, IdleOnesAreChosenOncePerCooldownNeverKestruneOrTheFocusedOne) {
    ActivityTracker t;
    AppMemory idle = appMB("idle", "Idle", 10, 0), focused = appMB("focused", "Editor", 10, 0),
              self = appMB("self", "Kestrune", 10, 0), young = appMB("young", "Young", 10, 0);
    focused.focused = true;
    self.self = true;
    t.observe({idle, focused, self}, kT0);
    t.observe({idle, focused, self, young}, kT0 + 300);
    const std::vector<AppMemory> apps{idle, focused, self, young};
    EXPECT_EQ(ids(idleApplications(apps, t, kT0 + 300)), std::vector<std::string>{"idle"});
    EXPECT_EQ(ids(allApplications(apps)), (std::vector<std::string>{"idle", "young"}));

    t.trimmed("idle", kT0 + 300);
    EXPECT_TRUE(t.coolingDown("idle", kT0 + 300 + trim::kCooldownSeconds - 1));
    EXPECT_TRUE(idleApplications(apps, t, kT0 + 600).empty());
    EXPECT_EQ(whyNoneIdle(apps, t, kT0 + 600), "the idle applications were trimmed less than 10 minutes ago");
    EXPECT_EQ(ids(idleApplications(apps, t, kT0 + 300 + trim::kCooldownSeconds)), std::vector<std::string>{"idle"});

    // Why none was chosen, from the first run on.
    ActivityTracker fresh;
    EXPECT_EQ(whyNoneIdle(apps, fresh, kT0),
              "nothing is known to be idle yet (an application must be seen quiet for 5 minutes)");
    fresh.observe(apps, kT0);
    fresh.observe(apps, kT0 + 60);
    EXPECT_EQ(whyNoneIdle(apps, fresh, kT0 + 60), "no application has been idle for 5 minutes yet");
    EXPECT_EQ(whyNoneIdle({self, focused}, fresh, kT0 + 60), "no other application is running in this session");
    TrimResult none;
    none.none = whyNoneIdle(apps, ActivityTracker{}, kT0);
    EXPECT_EQ(none.describe(),
              "Trimmed 0 MB: nothing is known to be idle yet (an application must be seen quiet for 5 minutes).");
}

TEST(TrimActivity, TheRecordKeptBetweenRunsReadsBackAndADamagedLineIsSkipped) {
    ActivityTracker t;
    AppMemory a = appMB("app.slice/app-gnome-firefox\\x2desr-1234.scope", "Firefox", 1, 1, 900);
    AppMemory b = appMB("app.slice/with space.service", "Spaced", 1, 1, 7);
    t.observe({a, b}, kT0);
    t.observe({a, b}, kT0 + 400);
    t.trimmed(b.id, kT0 + 400);
    t.trimmed("never-observed", kT0 + 400);

    ActivityTracker back;
    back.parseText(t.toText());
    EXPECT_EQ(back.toText(), t.toText());
    EXPECT_EQ(back.idleSeconds(a.id, kT0 + 500), 500);
    EXPECT_TRUE(back.coolingDown(b.id, kT0 + 500));
    // A quiet reading after the record goes on from it.
    back.observe({a}, kT0 + 600);
    EXPECT_EQ(back.idleSeconds(a.id, kT0 + 600), 600);

    ActivityTracker damaged;
    damaged.parseText("garbage\n1 2 3\n-5 1 1 1 1 negative\n1 -9 -1 -1 0 bad-time\n1 2 3 4 5\n1 2 3 4 5 \n900 17000" +
                      std::string("\n\0\xff\n", 4) + "10 " + std::to_string(kT0) + " " + std::to_string(kT0) +
                      " -1 999999999 good\n");
    EXPECT_EQ(damaged.idleSeconds("good", kT0 + 10), 10);
    EXPECT_EQ(damaged.toText(), "10 " + std::to_string(kT0) + " " + std::to_string(kT0) + " -1 100000 good\n");
}

TEST(TrimRun, AsksInStepsUpToWhatItHoldsAndSaysWhereTheMemoryCameFrom) {
    FakeApplications fake;
    fake.setSystem(swapMB(2048, 2048));
    fake.put(appMB("reader", "Reader", 980, 32));
    std::vector<std::uint64_t> progressMB;
    const TrimResult r = trimAll(fake, [&](const AppMemory& app, const TrimResult& sofar) {
        progressMB.push_back(sofar.freed / kMiB);
        EXPECT_EQ(app.id, "reader");
    });
    EXPECT_EQ(requestedMB(fake), (std::vector<std::uint64_t>{256, 256, 256, 244}));
    EXPECT_EQ(progressMB, (std::vector<std::uint64_t>{256, 512, 768, 1012}));
    EXPECT_EQ(r.trimmedIds, std::vector<std::string>{"reader"});
    EXPECT_EQ(r.describe(), "Trimmed 1,012 MB: 980 MB of file cache, 32 MB moved to swap.");
}

TEST(TrimRun, WhenTheKernelTakesMoreThanAskedEachStepAsksOnlyForWhatIsLeft) {
    FakeApplications fake;
    fake.setTakesPercent(150);
    fake.put(appMB("reader", "Reader", 1000, 0));
    const TrimResult r = trimAll(fake);
    // 1000 → 616 → 232 → 0: never a request for more than there is.
    EXPECT_EQ(requestedMB(fake), (std::vector<std::uint64_t>{256, 256, 232}));
    EXPECT_EQ(r.describe(), "Trimmed 1,000 MB: 1,000 MB of file cache.");
}

TEST(TrimRun, WithoutSwapOnlyTheCacheIsAskedForAndTheKernelTakingLessEndsThatApplicationOnly) {
    FakeApplications fake;
    fake.setSystem(swapMB(0, 0));  // no swap: anonymous memory cannot go anywhere
    fake.put(appMB("a", "A", 300, 200));
    fake.put(appMB("b", "B", 600, 0));
    fake.put(appMB("c", "C", 10, 0));
    fake.answer("b", Reclaim::Partial);
    const TrimResult r = trimAll(fake);
    EXPECT_EQ(requestedMB(fake), (std::vector<std::uint64_t>{256, 44, 256, 10}));
    EXPECT_EQ(r.trimmedIds, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(r.describe(), "Trimmed 310 MB: 310 MB of file cache.");
}

TEST(TrimRun, OnesThatAreGoneRefusedProtectedOrFailingAreNamedAndTheRestGoOnButKestruneIsNeverAsked) {
    FakeApplications fake;
    AppMemory self = appMB("self", "Kestrune", 50, 0);
    self.self = true;
    for (const AppMemory& a :
         {appMB("gone", "Firefox", 10, 0), appMB("late", "Mail", 10, 0), appMB("locked", "Terminal", 10, 0), self,
          appMB("ok", "Files", 100, 0), appMB("shell", "Shell", 10, 0), appMB("viewer", "Viewer", 10, 0)})
        fake.put(a);
    const std::vector<AppMemory> chosen = fake.list(0);
    fake.end("gone");  // between the list and the trim
    fake.answer("late", Reclaim::Gone);
    fake.answer("locked", Reclaim::Refused);
    fake.answer("shell", Reclaim::Protected);
    fake.answer("viewer", {Reclaim::Failed, "memory.reclaim of Viewer: Device or resource busy"});
    const std::atomic<bool> stop{false};
    const TrimResult r = trimApplications(fake, chosen, stop);
    for (const auto& req : fake.requests()) EXPECT_NE(req.id, "self");
    EXPECT_EQ(r.trimmedIds, std::vector<std::string>{"ok"});
    EXPECT_EQ(r.describe(),
              "Trimmed 100 MB: 100 MB of file cache. Skipped: Firefox (gone), Mail (gone), Terminal (not permitted), "
              "Shell (never trimmed). memory.reclaim of Viewer: Device or resource busy.");

    FakeApplications refusing;
    refusing.put(appMB("locked", "Terminal", 10, 0));
    refusing.answer("locked", Reclaim::Refused);
    EXPECT_EQ(trimAll(refusing).describe(),
              "Trimmed 0 MB: no application chosen could be trimmed. Skipped: Terminal (not permitted).");
}

TEST(TrimRun, TheSwapGuardStopsBeforeAStepThatCouldLeaveLessThanTheReserveFree) {
    FakeApplications fake;
    fake.setSystem(swapMB(1024, 700));
    fake.put(appMB("heavy", "Heavy", 0, 600));
    fake.put(appMB("next", "Next", 100, 0));
    const TrimResult r = trimAll(fake);
    // 700 MB free: a first step of 256 MB leaves 444; a second would leave 188.
    EXPECT_EQ(requestedMB(fake), std::vector<std::uint64_t>{256});
    EXPECT_TRUE(r.swapGuard);
    EXPECT_EQ(r.describe(), "Trimmed 256 MB: 256 MB moved to swap. Stopped to keep 256 MB of swap free.");

    // With swap already short, file cache is still taken: it never goes to swap.
    FakeApplications cacheOnly;
    cacheOnly.setSystem(swapMB(1024, 100));
    cacheOnly.put(appMB("reader", "Reader", 300, 0));
    EXPECT_EQ(trimAll(cacheOnly).describe(), "Trimmed 300 MB: 300 MB of file cache.");

    FakeApplications full;
    full.setSystem(swapMB(1024, 100));
    full.put(appMB("heavy", "Heavy", 10, 50));
    EXPECT_EQ(trimAll(full).describe(),
              "Trimmed 0 MB: swap is too full, a trim would leave less than 256 MB of swap free.");
}

TEST(TrimRun, AStopEndsItBetweenSteps) {
    FakeApplications fake;
    fake.setSystem(swapMB(0, 0));
    fake.put(appMB("a", "A", 1024, 0));
    fake.put(appMB("b", "B", 1024, 0));
    std::atomic<bool> stop{false};
    fake.onReclaim([&](const FakeApplications::Request&) { stop = true; });
    const TrimResult r = trimApplications(fake, fake.list(0), stop);
    EXPECT_EQ(requestedMB(fake), std::vector<std::uint64_t>{256});
    EXPECT_EQ(r.describe(), "Trimmed 256 MB: 256 MB of file cache. Stopped before the end.");
}
