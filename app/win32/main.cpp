// Before <windows.h>, which the views bring: the store names the hives itself.
#include "platform/RegistryReaderWriter.h"

#include "app/Gates.h"
#include "app/Startup.h"
#include "app/TrimCommand.h"
#include "app/win32/MemmainformWindow.h"
#include "app/win32/Win32FormFactory.h"
#include "platform/Applications.h"
#include "platform/Clock.h"
#include "platform/MemoryStatus.h"
#include "platform/SessionState.h"
#include "platform/Thread.h"
#include "platform/VirtualMemory.h"
#include "platform/win32/Form.h"
#include "platform/win32/UiDispatcher.h"
#include "platform/windows/ParentConsole.h"
#include "recovery/SharedActivity.h"
#include "recovery/TrimRunner.h"
#include "schedule/Schedulethread.h"
#include "scrub/win32/ScrubformWindow.h"

#include <commctrl.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <memory>
#include <string>
#include <utility>

namespace {

// Set once by the main window when it is about to close; never cleared.
std::atomic<bool> appClosing{false};
// Set when Windows ends the session; a recovery in progress ends early.
std::atomic<bool> sessionEnding{false};

struct Options {
    bool minimized = false;
    bool scrub = false;
    bool recover = false;
    bool trim = false;
    bool trimAll = false;
    std::string unknown;
};

// The options the Linux program takes that mean something here: the Run
// key starts it with --minimized, and scripts and Task Scheduler may ask
// for an operation or a trim.
Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--minimized") == 0)
            o.minimized = true;
        else if (std::strcmp(a, "--scrub") == 0)
            o.scrub = true;
        else if (std::strcmp(a, "--recover") == 0)
            o.recover = true;
        else if (std::strcmp(a, "--trim") == 0)
            o.trim = true;
        else if (std::strcmp(a, "--trim-all") == 0)
            o.trimAll = true;
        else if (o.unknown.empty())
            o.unknown = a;
    }
    return o;
}

// What is wrong with a trim's command line, in the Linux program's words;
// empty when nothing is.
std::string trimOptionsError(const Options& o) {
    const char* name = o.trim ? "--trim" : "--trim-all";
    const char* window = o.minimized ? "--minimized" : o.recover ? "--recover" : o.scrub ? "--scrub" : nullptr;
    if (!o.unknown.empty()) return "kestrune: Unknown option '" + o.unknown + "'.";
    if (o.trim && o.trimAll) return "kestrune: --trim and --trim-all cannot be used together";
    if (window != nullptr)
        return std::string("kestrune: ") + name + " runs without a window and cannot be used with " + window;
    return {};
}

