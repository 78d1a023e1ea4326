#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kestrune {

// A text that had to be a number and is not one (or does not fit 32 bits).
class ConversionError final : public std::runtime_error {
public:
    explicit ConversionError(const std::string& text);
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// A decimal integer with an optional sign; leading blanks are skipped.
// Anything else, or a number outside 32 bits, throws ConversionError.
std::int32_t toInt32(const std::string& text);

// ASCII lower case, whatever the locale.
std::string lowerCase(std::string text);

// Which operations a task code ("s", "r", "sr", any case) asks for; any
// other code asks for none.
bool taskScrubs(const std::string& task);
bool taskRecovers(const std::string& task);
// The words the scheduler's list shows for a task code.
std::string taskTitle(const std::string& task);

// One scheduled task, or a last-run time stamp, with its one-line text form
// and the words the scheduler's list shows for it.
class ScheduleEntry {
public:
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;  // day of the month; the weekday 0-6 (Sunday first) for weekly ones
    std::int32_t year = 0;
    std::string task = "s";     // "s" scrub, "r" recovery, "sr" both; any case
    std::string period = "on";  // "on", "hour", "day", "week", "month"

    std::string toText() const;
    // Fills the fields from `text` in order, each as its token is taken; a
    // token that is not a number throws ConversionError, and the fields taken
    // before it keep their new values.
    bool parseText(const std::string& text);
    std::string describe() const;
    // Why the entry can never run as it reads, in words for a message; empty
    // when it can. Its task is none of the three, or a number is one that no
    // panel of the Scheduler can make (it stores typed hours and minutes as
    // typed: up to 99, the hour plus 12 with "PM").
    std::string fault() const;
    std::string taskTitle() const;
    static std::string clockText(std::int32_t hour, std::int32_t minute);

    friend bool operator==(const ScheduleEntry&, const ScheduleEntry&) = default;
};

}  // namespace kestrune
