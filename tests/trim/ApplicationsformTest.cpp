#include "RequestGate.h"
#include "support/Fakes.h"
#include "trim/Applicationsform.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace kestrune;
using namespace testsupport;
using platform::AppMemory;

namespace {

constexpr std::uint64_t kMiB = 1048576;
constexpr std::time_t kT0 = 1700000000;

// The fake applications, with how often the window read them.
class CountingApps final : public platform::Applications {
public:
    explicit CountingApps(FakeApplications& fake) : fake_(fake) {}
    std::string unavailable() const override { return fake_.unavailable(); }
    std::string caveat() const override { return fake_.caveat(); }
    std::vector<AppMemory> list(long focusedPid) override { return ++lists, fake_.list(focusedPid); }
    platform::SystemFigures system() override { return fake_.system(); }
    platform::ReclaimResult reclaim(AppMemory& app, std::uint64_t bytes) override { return fake_.reclaim(app, bytes); }
    bool refresh(AppMemory& app) override { return fake_.refresh(app); }
    platform::Result<std::unique_ptr<platform::TrimHold>> takeTurn(const std::atomic<bool>& stop,
                                                                   const std::function<void()>& waiting) override {
        return fake_.takeTurn(stop, waiting);
    }
    int lists = 0;

private:
    FakeApplications& fake_;
};

AppMemory app(const std::string& name, std::uint64_t cacheMB, bool self = false, bool focused = false) {
    AppMemory a = appMB("app.slice/app-" + name + ".scope", name, cacheMB, 0);
    a.self = self;
    a.focused = focused;
    return a;
}

// The window's logic over fake controls and fake applications, with the
// program's real trim runner.
struct Window {
    FakeApplications fake;
    CountingApps apps{fake};
    SharedActivity activity;
    FakeClock clock;
    ManualDispatcher ui;
    TrimRunner runner{apps, activity, clock, ui};
    FakeWindow self;
    FakeLabel system, swap, pressure, caveat, notice, status;
    FakeTable list;
    FakePanel listShown, noticeShown;
    FakeButton trimSelected, trimIdle;
    FakeTimer timer;
    long focused = 0;
    TApplicationsForm form{{.self = self,
                            .SystemLabel = system,
                            .SwapLabel = swap,
                            .PressureLabel = pressure,
                            .CaveatLabel = caveat,
                            .AppList = list,
                            .AppListShown = listShown,
                            .NoticeLabel = notice,
                            .NoticeShown = noticeShown,
                            .StatusLabel = status,
                            .TrimSelectedButton = trimSelected,
                            .TrimIdleButton = trimIdle,
                            .RefreshTimer = timer},
                           {runner, [this] { return focused; }}};

    Window() {
        clock.setNow(kT0);
        platform::SystemFigures f;
        f.total = 8192 * kMiB;
        f.swapTotal = f.swapFree = 2048 * kMiB;
        f.pressure = 0;
        fake.setSystem(f);
    }
    void select(const std::vector<std::string>& names) {
        list.selected.clear();
        for (std::size_t i = 0; i < form.rows().size(); ++i)
            for (const auto& n : names)
                if (form.rows()[i].app.name == n) list.selected.push_back(static_cast<int>(i));
        form.AppListSelectionChange();
    }
    std::vector<std::string> selectedNames() const {
        std::vector<std::string> out;
        for (const int row : list.selected) out.push_back(list.cell(row, 0));
        return out;
    }
    std::vector<std::string> requested() const {
        std::vector<std::string> out;
        for (const auto& r : fake.requests()) out.push_back(r.id);
        return out;
    }
};

}  // namespace