// `kestrune.exe --trim` and `--trim-all`: no window opens. The result line
// goes where the program was started from (a redirection, the console of
// cmd.exe or PowerShell); from Task Scheduler or a shortcut nothing is
// shown, and only the exit code tells. A box would wait for a click that,
// in a task run without the user at the desk, never comes.
int trimCommand(const Options& options) {
    platform::ParentConsole console;
    if (const std::string error = trimOptionsError(options); !error.empty()) {
        console.err(error);
        return 2;
    }
    const kestrune::TrimCommandOutcome outcome =
        kestrune::runTrimCommand(options.trimAll, platform::userApplications(), platform::userSessionState(),
                                 std::time(nullptr), platform::ParentConsole::interrupted());
    if (!outcome.out.empty()) console.out(outcome.out);
    if (!outcome.err.empty()) console.err(outcome.err);
    return outcome.status;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace kestrune;
    namespace win32 = platform::win32;
    const Options options = parseOptions(__argc, __argv);
    // Before anything of the windows: Task Scheduler runs it with no one at the desk.
    if (options.trim || options.trimAll) return trimCommand(options);
    win32::setApplicationTitle(mainform::kCaption);
    if (!options.unknown.empty()) {
        platform::messageBox(nullptr,
                             "Unknown option: " + options.unknown +
                                 "\nThe options are --minimized, --scrub, --recover, --trim, --trim-all.",
                             win32::applicationTitle(), platform::BoxKind::Error);
        return 2;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    platform::RegistryReaderWriter::setLockWait(platform::kUiLockWait);  // a busy store must not freeze the windows

    win32::Win32UiDispatcher dispatcher;
    // A thread whose body fails says so in the program's error box.
    platform::setThreadFailureHandler([](const std::string& what) { win32::showException(what); });
    // The program's applications and its one trim runner, which the
    // Applications window, the tray and the triggers share; what is known of
    // the applications' activity is kept up to date by the schedule thread.
    platform::Applications& applications = platform::userApplications();
    const bool trimming = applications.unavailable().empty();
    SharedActivity activity;
    // What the last run, or `kestrune.exe --trim` from Task Scheduler, learnt
    // in this login: Trim Idle need not wait for applications to be seen
    // quiet all over again.
    const platform::SessionState session = platform::userSessionState();
    if (trimming)
        if (const auto record = session.read(trim::kRecordName)) activity.parseText(*record);
    TrimRunner trims(applications, activity, platform::systemClock(), dispatcher, kGateRecovery);
    Win32FormFactory forms(platform::systemMemory(), platform::systemClock(), dispatcher, &trims);
    std::unique_ptr<KestruneFormWindow> main;
    std::unique_ptr<ScrubFormWindow> scrub;
    std::unique_ptr<ScheduleThread> scheduleThread;
    try {
        main = std::make_unique<KestruneFormWindow>(platform::systemMemory(), platform::systemVirtualMemory(),
                                                    platform::systemClock(), dispatcher, forms, appClosing,
                                                    &sessionEnding, &trims);
        forms.setOwner(main->hwnd());
        KestruneForm = &main->form();
        // The scrub window that lives, hidden, for the whole run.
        scrub =
            std::make_unique<ScrubFormWindow>(nullptr, platform::systemMemory(), platform::systemClock(), dispatcher);
        ScrubForm = &scrub->form();

        TKestruneForm* form = &main->form();  // outlives the schedule thread
        ScheduleThread::Actions actions =
            scheduleActions(*form, appClosing, [](const std::string& what) { win32::showException(what); });
        // Read only on a pass that has a pressure trigger to judge; Windows
        // tells none, so such a trigger never fires here.
        actions.pressure = [&applications] { return applications.system().pressure; };
        // So that an unattended trim knows what has been idle, window or none.
        if (trimming)
            actions.everyPass = [&applications, &activity] {
                activity.observe(applications.list(0), platform::systemClock().now());
            };
        scheduleThread =
            std::make_unique<ScheduleThread>(appClosing, platform::systemClock(), dispatcher, std::move(actions));

        main->onClosed = [] { PostQuitMessage(0); };
        main->onSessionEnd = [] { sessionEnding = true; };
        // Minimised with a tray there, the window goes on into it.
        ShowWindow(main->hwnd(), options.minimized && KestruneTray::available() ? SW_SHOWMINNOACTIVE : SW_SHOW);
        // From a script: the operation as if its button were pressed, once
        // the loop runs, and the program ends with it.
        if (options.scrub || options.recover) {
            dispatcher.post([form, options] {
                try {
                    form->runAndExit(options.scrub, options.recover);
                } catch (const std::exception& e) {
                    win32::showException(e.what());
                    if (!appClosing) form->CustomItem1Click();
                }
            });
        }
        win32::runMessageLoop();
    } catch (const std::exception& e) {
        win32::showException(e.what());
    }
    // The schedule thread's destructor ends its wait at once; a request still
    // waiting for the UI thread is dropped.
    appClosing = true;
    scheduleThread.reset();
    // A trim in progress ends after its step; its result goes nowhere.
    trims.stop();
    if (trimming) session.write(trim::kRecordName, activity.toText());
    dispatcher.close();
    // The windows go while the dispatcher their threads talk through is here.
    KestruneForm = nullptr;
    ScrubForm = nullptr;
    scrub.reset();
    main.reset();
    return 0;
}
