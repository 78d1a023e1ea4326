#include "schedule/ScheduleEntry.h"

#include <limits>

namespace kestrune {

ConversionError::ConversionError(const std::string& text)
    : std::runtime_error("'" + text + "' is not a valid integer value"), text_(text) {}

std::int32_t toInt32(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) throw ConversionError(text);
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') throw ConversionError(text);
        value = value * 10 + (c - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) throw ConversionError(text);
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) throw ConversionError(text);
    return static_cast<std::int32_t>(value);
}

std::string lowerCase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool taskScrubs(const std::string& task) {
    const std::string t = lowerCase(task);
    return t == "s" || t == "sr";
}

bool taskRecovers(const std::string& task) {
    const std::string t = lowerCase(task);
    return t == "r" || t == "sr";
}

namespace {

// Only the space separates; two in a row give an empty token, a trailing one
// stays with the last token, and past the end the token is the whole text.
class Tokens {
public:
    explicit Tokens(const std::string& text) : text_(text) {}
    std::string next() {
        const std::size_t n = text_.size();
        if (p_ > n) return text_;
        for (std::size_t i = p_;; ++i) {
            if (i == n) {
                std::string token = text_.substr(p_ - 1);
                p_ = i + 1;
                return token;
            }
            if (text_[i - 1] == ' ') {
                std::string token = text_.substr(p_ - 1, i - p_);
                p_ = i + 1;
                return token;
            }
        }
    }

private:
    const std::string& text_;
    std::size_t p_ = 1;  // the first character is 1
};

const char* const kWeekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

}  // namespace

std::string ScheduleEntry::toText() const {
    std::string out = task + " " + std::to_string(hour) + " " + std::to_string(minute) + " ";
    const std::string p = lowerCase(period);
    if (p == "on")
        out += "on ";
    else
        out += "every " + p + " ";
    return out + std::to_string(month) + " " + std::to_string(day) + " " + std::to_string(year);
}

bool ScheduleEntry::parseText(const std::string& text) {
    Tokens tokens(text);
    task = tokens.next();
    hour = toInt32(tokens.next());
    minute = toInt32(tokens.next());
    if (lowerCase(tokens.next()) == "on") {
        period = "on";
    } else {
        period = tokens.next();  // the fourth word stands for "every", whatever it says
    }
    month = toInt32(tokens.next());
    day = toInt32(tokens.next());
    year = toInt32(tokens.next());
    return true;
}

std::string ScheduleEntry::clockText(std::int32_t h, std::int32_t m) {
    std::string digits = std::to_string(m);
    if (m >= 0 && m < 10) digits = "0" + digits;
    // Midnight and noon read as a 12-hour clock does; other hours as typed.
    if (h == 0) return "12:" + digits + "AM";
    if (h == 12) return "12:" + digits + "PM";
    if (h > 12) return std::to_string(h - 12) + ":" + digits + "PM";
    return std::to_string(h) + ":" + digits + "AM";
}

std::string ScheduleEntry::describe() const {
    const std::string p = lowerCase(period);
    const std::string clock = clockText(hour, minute);
    if (p == "on")
        return clock + " on " + std::to_string(month) + "/" + std::to_string(day) + "/" + std::to_string(year);
    if (p == "week") {
        const std::string weekday = day >= 0 && day <= 6 ? kWeekdays[day] : "weekday " + std::to_string(day);
        return "Every " + weekday + " at " + clock;
    }
    if (p == "day") return "Every day at " + clock;
    if (p == "hour") return "Every hour at " + std::to_string(minute) + " minutes past the hour.";
    if (p == "month") return "Every month on the " + std::to_string(day) + "th";
    return "";
}

std::string ScheduleEntry::fault() const {
    if (!taskScrubs(task) && !taskRecovers(task)) return "its task is none of S, R and SR";
    const auto within = [](std::int32_t v, std::int32_t low, std::int32_t high) { return v >= low && v <= high; };
    const std::string p = lowerCase(period);
    const bool dayFits = p == "week" ? within(day, 0, 6) : p == "month" || p == "on" ? within(day, 1, 31) : true;
    const bool dateFits = p != "on" || (within(month, 1, 12) && within(year, 0, 9999));
    if (!within(hour, 0, 99 + 12) || !within(minute, 0, 99) || !dayFits || !dateFits)
        return "no Scheduler panel makes the time " + toText();
    return {};
}

std::string taskTitle(const std::string& task) {
    const std::string t = lowerCase(task);
    if (t == "s") return "Memory Scrub";
    if (t == "r") return "Memory Recovery";
    return "Memory Scrub and Recovery";
}

std::string ScheduleEntry::taskTitle() const { return kestrune::taskTitle(task); }

}  // namespace kestrune
