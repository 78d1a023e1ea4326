#include "app/Memmainform.h"
#include "platform/RegistryBackend.h"
#include "support/Fakes.h"
#include "trim/RequestGate.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

using namespace kestrune;
using namespace testsupport;

namespace {

class FakeTutorial final : public TutorialWindow {
public:
    FakeTutorial() {
        window.onShow = [this] { logic.FormShow(); };
        window.onClose = [this] { return logic.FormCloseQuery(); };
        box.setChecked(true);
    }
    TWizardForm& form() override { return logic; }
    FakeWindow window{{0, 0, 264, 451}};
    FakeCheckBox box;
    FakePlacement panel, boxPlace, button;
    TWizardForm logic{{window, box, panel, boxPlace, button}};
};

// A scrub window that, shown, has run at once to its summary (or, with no
// `freed`, was closed before it).
class FakeScrub final : public ScrubWindow {
public:
    explicit FakeScrub(std::string freed, std::function<void()> shown)
        : freed_(std::move(freed)), shown_(std::move(shown)) {}
    TScrubForm& form() override { return logic; }
    void showModal() override {
        if (shown_) shown_();
        logic.freedLine = freed_;
    }
    FakeWindow window;
    FakeLineList memo;
    FakeButton button;
    FakeCanvas canvas;
    FakeMemory memory;
    FakeClock clock;
    TScrubForm logic{{window, memo, button, canvas}, {memory, clock, runtimeRandom(), nullptr, nullptr}};

private:
    std::string freed_;
    std::function<void()> shown_;
};

class FakeAppListWindow final : public AppListWindow {
public:
    explicit FakeAppListWindow(int& alive) : alive_(alive) { ++alive_; }
    ~FakeAppListWindow() override { --alive_; }
    TApplicationsForm& form() override { throw std::logic_error("not in these tests"); }
    void showInFront() override { ++shown; }
    int shown = 0;

private:
    int& alive_;
};

class FakeForms final : public FormFactory {
public:
    std::unique_ptr<TutorialWindow> createTutorial() override {
        auto t = std::make_unique<FakeTutorial>();
        last = t.get();
        ++created;
        return t;
    }
    std::unique_ptr<ScrubWindow> createScrubWindow() override {
        ++scrubs;
        if (makeScrub) return makeScrub();
        return nullptr;
    }
    std::unique_ptr<ProgressWindow> createProgressWindow() override { return nullptr; }
    std::unique_ptr<ModalWindow> createScheduler() override { return nullptr; }
    std::unique_ptr<AppListWindow> createApplications() override {
        ++applications;
        auto w = std::make_unique<FakeAppListWindow>(applicationsAlive);
        lastApplications = w.get();
        return w;
    }
    FakeTutorial* last = nullptr;
    FakeAppListWindow* lastApplications = nullptr;
    int applications = 0;
    int applicationsAlive = 0;
    int created = 0;
    int scrubs = 0;
    std::function<std::unique_ptr<ScrubWindow>()> makeScrub;
};

// The main window's logic over fakes: a 545 × 440 frame on a 1024 × 768 screen.
struct MainForm {
    // The program's trims over fake applications, made before the window.
    FakeApplications apps;
    SharedActivity activity;
    FakeClock trimClock;
    ManualDispatcher trimUi;
    TrimRunner trim{apps, activity, trimClock, trimUi};
    long focused = 4242;

    FakeWindow window{{10, 20, 545, 440}};
    FakeLabel l1, l2, l3, l4, l5, l6, status;
    FakeProgressBar b1, b2, b3, b4;
    FakeGraph graph;
    FakeButton recover, scrub;
    FakeMemory memory;
    FakeClock clock;
    ManualDispatcher ui;
    FakeForms forms;
    FakeNotifier notifier;
    std::atomic<bool> appClosing{false};
    std::unique_ptr<TKestruneForm> form;

    MainForm() {
        window.decoration = 7;
        memory.set(statusMB(512, 128, 1200, 900, 2047.875, 2000, 75));
        form = std::make_unique<TKestruneForm>(
            TKestruneForm::Controls{.self = window,
                                    .figures = {.TeLabel1 = l1,
                                                .TeLabel2 = l2,
                                                .TeLabel3 = l3,
                                                .TeLabel4 = l4,
                                                .TeLabel5 = l5,
                                                .TeLabel6 = l6,
                                                .TeProgressBar1 = b1,
                                                .TeProgressBar2 = b2,
                                                .TeProgressBar3 = b3,
                                                .TeProgressBar4 = b4,
                                                .PerformanceGraph1 = graph,
                                                .statusPanel = status,
                                                .sampled = {}},
                                    .TeButton1 = recover,
                                    .TeButton2 = scrub},
            TKestruneForm::Services{memory, platform::systemVirtualMemory(), clock, ui, forms, appClosing, nullptr,
                                    &notifier, &trim, [this] { return focused; }});
    }
    TWizardForm& tutorial() { return form->WizardForm->form(); }
};

}  // namespace

