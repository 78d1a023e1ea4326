// Leaves in the store what a short session of the program would: two daily
// entries made in the Scheduler window, then the schedule thread at their
// minute stamping and running a scrub and a recovery, which records its
// time. The program's own logic runs on fake windows and a fake clock, so
// the store can then be read with the system's tools (tools/windows-core
// reads it with reg query). Exits non-zero if the entries were not stored
// or the recovery did not run.
#include "platform/VirtualMemory.h"
#include "recovery/Recovery.h"
#include "schedule/Schedulerform.h"
#include "schedule/Schedulethread.h"
#include "support/CapturedStderr.h"
#include "support/Fakes.h"

#include <atomic>
#include <iostream>

using namespace kestrune;
using namespace testsupport;

namespace {

// The Scheduler window on fake controls: daily at 10:00 AM.
bool scheduleTwoEntries() {
    FakeWindow window;
    FakeDropDown run{{"Recovery", "Scrub", "Both"}};
    FakeLabel minutes, daily, weekly, monthly, once, dailyAmPm, weeklyAmPm, monthlyAmPm, onceAmPm, weekday, day, date,
        loadPercent, loadCooldown;
    FakeDropDown loadMeasure;
    FakePanel hourlyPanel, dailyPanel, weeklyPanel, monthlyPanel, oncePanel, loadPanel;
    FakeListView list;
    TScheduler form{{window,  run,    hourlyPanel, dailyPanel, weeklyPanel, monthlyPanel, oncePanel,    minutes,
                     daily,   weekly, monthly,     once,       dailyAmPm,   weeklyAmPm,   monthlyAmPm,  onceAmPm,
                     weekday, day,    date,        list,       loadPanel,   loadPercent,  loadCooldown, loadMeasure}};
    daily.setText("10:00");
    dailyAmPm.setText("AM");
    form.FormShow();
    run.setText("Recovery");
    form.TeButton1Click();
    run.setText("Scrub");
    form.TeButton1Click();
    return list.rowCount() == 2;
}

}  // namespace

int main() {
    BoxRecorder boxes;     // the recovery's result box is not shown
    CapturedStderr quiet;  // the store's word on stamps not yet written is normal here
    if (!scheduleTwoEntries()) {
        std::cout << "store_sample: the schedule entries were not stored\n";
        return 1;
    }

    FakeClock clock;
    clock.setNow(utc(2003, 12, 29, 9, 59, 50));
    FakeMemory memory;
    memory.set(statusMB(512, 256, 1024, 8, 2048, 2000));  // a recovery of seven blocks
    FakeWindow progress;
    FakeLabel label1, label2;
    FakeProgressBar bar;
    TForm2 progressForm{{progress, label1, bar, label2}};
    FakeButton recover, scrub;
    std::string message, caption;
    auto recovery = [&] {
        MemoryRecovery(RecoveryHost{recover, scrub, message, caption, nullptr}, progressForm, memory,
                       platform::systemVirtualMemory(), clock)
            .run();
    };

    // Built closing, the thread's own loop ends at once: this thread, the UI
    // thread of the dispatcher, makes two passes ten seconds apart, the way
    // the thread checks, and the runs happen here. The first finds no stamps
    // and takes its minute for the last runs; the second is in the entries'
    // minute.
    ManualDispatcher ui;
    std::atomic<bool> closing{true};
    ScheduleThread thread(closing, clock, ui, ScheduleThread::Actions{[] {}, recovery});
    for (int pass = 0; pass < 2; ++pass) {
        thread.loadEntries();
        thread.checkEntries();
        clock.advance(10000);
    }
    std::cout << "store_sample: " << thread.entries.size() << " entries; recovery: " << message << '\n';
    return message.empty() ? 1 : 0;
}
