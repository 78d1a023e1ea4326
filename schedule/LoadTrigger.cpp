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

std::string LoadTrigger::toText() const {
    return task + " " + std::to_string(percent) + " " + std::to_string(cooldownMinutes) + " " + std::to_string(lastRun);
}

void LoadTrigger::parseText(const std::string& text) {
    const std::vector<std::string> w = words(text);
    if (w.size() != 4) throw ConversionError(text);
    if (!taskScrubs(w[0]) && !taskRecovers(w[0])) throw ConversionError(w[0]);
    LoadTrigger parsed;
    parsed.task = w[0];
    parsed.percent = inRange(w[1], kMinPercent, kMaxPercent);
    parsed.cooldownMinutes = inRange(w[2], kMinCooldown, kMaxCooldown);
    parsed.lastRun = toInt64(w[3]);
    if (parsed.lastRun < 0) throw ConversionError(w[3]);
    *this = parsed;
}

std::string LoadTrigger::describe() const {
    return "When memory load exceeds " + std::to_string(percent) + " %, at most once every " +
           std::to_string(cooldownMinutes) + (cooldownMinutes == 1 ? " minute" : " minutes");
}

bool LoadTrigger::due(std::int32_t load, std::time_t now) const {
    if (load <= percent) return false;
    if (lastRun == 0) return true;
    const std::int64_t since = static_cast<std::int64_t>(now) - lastRun;
    return since < 0 || since >= std::int64_t{cooldownMinutes} * 60;
}

}  // namespace kestrune
