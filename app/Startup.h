#pragma once

#include "app/CommandLine.h"
#include "app/Memmainform.h"
#include "platform/MemoryStatus.h"
#include "platform/UiSync.h"
#include "schedule/Schedulethread.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace kestrune {

// The address space the program needs beyond what it holds when it starts
// (its libraries, some 77 MB): its windows, the toolkit's threads and its
// own, their stacks and heap. A whole run (the scrub, the tutorial, a
// recovery after the toolkit's threads had ended and started again) took
// 22 MB more at its peak, and failed in 20 MB; this is twice that, for a
// larger screen or scale and a few more threads.
inline constexpr std::uint64_t kAddressSpaceToRun = 48 * platform::kBytesPerMB;
// Where the process's limit (ulimit -v) leaves it too little address space
// to run, the one line that says so; empty otherwise, or when the status
// could not be read.
std::string addressSpaceShortage(const platform::MemoryStatus& atStart);

// What the schedule thread runs: the main window's operations, each as a
// click on its button would run it, on the UI thread. Never on a closing
// window; an exception goes to `showException` as a click's would.
// `form` outlives the schedule thread.
ScheduleThread::Actions scheduleActions(TKestruneForm& form, const std::atomic<bool>& appClosing,
                                        const std::function<void(const std::string&)>& showException);

class TScrubForm;
class TrimRunner;

// What differs between the toolkits in the program's start and end; the
// steps themselves, and their order, are runProgram's.
class Toolkit {
public:
    virtual ~Toolkit() = default;

    // The options the toolkit takes itself.
    virtual ToolkitOptions options() const { return {}; }
    // Lines for whoever started the program: --help, --version, a trim's result.
    virtual void out(const std::string& line) = 0;
    virtual void err(const std::string& line) = 0;
    // Says what is wrong with the command line; the exit code.
    virtual int refuse(const CommandLine& wrong) = 0;
    // Set once the user or the session asks a windowless run to stop.
    virtual const std::atomic<bool>& interrupted() = 0;

    // Gets ready to show windows: 0, or the exit code where it cannot.
    virtual int open() = 0;
    virtual platform::UiDispatcher& ui() = 0;
    // The main window and the scrub window that lives, hidden, for the whole
    // run; the main window's rules, which outlive the schedule thread. The
    // main window's closing ends run().
    virtual TKestruneForm& openWindows(TrimRunner& trims, std::atomic<bool>& appClosing) = 0;
    virtual TScrubForm& scrubForm() = 0;
    // Where the toolkit may end the process itself, `stop` runs first;
    // none: it no longer need.
    virtual void beforeToolkitExit(const std::function<void()>& /*stop*/) {}
    // Minimised with a tray there, the window goes on into it.
    virtual void showMain(bool minimized) = 0;
    // Runs `task` on the UI thread once the event loop runs.
    virtual void soon(std::function<void()> task) = 0;
    // The event loop, until the main window has closed.
    virtual void run() = 0;
    virtual void showException(const std::string& what) = 0;
    // The windows go; nothing queued for the UI thread is delivered after.
    virtual void closeWindows() = 0;
};

// The whole program over a toolkit: the command line, a windowless trim, or
// the windows, the schedule thread and the trims, and their ordered end.
// The process's exit code.
int runProgram(int argc, const char* const* argv, Toolkit& toolkit);

}  // namespace kestrune
