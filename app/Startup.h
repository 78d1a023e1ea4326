#pragma once

#include "app/Memmainform.h"
#include "schedule/Schedulethread.h"

#include <atomic>
#include <functional>
#include <string>

namespace kestrune {

// What the schedule thread runs: the main window's operations, each as a
// click on its button would run it, on the UI thread. Never on a closing
// window; an exception goes to `showException` as a click's would.
// `form` outlives the schedule thread.
ScheduleThread::Actions scheduleActions(TKestruneForm& form, const std::atomic<bool>& appClosing,
                                        const std::function<void(const std::string&)>& showException);

}  // namespace kestrune
