#include "app/Startup.h"
#include "app/qt/MemmainformWidget.h"
#include "app/qt/QtFormFactory.h"
#include "platform/Registry.h"
#include "platform/qt/UiDispatcher.h"
#include "schedule/Schedulethread.h"
#include "support/CapturedStderr.h"
#include "support/Fakes.h"
#include "support/IsolatedStore.h"
#include "support/QtPump.h"
#include "support/StoredValues.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kestrune;
using namespace testsupport;

namespace {

// The real main window and the real schedule thread on one fake clock that
// stands at a minute a daily recovery is due.
struct App {
    IsolatedStore isolated;
    CapturedStderr quiet;
    FakeMemory memory;
    FakeClock clock;
    platform::QtUiDispatcher ui;
    QtFormFactory forms{memory, clock, ui};
    std::atomic<bool> appClosing{false};
    std::unique_ptr<KestruneFormWidget> w;
    std::unique_ptr<ScheduleThread> schedule;

    App() {
        memory.set(statusMB(4096, 1024, 4096, 8, 4096, 4096, 30));
        clock.setNow(utc(2003, 12, 29, 9, 59, 55));
        storeText(platform::kScheduleKey, "0", "R 10 0 every day 0 0 0");
        storeText(platform::kProductKey, "lastRecovery", "s 9 0 on 12 29 2003");
        w = std::make_unique<KestruneFormWidget>(memory, platform::systemVirtualMemory(), clock, ui, forms, appClosing);
        forms.setOwner(w.get());
        w->show();
    }
    std::vector<std::string> exceptions;
    void startSchedule() {
        schedule = std::make_unique<ScheduleThread>(
            appClosing, clock, ui,
            scheduleActions(w->form(), appClosing, [this](const std::string& what) { exceptions.push_back(what); }));
    }
    ~App() {
        appClosing = true;
        schedule.reset();
        w.reset();
    }
};

}  // namespace

TEST(ScheduledRun, ADueRecoveryRunsOnTheUiThreadToItsResult) {
    App app;
    BoxRecorder boxes;
    bool onUiThread = false;
    boxes.whileShown([&](const platform::BoxCall&) { onUiThread = QThread::currentThread() == qApp->thread(); });
    app.startSchedule();
    ASSERT_TRUE(qtPumpUntil([&] { return !boxes.calls().empty(); }, 20000));
    EXPECT_EQ(boxes.calls()[0].caption, "Complete");
    EXPECT_TRUE(onUiThread);
}

TEST(ScheduledRun, EditSchedulerOpensTheModalSchedulerAndLeavesTheButtonsAlone) {
    App app;
    bool sawScheduler = false, buttonsEnabled = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        sawScheduler = modal != nullptr && modal->windowTitle() == "Scheduler" && app.w->form().Scheduler != nullptr;
        buttonsEnabled = app.w->findChild<QPushButton*>("TeButton1")->isEnabled();
        if (modal != nullptr) modal->close();
    });
    app.w->findChild<QAction*>("CustomItem7")->trigger();
    EXPECT_TRUE(sawScheduler);
    EXPECT_TRUE(buttonsEnabled);
    EXPECT_EQ(app.w->form().Scheduler, nullptr);
}
