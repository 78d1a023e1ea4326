#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace kestrune {

namespace loadtrigger {
inline constexpr std::int32_t kMinPercent = 1;
inline constexpr std::int32_t kMaxPercent = 99;
inline constexpr std::int32_t kDefaultPercent = 90;
inline constexpr std::int32_t kMinCooldown = 1;  // minutes
inline constexpr std::int32_t kMaxCooldown = 1440;
inline constexpr std::int32_t kDefaultCooldown = 30;
// A pressure of 90 % would mean programs stalled nearly all the time: what
// the pressure box starts at instead.
inline constexpr std::int32_t kDefaultPressurePercent = 20;
inline constexpr const char* kPressureWord = "pressure";
}  // namespace loadtrigger

// What a trigger watches: the memory load (used physical memory, per cent),
// or the memory pressure (the share of the last 10 seconds in which some
// program waited for memory, per cent).
enum class Measure { Load, Pressure };

// "When memory load exceeds N %": runs its task when the memory load is
// above `percent`, then not again before `cooldownMinutes` have passed, so a
// load that an operation cannot bring down does not start it over and over.
// Stored as one line, "R 90 30 0": task, percent, cooldown, and the calendar
// second it last started (0: never), which is what two running copies of
// the program compare to claim a run. A trigger on the memory pressure has
// a fifth word, "T 20 30 0 pressure", so every line stored before there was
// one reads as it always did.
struct LoadTrigger {
    std::string task = "R";  // "S" scrub, "R" recovery, "SR" both, "T" trim; any case
    std::int32_t percent = loadtrigger::kDefaultPercent;
    std::int32_t cooldownMinutes = loadtrigger::kDefaultCooldown;
    std::int64_t lastRun = 0;
    Measure measure = Measure::Load;

    std::string toText() const;
    // All or nothing: a text with a missing or non-numeric field, a number
    // out of range or a task that is none of the three throws ConversionError
    // and leaves the trigger as it was.
    void parseText(const std::string& text);
    // "When memory load exceeds 90 %": what it watches, and the level.
    std::string condition() const;
    // The condition, then how often it may run.
    std::string describe() const;

    // Due with what it watches at `level` % at calendar time `now`: above the
    // percent, and never run or run a cooldown ago. A last run in the
    // future (the clock was set back) does not hold the trigger off.
    bool due(double level, std::time_t now) const;

    friend bool operator==(const LoadTrigger&, const LoadTrigger&) = default;
};

// A trigger's task codes besides the timed entries' three: "T" trims the idle
// applications. The timed entries never take it.
bool taskTrims(const std::string& task);
// The words the scheduler's list shows for a trigger's task.
std::string triggerTaskTitle(const std::string& task);

}  // namespace kestrune
