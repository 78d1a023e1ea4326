// Before <windows.h>, which the views bring: the store names the hives itself.
#include "platform/RegistryReaderWriter.h"

#include "app/Startup.h"
#include "app/win32/MemmainformWindow.h"
#include "app/win32/Win32FormFactory.h"
#include "platform/Clock.h"
#include "platform/MemoryStatus.h"
#include "platform/VirtualMemory.h"
#include "platform/win32/Form.h"
#include "platform/win32/UiDispatcher.h"
#include "schedule/Schedulethread.h"
#include "scrub/win32/ScrubformWindow.h"

#include <commctrl.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

namespace {

// Set once by the main window when it is about to close; never cleared.
std::atomic<bool> appClosing{false};
// Set when Windows ends the session; a recovery in progress ends early.
std::atomic<bool> sessionEnding{false};

struct Options {
    bool minimized = false;
    bool scrub = false;
    bool recover = false;
    std::string unknown;
};

// The options the Linux program takes that mean something here: the Run
// key starts it with --minimized, and scripts may ask for an operation.
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
        else if (o.unknown.empty())
            o.unknown = a;
    }
    return o;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace kestrune;
    namespace win32 = platform::win32;
    const Options options = parseOptions(__argc, __argv);
    win32::setApplicationTitle(mainform::kCaption);
    if (!options.unknown.empty()) {
        platform::messageBox(
            nullptr, "Unknown option: " + options.unknown + "\nThe options are --minimized, --scrub, --recover.",
            win32::applicationTitle(), platform::BoxKind::Error);
        return 2;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    platform::RegistryReaderWriter::setLockWait(platform::kUiLockWait);  // a busy store must not freeze the windows

    win32::Win32UiDispatcher dispatcher;
    Win32FormFactory forms(platform::systemMemory(), platform::systemClock(), dispatcher);
    std::unique_ptr<KestruneFormWindow> main;
    std::unique_ptr<ScrubFormWindow> scrub;
    std::unique_ptr<ScheduleThread> scheduleThread;
    try {
        main = std::make_unique<KestruneFormWindow>(platform::systemMemory(), platform::systemVirtualMemory(),
                                                    platform::systemClock(), dispatcher, forms, appClosing,
                                                    &sessionEnding);
        forms.setOwner(main->hwnd());
        KestruneForm = &main->form();
        // The scrub window that lives, hidden, for the whole run.
        scrub =
            std::make_unique<ScrubFormWindow>(nullptr, platform::systemMemory(), platform::systemClock(), dispatcher);
        ScrubForm = &scrub->form();

        TKestruneForm* form = &main->form();  // outlives the schedule thread
        scheduleThread = std::make_unique<ScheduleThread>(
            appClosing, platform::systemClock(), dispatcher,
            scheduleActions(*form, appClosing, [](const std::string& what) { win32::showException(what); }));

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
    dispatcher.close();
    // The windows go while the dispatcher their threads talk through is here.
    KestruneForm = nullptr;
    ScrubForm = nullptr;
    scrub.reset();
    main.reset();
    return 0;
}