TEST(MainForm, ShowCentresStartsOneMonitorAndItsFiguresArrive) {
    MainForm m;
    m.form->FormShow();
    EXPECT_EQ(m.window.frame().left, 240);
    EXPECT_EQ(m.window.frame().top, 384 - 220);
    ASSERT_TRUE(m.form->MemoryThread);
    TMemoryThread* first = m.form->MemoryThread.get();

    // The first sample's figures are in the controls once the show handling
    // has returned, before the UI thread has served anything (which figure
    // goes where is the window test's; the figures themselves, the figures
    // test's).
    EXPECT_EQ(m.l1.text(), "384 MB / 512 MB");
    EXPECT_EQ(m.l5.text(), "512 MB");
    EXPECT_EQ(m.status.text(), "Memory Load: 75%");
    ASSERT_EQ(m.graph.points.size(), 1u);
    EXPECT_EQ(m.graph.points.front().color, platform::clYellow);
    EXPECT_EQ(m.graph.points.front().value, 75);
    EXPECT_GE(m.graph.redraws, 1);

    m.window.hide();
    m.form->FormShow();  // shown again: same thread
    EXPECT_EQ(m.form->MemoryThread.get(), first);

    // Between updates the thread slept a whole second.
    ASSERT_TRUE(m.ui.pumpUntil([&] { return m.graph.points.size() >= 3; }));
    m.form->FormCloseQuery();
    const auto sleeps = m.clock.sleeps();
    ASSERT_GE(sleeps.size(), 2u);
    EXPECT_EQ(sleeps[0], 1000u);
    EXPECT_EQ(sleeps[1], 1000u);
}

TEST(MainForm, TutorialOpensDockedOnceAndAFreshOneAfterClosing) {
    {
        // Shown with the tutorial flag, the pair is centred.
        MainForm m;
        m.form->showTutorial = true;
        m.form->FormShow();
        ASSERT_EQ(m.forms.created, 1);
        EXPECT_EQ(m.window.frame().left, 107);
        EXPECT_EQ(m.forms.last->window.frame(), (platform::Rect{107 + 545 + 8, 164, 264, 440}));
        EXPECT_TRUE(m.forms.last->window.visible());
    }
    MainForm m;
    m.form->FormShow();
    m.form->CustomItem2Click();
    ASSERT_EQ(m.forms.created, 1);
    FakeTutorial* first = m.forms.last;
    EXPECT_TRUE(first->window.visible());
    // Docked to a main window centred alone, it would pass the screen's right
    // edge: the pair moves left together.
    EXPECT_EQ(m.window.frame().left, 1024 - 264 - 8 - 545);
    EXPECT_EQ(first->window.frame(), (platform::Rect{1024 - 264, 164, 264, 440}));
    EXPECT_FALSE(first->box.checked());  // bound to showTutorial, which is false

    m.form->CustomItem2Click();  // visible: nothing happens
    EXPECT_EQ(m.forms.created, 1);

    // The tutorial follows the main window at its next paint.
    m.window.moveTo(100, 50);
    m.form->FormPaint();
    EXPECT_EQ(first->window.frame().left, 100 + 545 + 8);
    EXPECT_EQ(first->window.frame().top, 50);

    first->box.setChecked(true);
    first->window.close();  // "Show This Next Time" ticked
    EXPECT_TRUE(m.form->showTutorial);
    m.form->CustomItem2Click();
    EXPECT_EQ(m.forms.created, 2);
    EXPECT_TRUE(m.forms.last->box.checked());
    EXPECT_EQ(m.forms.last->window.frame().left, 100 + 545 + 8);
}

TEST(MainForm, ClosingStopsEverythingWithoutCopyingTheTutorialBack) {
    MainForm m;
    m.form->FormShow();
    m.form->CustomItem2Click();
    m.forms.last->box.setChecked(true);
    EXPECT_TRUE(m.form->FormCloseQuery());
    EXPECT_TRUE(m.appClosing);
    EXPECT_FALSE(m.form->showTutorial);
    EXPECT_FALSE(m.form->WizardForm);
    EXPECT_FALSE(m.form->MemoryThread);
    // Nothing the monitor handed over runs after it was stopped.
    const int points = static_cast<int>(m.graph.points.size());
    m.ui.runPending();
    EXPECT_EQ(static_cast<int>(m.graph.points.size()), points);
}

