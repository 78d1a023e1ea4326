#include "app/Startup.h"

#include "app/Gates.h"
#include "platform/Applications.h"
#include "platform/Clock.h"
#include "platform/MemoryStatus.h"
#include "platform/RegistryBackend.h"
#include "platform/SessionState.h"
#include "trim/SharedActivity.h"
#include "trim/TrimCommand.h"
#include "trim/TrimRunner.h"

#include <ctime>
#include <exception>
#include <memory>
#include <utility>

namespace kestrune {

std::string addressSpaceShortage(const platform::MemoryStatus& atStart) {
    if (atStart.totalVirtual == 0 || atStart.availVirtual >= kAddressSpaceToRun) return {};
    return "Kestrune needs " + std::to_string(platform::toMB(kAddressSpaceToRun)) +
           " MB of address space to run, and its limit (ulimit -v) leaves it " +
           std::to_string(platform::toMB(atStart.availVirtual)) + " MB.";
}

ScheduleThread::Actions scheduleActions(TKestruneForm& form, const std::atomic<bool>& appClosing,
                                        const std::function<void(const std::string&)>& showException) {
    auto scheduled = [&form, &appClosing, showException](Operation op) {
        return [&form, &appClosing, showException, op] {
            if (appClosing) return;
            try {
                form.scheduledRun(op);
            } catch (const std::exception& e) {
                showException(e.what());
            }
        };
    };
    auto quietLoad = [&form] { return form.quietLoad(); };
    // The form itself declines on a closing window.
    auto loadRun = [&form, showException](const LoadTrigger& trigger) {
        try {
            return form.loadRun(trigger);
        } catch (const std::exception& e) {
            // It started, so its cooldown stays used.
            showException(e.what());
            return true;
        }
    };
    // A scheduled run waits while the user's own operation is in progress.
    return {scheduled(Operation::Scrub), scheduled(Operation::Recover), std::move(quietLoad), std::move(loadRun),
            kGateRecovery | kGateOperation};
}

namespace {

// The windows' run, from the first window to the last one gone.
int runWindows(const CommandLine& options, Toolkit& toolkit) {
    // Set once the main window is about to close; never cleared.
    std::atomic<bool> appClosing{false};
    platform::UiDispatcher& ui = toolkit.ui();
    // The program's applications and its one trim runner, which the
    // Applications window, the tray and the triggers share; what is known of
    // the applications' activity is kept up to date by the schedule thread.
    platform::Applications& applications = platform::userApplications();
    const bool trimming = applications.unavailable().empty();
    SharedActivity activity;
    // What the last run, or a trim from cron or Task Scheduler, learnt in
    // this login: Trim Idle need not wait for applications to be seen quiet
    // all over again.
    const platform::SessionState session = platform::userSessionState();
    if (trimming)
        if (const auto record = session.read(trim::kRecordName)) activity.parseText(*record);
    TrimRunner trims(applications, activity, platform::systemClock(), ui, kGateRecovery);
    std::unique_ptr<ScheduleThread> scheduleThread;

    try {
        TKestruneForm* form = &toolkit.openWindows(trims, appClosing);
        KestruneForm = form;
        ScrubForm = &toolkit.scrubForm();

        ScheduleThread::Actions actions =
            scheduleActions(*form, appClosing, [&toolkit](const std::string& what) { toolkit.showException(what); });
        // Read only on a pass that has a pressure trigger to judge. Where the
        // system tells none (Windows), such a trigger is never looked at.
        if (platform::reportsMemoryPressure())
            actions.pressure = [&applications] { return applications.system().pressure; };
        // So that an unattended trim knows what has been idle, window or none.
        if (trimming)
            actions.everyPass = [&applications, &activity] {
                activity.observe(applications.list(0), platform::systemClock().now());
            };
        scheduleThread = std::make_unique<ScheduleThread>(appClosing, platform::systemClock(), ui, std::move(actions));
        toolkit.beforeToolkitExit([form, &scheduleThread] {
            form->abandon();
            scheduleThread.reset();
            // This thread's own store objects are gone by now, and with them
            // the pool their connections went back to: the schedule thread's
            // connection, given back just now, is closed here, or its -wal
            // would stay behind.
            platform::closeStore();
        });
        toolkit.showMain(options.minimized);
        // From a script: the operation as if its button were pressed, once
        // the event loop runs, and the program ends with it.
        if (options.scrub || options.recover) {
            toolkit.soon([&toolkit, &appClosing, form, options] {
                try {
                    form->runAndExit(options.scrub, options.recover);
                } catch (const std::exception& e) {
                    toolkit.showException(e.what());
                    if (!appClosing) form->CustomItem1Click();
                }
            });
        }
        toolkit.run();
    } catch (const std::exception& e) {
        toolkit.showException(e.what());
    }
    toolkit.beforeToolkitExit(nullptr);
    // The schedule thread's destructor ends its wait at once; a request still
    // waiting for the UI thread is dropped.
    appClosing = true;
    scheduleThread.reset();
    // A trim in progress ends after its step; its result goes nowhere.
    trims.stop();
    // At the end nobody is left to tell: the next trim only starts afresh.
    if (trimming) (void)session.write(trim::kRecordName, activity.toText());
    // The windows go while the dispatcher their threads talk through is here.
    KestruneForm = nullptr;
    ScrubForm = nullptr;
    toolkit.closeWindows();
    return 0;
}

}  // namespace

int runProgram(int argc, const char* const* argv, Toolkit& toolkit) {
    const CommandLine options = parseCommandLine(argc, argv, toolkit.options());
    switch (options.action) {
        case CommandLine::Action::Help:
        case CommandLine::Action::Version:
            toolkit.out(options.text);
            return 0;
        case CommandLine::Action::Error:
            return toolkit.refuse(options);
        case CommandLine::Action::Trim:
        case CommandLine::Action::TrimAll: {
            // Before any window or display: cron and Task Scheduler run it without either.
            const TrimCommandOutcome outcome =
                runTrimCommand(options.action == CommandLine::Action::TrimAll, platform::userApplications(),
                               platform::userSessionState(), std::time(nullptr), toolkit.interrupted());
            if (!outcome.out.empty()) toolkit.out(outcome.out);
            if (!outcome.err.empty()) toolkit.err(outcome.err);
            return outcome.status;
        }
        case CommandLine::Action::Run:
            break;
    }
    if (const int refused = toolkit.open(); refused != 0) return refused;
    return runWindows(options, toolkit);
}

}  // namespace kestrune
