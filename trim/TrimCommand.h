#pragma once

#include "platform/Applications.h"
#include "platform/SessionState.h"

#include <atomic>
#include <ctime>
#include <string>

namespace kestrune {

// What `kestrune --trim` and `kestrune --trim-all` print and end with.
struct TrimCommandOutcome {
    int status = 0;
    std::string out;  // the result line, beginning "Trimmed N MB"
    std::string err;  // why trimming is not possible here
};

// One trim without a window, for cron and timers: the idle applications, or
// with `all` every one but Kestrune's own. No display is known, so no
// application has the focus. The record of what has been idle is read from
// `state` and written back, so that the next run can tell. `stop` ends it
// between steps.
TrimCommandOutcome runTrimCommand(bool all, platform::Applications& apps, const platform::SessionState& state,
                                  std::time_t now, const std::atomic<bool>& stop);

}  // namespace kestrune
