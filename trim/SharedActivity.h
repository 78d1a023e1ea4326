#pragma once

#include "platform/Applications.h"
#include "trim/Trim.h"

#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

namespace kestrune {

// What the running program knows of its applications' activity, shared by
// the schedule thread (which observes them every 10 seconds, window or no
// window) and the UI thread (the Applications window, the tray, the
// triggers). One lock around the tracker; every call is short.
class SharedActivity {
public:
    void observe(const std::vector<platform::AppMemory>& apps, std::time_t now);
    // -1 while unknown.
    std::int64_t idleSeconds(const std::string& id, std::time_t now) const;
    // The engine's idle selection, and why it chose none.
    std::vector<platform::AppMemory> idle(const std::vector<platform::AppMemory>& apps, std::time_t now) const;
    std::string whyNoneIdle(const std::vector<platform::AppMemory>& apps, std::time_t now) const;
    void trimmed(const std::string& id, std::time_t now);
    // The record kept for the login between runs (`kestrune --trim` keeps
    // the same one): read at start-up, written at the end.
    std::string toText() const;
    void parseText(const std::string& text);

private:
    mutable std::mutex mutex_;
    ActivityTracker tracker_;
};

}  // namespace kestrune