TEST(ApplicationsWindow, FiguresTheListShowsAndTheSystemLinesAreWrittenForAPerson) {
    EXPECT_EQ(megabytes(1012 * kMiB + kMiB - 1), "1,012 MB");
    for (const auto& [seconds, text] :
         std::vector<std::pair<std::int64_t, std::string>>{{-1, "\u2014"},
                                                           {59, "under a minute"},
                                                           {60, "1 min"},
                                                           {3599, "59 min"},
                                                           {3600 + 300, "1 h 5 min"},
                                                           {3 * 86400 + 4 * 3600, "3 d 4 h"}})
        EXPECT_EQ(idleText(seconds), text) << seconds;

    platform::SystemFigures f;
    f.total = 16000 * kMiB;
    f.used = 5123 * kMiB;
    f.cache = 3210 * kMiB;
    f.available = 10456 * kMiB;
    f.swapTotal = 2048 * kMiB;
    f.swapFree = 1928 * kMiB;
    f.zram = true;
    f.zramStored = 400 * kMiB;
    f.zramCompressed = 120 * kMiB;
    f.pressure = 3.45;
    SystemTexts t = systemTexts(f);
    EXPECT_EQ(t.memory, "Used 5,123 MB, file cache 3,210 MB, available 10,456 MB of 16,000 MB.");
    EXPECT_EQ(t.swap, "Swap: 120 MB used of 2,048 MB. Compressed in memory (zram): 400 MB stored in 120 MB.");
    EXPECT_EQ(t.pressure, "Memory pressure: 3.5 % (light): programs waited for memory 3.5 % of the last 10 seconds.");
    f = {};  // a system that tells nothing
    t = systemTexts(f);
    EXPECT_EQ(t.memory, "");
    EXPECT_EQ(t.swap, "Swap: none.");
    EXPECT_EQ(t.pressure, "Memory pressure: not told by this system.");
    f.pressure = 0;
    EXPECT_EQ(systemTexts(f).pressure,
              "Memory pressure: 0.0 % (none): no program had to wait for memory in the last 10 seconds.");

    AppRow windows{app("notepad", 0), -1};
    windows.app.inUse = 12 * kMiB;
    windows.app.splitKnown = false;  // Windows tells a working set only
    EXPECT_EQ(rowCells(windows), (std::vector<std::string>{"notepad", "12 MB", "\u2014", "\u2014", "\u2014"}));
}

// Numbers sort as numbers: as text, "900 MB" would come before "10,240 MB".
TEST(ApplicationsWindow, SortsByTheClickedColumnAndKeepsTheSelectionByApplication) {
    Window w;
    w.fake.put(app("zed", 900));
    w.fake.put(app("Alpha", 10240));
    w.fake.put(app("mid", 2048));
    w.fake.put(app("Kestrune", 30, true));
    w.form.FormShow();
    EXPECT_EQ(w.list.column(0), (std::vector<std::string>{"Alpha", "mid", "zed", "Kestrune"}));
    EXPECT_EQ(w.list.rows[0], (std::vector<std::string>{"Alpha", "10,240 MB", "10,240 MB", "0 MB", "\u2014"}));
    EXPECT_EQ(w.list.indicator, (std::pair{applicationsform::kInUseColumn, false}));
    EXPECT_FALSE(w.trimSelected.enabled());  // nothing chosen yet
    w.select({"mid"});
    EXPECT_TRUE(w.trimSelected.enabled());

    w.form.AppListColumnClick(applicationsform::kNameColumn);  // names from A, whatever their case
    EXPECT_EQ(w.list.column(0), (std::vector<std::string>{"Alpha", "Kestrune", "mid", "zed"}));
    EXPECT_EQ(w.list.indicator, (std::pair{applicationsform::kNameColumn, true}));
    EXPECT_EQ(w.selectedNames(), std::vector<std::string>{"mid"});
    w.form.AppListColumnClick(applicationsform::kNameColumn);  // again: the other way round
    EXPECT_EQ(w.list.column(0), (std::vector<std::string>{"zed", "mid", "Kestrune", "Alpha"}));
    w.form.AppListColumnClick(applicationsform::kCacheColumn);
    EXPECT_EQ(w.list.column(0), (std::vector<std::string>{"Alpha", "mid", "zed", "Kestrune"}));

    // The next refresh: one has gone, one came, the figures moved; the
    // selection stays with its application.
    w.fake.end(app("Alpha", 0).id);
    w.fake.put(app("new", 5000));
    w.clock.setNow(kT0 + 600);
    w.form.RefreshTimerTimer();
    EXPECT_EQ(w.list.column(0), (std::vector<std::string>{"new", "mid", "zed", "Kestrune"}));
    EXPECT_EQ(w.selectedNames(), std::vector<std::string>{"mid"});
    EXPECT_EQ(w.list.cell(1, applicationsform::kIdleColumn), "10 min");  // quiet since it was first seen
    EXPECT_EQ(w.list.cell(0, applicationsform::kIdleColumn), "\u2014");  // seen once: not known yet
}

