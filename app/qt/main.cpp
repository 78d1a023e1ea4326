#include "app/Gates.h"
#include "app/Startup.h"
#include "app/TrimCommand.h"
#include "app/qt/Application.h"
#include "app/qt/CommandLine.h"
#include "app/qt/MemmainformWidget.h"
#include "app/qt/QtFormFactory.h"
#include "platform/Applications.h"
#include "platform/Clock.h"
#include "platform/Heap.h"
#include "platform/MemoryStatus.h"
#include "platform/RegistryBackend.h"
#include "platform/RegistryReaderWriter.h"
#include "platform/SessionState.h"
#include "platform/linux/SessionEnd.h"
#include "platform/qt/Display.h"
#include "platform/qt/UiDispatcher.h"
#include "recovery/SharedActivity.h"
#include "recovery/TrimRunner.h"
#include "schedule/Schedulethread.h"
#include "scrub/qt/ScrubformWidget.h"

#include <QTimer>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <functional>
#include <string>
#include <thread>
#include <utility>

namespace {

// Set once by the main window when it is about to close; never cleared.
std::atomic<bool> appClosing{false};

// The toolkit ends the process itself (exit 1) when the X server goes away,
// from inside whatever event loop runs: this stops the threads and gives
// back an operation's memory first. Emptied once main ends as usual.
// Only the UI thread may: it is the one that joins the others.
std::function<void()> beforeToolkitExit;
std::thread::id uiThread;
void runBeforeToolkitExit() {
    if (std::this_thread::get_id() != uiThread) return;
    if (auto stop = std::exchange(beforeToolkitExit, nullptr)) stop();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kestrune;
    const CommandLine options = parseCommandLine(argc, argv);
    switch (options.action) {
        case CommandLine::Action::Help:
        case CommandLine::Action::Version:
            std::printf("%s\n", options.text.c_str());
            return 0;
        case CommandLine::Action::Error:
            std::fprintf(stderr, "%s\n%s\n", options.text.c_str(), kUsageHint);
            return 2;
        case CommandLine::Action::Trim:
        case CommandLine::Action::TrimAll: {
            // Before any display or application object: cron and timers run it without either.
            const platform::SessionEnd sessionEnd;  // SIGTERM or Ctrl+C stops it between steps
            const TrimCommandOutcome outcome =
                runTrimCommand(options.action == CommandLine::Action::TrimAll, platform::userApplications(),
                               platform::userSessionState(), std::time(nullptr), sessionEnd.requested());
            if (!outcome.out.empty()) std::printf("%s\n", outcome.out.c_str());
            if (!outcome.err.empty()) std::fprintf(stderr, "%s\n", outcome.err.c_str());
            return outcome.status;
        }
        case CommandLine::Action::Run:
            break;
    }
    platform::fitThreadsToAddressSpace();
    // Too little address space, the toolkit would fail in ways of its own:
    // no window at all, or one that freezes.
    if (const std::string shortage = addressSpaceShortage(platform::systemMemory().sample()); !shortage.empty()) {
        std::fprintf(stderr, "%s\n", shortage.c_str());
        return 1;
    }
    platform::SessionEnd sessionEnd;
    platform::DisplayCheck display(argc, argv);
    if (!display.ready()) return 1;
    KestruneApplication app(argc, argv);
    display.release();
    platform::RegistryReaderWriter::setLockWait(platform::kUiLockWait);  // a busy store must not freeze the windows
    app.SetTitle("Kestrune");
    platform::QtUiDispatcher dispatcher;
    // The program's applications and its one trim runner, which the
    // Applications window, the tray and the triggers share; what is known of
    // the applications' activity is kept up to date by the schedule thread.
    platform::Applications& applications = platform::userApplications();
    const bool trimming = applications.unavailable().empty();
    SharedActivity activity;
    // What the last run, or `kestrune --trim` from cron, learnt in this login:
    // Trim Idle need not wait for applications to be seen quiet all over again.
    const platform::SessionState session = platform::userSessionState();
    if (trimming)
        if (const auto record = session.read(trim::kRecordName)) activity.parseText(*record);
    TrimRunner trims(applications, activity, platform::systemClock(), dispatcher, kGateRecovery);
    QtFormFactory forms(platform::systemMemory(), platform::systemClock(), dispatcher, &trims);
    std::unique_ptr<ScheduleThread> scheduleThread;

    try {
        auto* main = app.CreateForm<KestruneFormWidget>(platform::systemMemory(), platform::systemVirtualMemory(),
                                                        platform::systemClock(), dispatcher, forms, appClosing,
                                                        &sessionEnd.requested(), &trims);
        forms.setOwner(main);
        KestruneForm = &main->form();
        // The scrub window that lives, hidden, for the whole run.
        auto* scrub =
            app.CreateForm<ScrubFormWidget>(nullptr, platform::systemMemory(), platform::systemClock(), dispatcher);
        ScrubForm = &scrub->form();

        TKestruneForm* form = &main->form();  // outlives the schedule thread
        ScheduleThread::Actions actions =
            scheduleActions(*form, appClosing, [&app](const std::string& what) { app.ShowException(what); });
        // Read only on a pass that has a pressure trigger to judge.
        actions.pressure = [&applications] { return applications.system().pressure; };
        // So that an unattended trim knows what has been idle, window or none.
        if (trimming)
            actions.everyPass = [&applications, &activity] {
                activity.observe(applications.list(0), platform::systemClock().now());
            };
        scheduleThread =
            std::make_unique<ScheduleThread>(appClosing, platform::systemClock(), dispatcher, std::move(actions));

        main->onClosed = [&app] { app.quit(); };
        beforeToolkitExit = [form, &scheduleThread] {
            form->abandon();
            scheduleThread.reset();
            // This thread's own store objects are gone by now, and with them
            // the pool their connections went back to: the schedule thread's
            // connection, given back just now, is closed here, or its -wal
            // would stay behind.
            platform::closeStore();
        };
        uiThread = std::this_thread::get_id();
        std::atexit(runBeforeToolkitExit);
        // Logout or Ctrl+C: as File > Exit.
        app.EndWithSession(sessionEnd.fd(), [] {
            if (KestruneForm != nullptr) KestruneForm->CustomItem1Click();
        });
        // Minimised with a tray there, the window goes on into it.
        if (options.minimized && KestruneTray::available())
            main->showMinimized();
        else
            main->show();
        // From a script: the operation as if its button were pressed, once
        // the event loop runs, and the program ends with it.
        if (options.scrub || options.recover) {
            QTimer::singleShot(0, main, [&app, form, options] {
                try {
                    form->runAndExit(options.scrub, options.recover);
                } catch (const std::exception& e) {
                    app.ShowException(e.what());
                    if (!appClosing) form->CustomItem1Click();
                }
            });
        }
        app.exec();
    } catch (const std::exception& e) {
        app.ShowException(e.what());
    }
    beforeToolkitExit = nullptr;
    // The schedule thread's destructor ends its wait at once; a request still
    // waiting for the UI thread is dropped.
    appClosing = true;
    scheduleThread.reset();
    // A trim in progress ends after its step; its result goes nowhere.
    trims.stop();
    if (trimming) session.write(trim::kRecordName, activity.toText());
    // The windows go while the dispatcher their threads talk through is here.
    KestruneForm = nullptr;
    ScrubForm = nullptr;
    app.DestroyForms();
    return 0;
}
