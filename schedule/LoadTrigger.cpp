#include "schedule/LoadTrigger.h"

#include "schedule/ScheduleEntry.h"

#include <charconv>
#include <vector>

namespace kestrune {

using namespace loadtrigger;

namespace {

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t space = text.find(' ', at);
        out.push_back(text.substr(at, space == std::string::npos ? std::string::npos : space - at));
        if (space == std::string::npos) break;
        at = space + 1;
    }
    return out;
}

std::int64_t toInt64(const std::string& text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) throw ConversionError(text);
    return value;
}

std::int32_t inRange(const std::string& text, std::int32_t low, std::int32_t high) {
    const std::int32_t value = toInt32(text);
    if (value < low || value > high) throw ConversionError(text);
    return value;
}

}  // namespace

bool taskTrims(const std::string& task) { return lowerCase(task) == "t"; }

std::string triggerTaskTitle(const std::string& task) { return taskTrims(task) ? "Memory Trim" : taskTitle(task); }

std::string LoadTrigger::toText() const {
    std::string text =
        task + " " + std::to_string(percent) + " " + std::to_string(cooldownMinutes) + " " + std::to_string(lastRun);
    if (measure == Measure::Pressure) text += std::string(" ") + kPressureWord;
    return text;
}

void LoadTrigger::parseText(const std::string& text) {
    const std::vector<std::string> w = words(text);
    if (w.size() != 4 && !(w.size() == 5 && w[4] == kPressureWord)) throw ConversionError(text);
    if (!taskScrubs(w[0]) && !taskRecovers(w[0]) && !taskTrims(w[0])) throw ConversionError(w[0]);
    LoadTrigger parsed;
    parsed.task = w[0];
    parsed.percent = inRange(w[1], kMinPercent, kMaxPercent);
    parsed.cooldownMinutes = inRange(w[2], kMinCooldown, kMaxCooldown);
    parsed.lastRun = toInt64(w[3]);
    if (parsed.lastRun < 0) throw ConversionError(w[3]);
    parsed.measure = w.size() == 5 ? Measure::Pressure : Measure::Load;
    *this = parsed;
}

std::string LoadTrigger::condition() const {
    return std::string(measure == Measure::Pressure ? "When memory pressure exceeds " : "When memory load exceeds ") +
           std::to_string(percent) + " %";
}

std::string LoadTrigger::describe() const {
    return condition() + ", at most once every " + std::to_string(cooldownMinutes) +
           (cooldownMinutes == 1 ? " minute" : " minutes");
}

bool LoadTrigger::due(double level, std::time_t now) const {
    if (!(level > percent)) return false;
    if (lastRun == 0) return true;
    const std::int64_t since = static_cast<std::int64_t>(now) - lastRun;
    return since < 0 || since >= std::int64_t{cooldownMinutes} * 60;
}

}  // namespace kestrune