// The toolkit ends the program from inside the scrub window's loop (its
// display went away): the threads stop and the scrub's memory goes back,
// with no window touched.
TEST(MainForm, AbandonedItStopsTheThreadsAndTheScrubWithoutAWindow) {
    struct Worker final : ScrubWorker {
        bool& quit;
        explicit Worker(bool& q) : quit(q) {}
        bool IsIdle() const override { return false; }
        void StartScrub() override {}
        void RequestStop() override {}
        void Quit() override { quit = true; }
    };
    MainForm m;
    m.form->FormShow();
    ASSERT_TRUE(m.form->MemoryThread);
    bool closed = false;
    m.window.onClose = [&] {
        closed = true;
        return true;
    };
    bool quit = false;
    FakeScrub* scrub = nullptr;
    m.forms.makeScrub = [&] {
        auto made = std::make_unique<FakeScrub>("", [&] {
            scrub->logic.worker = std::make_unique<Worker>(quit);
            m.form->abandon();
        });
        scrub = made.get();
        return made;
    };
    m.form->TeButton2Click();
    EXPECT_TRUE(quit);
    EXPECT_TRUE(m.appClosing);
    EXPECT_FALSE(m.form->MemoryThread);
    EXPECT_FALSE(closed);
}

TEST(MainForm, SupportOpensTheMakersPageAboutTellsWhatAndWhereAndExitCloses) {
    MainForm m;
    std::string opened;
    auto previous = platform::setShellHandler([&](const std::string& url) { opened = url; });
    m.form->CustomItem5Click();
    platform::setShellHandler(previous);
    EXPECT_NE(opened.find(".example/pages/products/index.cfm?"), std::string::npos);
    EXPECT_EQ(opened.back(), '?');

    {
        BoxRecorder boxes;
        m.form->AboutItemClick();
        ASSERT_EQ(boxes.calls().size(), 1u);
        const platform::BoxCall about = boxes.calls()[0];
        EXPECT_EQ(about.caption, "About Kestrune");
        EXPECT_EQ(about.kind, platform::BoxKind::About);
        EXPECT_EQ(about.owner, m.window.handle());
        const std::string store = platform::storeLocation();  // this test's own store
        ASSERT_FALSE(store.empty());
        for (const std::string& part : {std::string("Kestrune 1."), std::string("all rights reserved"), store,
                                        std::string("https://www.tarnwick.example/pages/products/index.cfm?")})
            EXPECT_NE(about.text.find(part), std::string::npos) << part << " missing from:\n" << about.text;
    }

    bool closed = false;
    m.window.onClose = [&] {
        closed = true;
        return true;
    };
    m.form->CustomItem1Click();
    EXPECT_TRUE(closed);
}

TEST(MainForm, ALoadTriggerRunsOnlyOnAQuietSampleAboveItAndTellsTheDesktop) {
    MainForm m;
    bool buttonsDisabled = false;
    m.forms.makeScrub = [&] {
        return std::make_unique<FakeScrub>("Memory Freed: 2,048 KB Physical Memory",
                                           [&] { buttonsDisabled = !m.recover.enabled() && !m.scrub.enabled(); });
    };
    LoadTrigger trigger;
    trigger.task = "s";
    trigger.percent = 70;
    EXPECT_EQ(m.form->quietLoad(), -1);
    EXPECT_FALSE(m.form->loadRun(trigger));  // no sample yet
    m.form->FormShow();
    ASSERT_TRUE(m.ui.pumpUntil([&] { return m.form->quietLoad() == 75; }));
    trigger.percent = 75;
    EXPECT_FALSE(m.form->loadRun(trigger));  // at, not above
    EXPECT_EQ(m.forms.scrubs, 0);

    trigger.percent = 70;
    EXPECT_TRUE(m.form->loadRun(trigger));
    EXPECT_EQ(m.forms.scrubs, 1);
    EXPECT_TRUE(buttonsDisabled);  // as a click on the button runs it
    EXPECT_TRUE(m.recover.enabled() && m.scrub.enabled());
    ASSERT_EQ(m.notifier.notices.size(), 1u);
    EXPECT_EQ(m.notifier.notices[0].first, "Scrub Memory");
    EXPECT_EQ(m.notifier.notices[0].second,
              "Run because the memory load exceeded 70 %. Memory Freed: 2,048 KB Physical Memory");
    // The sample before the run no longer counts.
    EXPECT_EQ(m.form->quietLoad(), -1);
    EXPECT_FALSE(m.form->loadRun(trigger));
    m.form->FormCloseQuery();
}

