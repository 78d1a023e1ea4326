#pragma once

#include "app/Memmainform.h"
#include "platform/MemoryStatus.h"
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

}  // namespace kestrune
