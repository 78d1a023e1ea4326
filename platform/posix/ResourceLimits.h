#pragma once

#include "platform/Result.h"

namespace platform {

// What a whole run takes beyond what the process holds when it starts, so
// that a limit too tight is found at start, never mid-way (a toolkit that
// cannot open a descriptor or start a thread waits for ever for the reply
// it would have brought).
//
// Descriptors: a run through the Scheduler, a recovery and a scrub, with the
// accessibility bus on, held 21 beyond those it was started with; three
// times that, for a trim, a second screen, a desktop's portal.
inline constexpr unsigned kDescriptorsToRun = 64;
// Threads: the toolkit's own (the X connection's reader, the D-Bus
// connection's, its painting pool) and Kestrune's: the same run had 9 at
// once, a trim adds one; with room for a toolkit that starts a few more.
inline constexpr unsigned kThreadsToRun = 16;

// Raises the soft limit on open files where it leaves fewer than
// kDescriptorsToRun free and the hard limit allows it. An error when the
// run has not enough: the one line that says why not.
Result<void> fitDescriptors();

// Starts kThreadsToRun threads at once and ends them again. An error when
// some did not start: the one line that says why not (ulimit -u, or the
// system's own thread limits).
Result<void> threadShortage();

}  // namespace platform