TEST(MainForm, AScheduledScrubTellsTheDesktopAndTheCommandLineRunExits) {
    MainForm m;
    m.forms.makeScrub = [&] { return std::make_unique<FakeScrub>("", nullptr); };  // closed early
    m.form->scheduledRun(Operation::Scrub);
    ASSERT_EQ(m.notifier.notices.size(), 1u);
    EXPECT_EQ(m.notifier.notices[0].second, "Run by the schedule. The scrub was closed before it finished.");

    // During an operation a trigger runs nothing.
    LoadTrigger trigger;
    trigger.task = "s";
    trigger.percent = 1;
    bool nested = true;
    m.forms.makeScrub = [&] { return std::make_unique<FakeScrub>("", [&] { nested = m.form->loadRun(trigger); }); };
    m.form->TeButton2Click();
    EXPECT_FALSE(nested);

    bool closed = false;
    m.window.onClose = [&] { return closed = m.form->FormCloseQuery(); };
    m.form->runAndExit(true, false);
    EXPECT_EQ(m.forms.scrubs, 3);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(m.appClosing);
    EXPECT_EQ(m.notifier.notices.size(), 1u);  // a run a person asked for tells nobody
}

TEST(MainForm, TheApplicationsWindowOpensOnceComesToTheFrontAgainAndGoesWithTheMainWindow) {
    MainForm m;
    m.form->CustomItem8Click();
    m.form->CustomItem8Click();  // open already: brought to the front, not made twice
    EXPECT_EQ(m.forms.applications, 1);
    EXPECT_EQ(m.forms.lastApplications->shown, 2);
    EXPECT_TRUE(m.form->FormCloseQuery());
    EXPECT_EQ(m.forms.applicationsAlive, 0);
}

// The trim triggers and the tray's item start the idle trim in the
// background and tell its figure; which applications are idle is the
// engine's own test.
TEST(MainForm, TrimTriggersAndTheTrayTrimTheIdleInTheBackgroundAndTellTheFigure) {
    MainForm m;
    m.trimClock.setNow(100000);
    m.apps.put(appMB("app.slice/reader.scope", "Reader", 600, 0));
    LoadTrigger pressure;
    pressure.parseText("T 20 30 0 pressure");
    m.form->trimIdle();  // by hand, nothing idle yet: it says why
    ASSERT_EQ(m.notifier.notices.size(), 1u);
    EXPECT_EQ(m.notifier.notices[0].first, "Trim Memory");
    EXPECT_EQ(m.notifier.notices[0].second.rfind("Trimmed 0 MB: ", 0), 0u) << m.notifier.notices[0].second;
    EXPECT_TRUE(m.form->loadRun(pressure));  // a trigger's turn, used quietly: it waits its cooldown
    EXPECT_EQ(m.notifier.notices.size(), 1u);
    EXPECT_EQ(m.apps.lastFocusedPid(), 4242);  // the focused application is known to the engine

    m.trimClock.setNow(100000 + 10 * 60);  // quiet ten minutes
    RequestGate gate;                      // the trim's first step waits for the test
    m.apps.onReclaim([&](const FakeApplications::Request& r) { gate.hold(r); });
    ASSERT_TRUE(m.form->loadRun(pressure));  // no quiet load sample needed: it watches the pressure
    EXPECT_FALSE(m.form->trimFree());
    EXPECT_FALSE(m.form->loadRun(pressure));  // one trim at a time
    gate.open();
    ASSERT_TRUE(m.trimUi.pumpUntil([&] { return m.notifier.notices.size() == 2; }));
    EXPECT_EQ(m.notifier.notices[1].second,
              "Run because the memory pressure exceeded 20 %. Trimmed 600 MB: 600 MB of file cache.");
    ASSERT_TRUE(m.trimUi.pumpUntil([&] { return m.form->trimFree(); }));

    m.apps.setUnavailable("Trimming needs cgroup v2.");
    EXPECT_FALSE(m.form->trimOffered());
    EXPECT_FALSE(m.form->loadRun(pressure));
    m.form->FormCloseQuery();
}