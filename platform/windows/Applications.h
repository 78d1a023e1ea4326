#pragma once

#include "platform/Applications.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The Windows back end's rules over what the system tells of each process,
// apart from the system calls so that tests can give them any processes.
namespace platform::winapps {

// One of the user's own processes: of this session, and one this user may
// both read and trim.
struct ProcessSample {
    unsigned long pid = 0;
    // Its executable's full path with the case folded: Windows names the same
    // file in any case, and one application is one executable.
    std::string key;
    std::string name;              // what a person recognises
    std::uint64_t workingSet = 0;  // bytes
    std::uint64_t cpuMicros = 0;   // user and kernel time
};

// The applications these processes make: one per executable, their working
// sets and CPU times summed, Kestrune's own marked `self` and the one that
// holds `focusedPid` marked `focused` (0: none), in the order of their ids.
// Windows does not tell cache, anonymous memory and swap apart in a
// working set: `splitKnown` is false.
std::vector<AppMemory> group(const std::vector<ProcessSample>& processes, unsigned long selfPid,
                             unsigned long focusedPid);

// What trimming an application came to, from what became of each of its
// processes: done where any one gave its working set back; else refused
// where any one was refused; else gone.
Reclaim combine(const std::vector<Reclaim>& outcomes);
// A trim that was done, having taken the working sets from `before` to
// `after` bytes where `asked` were asked for: Partial when it took less, so
// that its caller does not ask again in vain (a working-set trim takes all
// it can at once).
Reclaim settle(Reclaim outcome, std::uint64_t before, std::uint64_t after, std::uint64_t asked);

// The last part of a path, after either slash.
std::string fileName(std::string_view path);

}  // namespace platform::winapps
