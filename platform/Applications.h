#pragma once

#include "platform/Result.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The user's applications and their memory, and the system's own figures as a
// person should read them: what Trim Memory looks at and acts on. Linux sees
// an application as a cgroup of the session's delegated subtree (systemd's
// user@UID.service); Windows as the user's own processes of one executable.
namespace platform {

// One application of the user's session.
struct AppMemory {
    // Stable while the application runs, and unique among those listed: the
    // cgroup's path below the session's root on Linux ("app.slice/app-firefox-1234.scope"),
    // the executable's full path on Windows.
    std::string id;
    // What a person recognises: the desktop entry's name where there is one,
    // else the main program's name; made unique among those listed by
    // distinguish().
    std::string name;
    // What tells it apart from another of the same name: the unit's own
    // words on Linux ("test-reader"), the executable's folder on Windows.
    std::string detail;
    std::uint64_t inUse = 0;    // bytes charged to it now (memory.current; the working sets)
    std::uint64_t cache = 0;    // of them, file cache (memory.stat "file")
    std::uint64_t anon = 0;     // of them, anonymous memory (memory.stat "anon")
    std::uint64_t swapped = 0;  // besides them, in swap (memory.swap.current)
    // False where the system does not tell cache, anonymous and swap apart
    // (Windows): those three are then 0 and mean nothing.
    bool splitKnown = false;
    // CPU time used, in microseconds, by what is in it now (cpu.stat
    // "usage_usec"; the processes' user and kernel times). It may fall when
    // a process ends.
    std::uint64_t cpuMicros = 0;
    bool focused = false;  // owns the window that has the keyboard focus
    bool self = false;     // Kestrune's own: never trimmed
};

// The whole system, as a person should read it. Bytes.
struct SystemFigures {
    std::uint64_t total = 0;
    std::uint64_t used = 0;       // neither free nor cache
    std::uint64_t cache = 0;      // file cache the system can drop or write back
    std::uint64_t available = 0;  // what programs can still have without swapping
    std::uint64_t swapTotal = 0;
    std::uint64_t swapFree = 0;
    // Compressed swap in memory (zram), where there is some: what it holds
    // and what that takes of memory.
    bool zram = false;
    std::uint64_t zramStored = 0;
    std::uint64_t zramCompressed = 0;
    // Share of the last 10 seconds in which some task waited for memory
    // (Linux's pressure stall information, "some avg10"), per cent;
    // negative where the system does not tell.
    double pressure = -1.0;
};

// What became of one request to take memory back.
enum class Reclaim {
    Done,       // the system took back what was asked, or all there was
    Partial,    // it took back less than asked (Linux: EAGAIN): not a failure
    Gone,       // the application is no longer there
    Refused,    // the system does not let this user do it (EACCES, EPERM; access denied)
    Protected,  // Kestrune never asks it: its own, or the desktop's own services
    Failed,     // the system answered with another error, which `error` says
};

struct ReclaimResult {
    ReclaimResult(Reclaim o = Reclaim::Done, std::string e = {})  // NOLINT(google-explicit-constructor)
        : outcome(o), error(std::move(e)) {}
    Reclaim outcome;
    // Failed only: the request and the system's own words, naming the
    // application ("memory.reclaim of Picture Viewer: Device or resource busy").
    std::string error;
    friend bool operator==(const ReclaimResult& r, Reclaim o) { return r.outcome == o; }
};

// Held while one trim runs: while it is, no other trim of this user runs, in
// this program or in another copy of it.
class TrimHold {
public:
    virtual ~TrimHold() = default;
};

// Gives rows that would read the same a name each: the same name with what
// tells them apart ("test (reader)"), and where even that is the same, a number.
void distinguish(std::vector<AppMemory>& apps);

class Applications {
public:
    virtual ~Applications() = default;

    // Empty when trimming works here; otherwise one sentence a user can
    // read: why it does not, and what would make it work.
    virtual std::string unavailable() const = 0;
    // What this system cannot tell, in one sentence (on Wayland, which
    // application has the focus); empty when there is nothing to say.
    virtual std::string caveat() const = 0;

    // The session's applications with their figures, Kestrune's own marked
    // `self`, the one that holds process `focusedPid` marked `focused`
    // (0: none known), their names made distinct. Empty when unavailable.
    // On Linux only applications: the desktop's own services are left out.
    virtual std::vector<AppMemory> list(long focusedPid) = 0;
    virtual SystemFigures system() = 0;

    // Asks the system to take back up to `bytes` of `app`'s memory, then
    // reads its figures again into `app`. Never acts on `self`, nor on what
    // list() leaves out (Protected). On Windows
    // `bytes` is not used: the whole working set is trimmed.
    virtual ReclaimResult reclaim(AppMemory& app, std::uint64_t bytes) = 0;
    // Reads `app`'s figures again; false when it is gone.
    virtual bool refresh(AppMemory& app) = 0;
    // Waits until no other trim of this user runs, calling `waiting` once if
    // it must, and holds the turn until the hold is destroyed, on the thread
    // that took it. None when `stop` was set while it waited; an error,
    // saying why, where no turn can be had.
    virtual Result<std::unique_ptr<TrimHold>> takeTurn(const std::atomic<bool>& stop,
                                                       const std::function<void()>& waiting) = 0;
};

// The process-wide production instance for this system.
Applications& userApplications();

}  // namespace platform