TEST(ApplicationsWindow, ReadsOnlyWhileOpenAndWhereTrimmingDoesNotWorkSaysWhyInTheListsPlace) {
    Window w;
    w.fake.put(app("reader", 600));
    w.fake.setCaveat("On Wayland the focused application cannot be told.");
    w.form.FormShow();
    EXPECT_TRUE(w.timer.enabled());
    EXPECT_EQ(w.timer.interval, 2000u);
    EXPECT_EQ(w.apps.lists, 1);
    EXPECT_EQ(w.caveat.text(), "On Wayland the focused application cannot be told.");
    EXPECT_EQ(w.system.text(), "Used 0 MB, file cache 0 MB, available 0 MB of 8,192 MB.");
    w.form.RefreshTimerTimer();
    EXPECT_EQ(w.apps.lists, 2);
    w.form.FormClose();
    EXPECT_FALSE(w.timer.enabled());  // closed: no timer, so nothing is read

    w.fake.setUnavailable("Trimming needs the memory controller on cgroup v2, which this system does not use.");
    w.form.FormShow();
    EXPECT_EQ(w.notice.text(), "Trimming needs the memory controller on cgroup v2, which this system does not use.");
    EXPECT_TRUE(w.noticeShown.visible());
    EXPECT_FALSE(w.listShown.visible());
    EXPECT_FALSE(w.trimIdle.enabled());
    EXPECT_FALSE(w.trimSelected.enabled());
    w.form.RefreshTimerTimer();
    EXPECT_EQ(w.apps.lists, 2);  // the system's figures are read, the applications not
    EXPECT_EQ(w.caveat.text(), "");
    w.form.TrimIdleButtonClick();
    EXPECT_TRUE(w.fake.requests().empty());
}

// The trim runs on its own thread; its line and result come back through the
// UI thread's queue, which the test pumps.
TEST(ApplicationsWindow, TrimSelectedRunsOffTheUiThreadNeverOnKestruneAndTellsWhatCameBackOnce) {
    Window w;
    w.fake.put(app("reader", 600));
    w.fake.put(app("editor", 100, false, true));  // the focused one: chosen by hand, it is the user's choice
    w.fake.put(app("Kestrune", 30, true));
    w.form.FormShow();
    w.select({"Kestrune"});
    w.form.TrimSelectedButtonClick();
    EXPECT_EQ(w.status.text(), "Kestrune never trims its own memory.");
    EXPECT_FALSE(w.runner.busy());

    RequestGate gate;
    w.fake.onReclaim([&](const FakeApplications::Request& r) { gate.hold(r); });
    w.select({"reader", "editor", "Kestrune"});
    w.form.TrimSelectedButtonClick();
    EXPECT_EQ(w.status.text(), "Trimming reader\u2026");
    EXPECT_FALSE(w.trimSelected.enabled());
    EXPECT_FALSE(w.trimIdle.enabled());
    ASSERT_TRUE(w.ui.pumpUntil([&] { return gate.hasArrived(); }));
    gate.open();
    ASSERT_TRUE(w.ui.pumpUntil([&] { return w.status.text().rfind("Trimmed", 0) == 0; }));
    EXPECT_EQ(w.status.text(),
              "Trimmed 700 MB: 700 MB of file cache. The file cache will be read again from disk when those programs "
              "need it.");
    for (const auto& id : w.requested()) EXPECT_NE(id, app("Kestrune", 0).id);
    EXPECT_TRUE(w.trimIdle.enabled());  // free for the next one as soon as the result is shown
    EXPECT_EQ(w.list.cell(0, applicationsform::kInUseColumn), "30 MB");  // the figures read again

    // Another trim of the user's (the timer, another copy) ends first, and the window says so.
    w.fake.put(app("reader", 200));
    w.form.RefreshTimerTimer();
    w.fake.holdTurnElsewhere(true);
    w.select({"reader"});
    w.form.TrimSelectedButtonClick();
    ASSERT_TRUE(w.ui.pumpUntil([&] { return w.status.text() == "Waiting for another trim to end\u2026"; }));
    w.fake.holdTurnElsewhere(false);
    ASSERT_TRUE(w.ui.pumpUntil([&] { return w.status.text().rfind("Trimmed 200 MB", 0) == 0; }));
}

TEST(ApplicationsWindow, ClosingStopsItsTrimAfterTheStepInProgressAndDropsTheResult) {
    Window w;
    w.fake.put(app("big", 1024));  // four steps
    w.fake.put(app("other", 100));
    w.form.FormShow();
    RequestGate gate;
    w.fake.onReclaim([&](const FakeApplications::Request& r) { gate.hold(r); });
    w.select({"big", "other"});
    w.form.TrimSelectedButtonClick();
    ASSERT_TRUE(w.ui.pumpUntil([&] { return gate.hasArrived(); }));
    w.form.FormClose();
    gate.open();
    ASSERT_TRUE(w.ui.pumpUntil([&] { return !w.runner.busy(); }));
    w.ui.runPending();
    EXPECT_EQ(w.requested(), std::vector<std::string>{app("big", 0).id});
    EXPECT_EQ(w.status.text(), "Trimming big\u2026");  // nothing handed back after the close

    w.form.FormShow();  // opened again: a fresh start
    EXPECT_EQ(w.status.text(), "");
    EXPECT_TRUE(w.trimIdle.enabled());
    w.form.TrimIdleButtonClick();  // seen once only: none known to be idle
    EXPECT_EQ(w.status.text().rfind("Trimmed 0 MB: nothing is known to be idle yet", 0), 0u) << w.status.text();
}
