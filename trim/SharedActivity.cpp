#include "trim/SharedActivity.h"

namespace kestrune {

void SharedActivity::observe(const std::vector<platform::AppMemory>& apps, std::time_t now) {
    const std::lock_guard lock(mutex_);
    tracker_.observe(apps, now);
}

std::int64_t SharedActivity::idleSeconds(const std::string& id, std::time_t now) const {
    const std::lock_guard lock(mutex_);
    return tracker_.idleSeconds(id, now);
}

std::vector<platform::AppMemory> SharedActivity::idle(const std::vector<platform::AppMemory>& apps,
                                                      std::time_t now) const {
    const std::lock_guard lock(mutex_);
    return idleApplications(apps, tracker_, now);
}

std::string SharedActivity::whyNoneIdle(const std::vector<platform::AppMemory>& apps, std::time_t now) const {
    const std::lock_guard lock(mutex_);
    return kestrune::whyNoneIdle(apps, tracker_, now);
}

void SharedActivity::trimmed(const std::string& id, std::time_t now) {
    const std::lock_guard lock(mutex_);
    tracker_.trimmed(id, now);
}

std::string SharedActivity::toText() const {
    const std::lock_guard lock(mutex_);
    return tracker_.toText();
}

void SharedActivity::parseText(const std::string& text) {
    const std::lock_guard lock(mutex_);
    tracker_.parseText(text);
}

}  // namespace kestrune
