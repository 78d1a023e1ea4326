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
}  // namespace loadtrigger

// "When memory load exceeds N %": runs its task when the memory load is
// above `percent`, then not again before `cooldownMinutes` have passed, so a
// load that an operation cannot bring down does not start it over and over.
// Stored as one line, "R 90 30 0": task, percent, cooldown, and the calendar
// second it last started (0: never), which is what two running copies of
// the program compare to claim a run.
struct LoadTrigger {
    std::string task = "R";  // "S" scrub, "R" recovery, "SR" both; any case
    std::int32_t percent = loadtrigger::kDefaultPercent;
    std::int32_t cooldownMinutes = loadtrigger::kDefaultCooldown;
    std::int64_t lastRun = 0;

    std::string toText() const;
    // All or nothing: a text with a missing or non-numeric field, a number
    // out of range or a task that is none of the three throws ConversionError
    // and leaves the trigger as it was.
    void parseText(const std::string& text);
    std::string describe() const;

    // Due with the load at `load` % at calendar time `now`: above the percent,
    // and never run or run a cooldown ago. A last run in the
    // future (the clock was set back) does not hold the trigger off.
    bool due(std::int32_t load, std::time_t now) const;

    friend bool operator==(const LoadTrigger&, const LoadTrigger&) = default;
};

}  // namespace kestrune
