#pragma once

#include "platform/Applications.h"
#include "platform/MemoryStatus.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kestrune {

namespace trim {
// How long an application must have been quiet before an unattended trim
// takes its memory.
inline constexpr std::int64_t kIdleSeconds = std::int64_t{5} * 60;
// The CPU a quiet application may still use. A desktop program is never at a
// strict zero: a clock in its window, a timer that polls, an answer to the
// session's D-Bus pings cost it a few milliseconds a minute. 100 ms a minute
// (0.17 % of one core) is far below anything a person would call working, and
// far above those timers.
inline constexpr std::uint64_t kIdleCpuMicrosPerMinute = 100'000;
// At most one unattended trim per application in this time: a program that
// pages its memory straight back in is not trimmed over and over.
inline constexpr std::int64_t kCooldownSeconds = std::int64_t{10} * 60;
// What one request asks of the system: small enough that a stop, the swap
// guard and the figures are looked at between requests, large enough that a
// gigabyte takes four.
inline constexpr std::uint64_t kStepBytes = std::uint64_t{256} << 20;
// Swap a trim always leaves free, for the programs that need it when memory
// runs short.
inline constexpr std::uint64_t kSwapReserveBytes = std::uint64_t{256} << 20;
// The session state's name for the ActivityTracker's record between runs.
inline constexpr const char* kRecordName = "trim-activity";
}  // namespace trim

// What each application has been doing, judged from its CPU time at each
// observation: since when it has been quiet, and when it was last trimmed.
// Not thread-safe: its owner serialises the calls.
class ActivityTracker {
public:
    // Takes the applications' CPU times at `now` (seconds since 1970).
    // Applications no longer listed are forgotten.
    void observe(const std::vector<platform::AppMemory>& apps, std::time_t now);
    // How long `id` has been quiet; -1 while unknown (seen once or never).
    std::int64_t idleSeconds(const std::string& id, std::time_t now) const;
    void trimmed(const std::string& id, std::time_t now);
    bool coolingDown(const std::string& id, std::time_t now) const;

    // The record kept between runs of the program: one line per application.
    std::string toText() const;
    // Replaces what is known with `text`; a line it cannot read is skipped.
    void parseText(const std::string& text);
    bool empty() const { return apps_.empty(); }

private:
    struct Seen {
        std::uint64_t cpu = 0;        // CPU microseconds at the last observation
        std::time_t at = -1;          // when that was; -1: never observed
        std::time_t quietSince = -1;  // -1: not known
        std::time_t lastTrim = -1;    // -1: never
        // CPU time it may still use in a short interval and stay quiet:
        // unspent allowance, at most one minute's worth, so that polling often
        // does not excuse a program that works a little all the time.
        std::uint64_t credit = trim::kIdleCpuMicrosPerMinute;
    };
    std::map<std::string, Seen> apps_;
};

// The applications an unattended trim takes: quiet for at least the idle
// time, not trimmed within the cooldown, never Kestrune's own and never the
// one with the focus.
std::vector<platform::AppMemory> idleApplications(const std::vector<platform::AppMemory>& apps,
                                                  const ActivityTracker& tracker, std::time_t now);
// Every application but Kestrune's own and the one with the focus.
std::vector<platform::AppMemory> allApplications(const std::vector<platform::AppMemory>& apps);
// Why idleApplications chose none, in words that follow "Trimmed 0 MB: ".
std::string whyNoneIdle(const std::vector<platform::AppMemory>& apps, const ActivityTracker& tracker, std::time_t now);

// "1,234 MB": whole MB of platform::kBytesPerMB, grouped whatever the locale.
std::string megabytes(std::uint64_t bytes);

// What a trim took back, from the applications' figures read before and after.
struct TrimResult {
    struct Skipped {
        std::string name;
        std::string why;  // "gone", "not permitted", "never trimmed"
    };
    std::uint64_t freed = 0;              // bytes of memory in use that came back
    std::uint64_t fromCache = 0;          // of them, file cache dropped
    std::uint64_t toSwap = 0;             // anonymous memory moved to swap
    bool splitKnown = true;               // false where the system does not tell cache and swap apart
    std::vector<std::string> trimmedIds;  // the applications asked to give memory back
    std::vector<Skipped> skipped;
    // Requests the system answered with an error, each in its own words
    // ("memory.reclaim of Picture Viewer: Device or resource busy").
    std::vector<std::string> failures;
    bool swapGuard = false;  // stopped to leave the swap reserve free
    bool stopped = false;    // stopped on request before the end
    // Why nothing was chosen, where the caller knows (whyNoneIdle).
    std::string none;

    std::size_t trimmed() const { return trimmedIds.size(); }
    // One line in the program's own words: "Trimmed 1,012 MB: 980 MB of file
    // cache, 32 MB moved to swap." Always begins "Trimmed N MB".
    std::string describe() const;
};

// The sum of two trims' results, as one trim of both.
void addTrim(TrimResult& total, const TrimResult& more);
// What a trim that handed back `result` tells, `failure` included.
std::string describeTrim(const TrimResult& result, const std::string& failure);

// Called after each request with the application it was made for, its figures
// read again, and the result so far.
using TrimProgress = std::function<void(const platform::AppMemory& app, const TrimResult& sofar)>;

// Asks the system to take back the memory of each of `apps` in steps of
// trim::kStepBytes up to what it can take (its file cache, and its anonymous
// memory where there is swap), reading its figures again after each.
// An application that is gone, may not be trimmed or whose request fails is
// skipped and named, and the rest go on; Kestrune's own is never touched.
// The caller holds the turn to trim (Applications::takeTurn). Stops before a step that
// could leave less than the swap reserve free, and when `stop` is set.
TrimResult trimApplications(platform::Applications& system, const std::vector<platform::AppMemory>& apps,
                            const std::atomic<bool>& stop, const TrimProgress& progress = {});

}  // namespace kestrune
