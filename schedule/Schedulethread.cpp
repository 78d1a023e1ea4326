#include "Schedulethread.h"

#include "platform/Registry.h"
#include "platform/RegistryReaderWriter.h"

#include <iostream>

namespace kestrune {

using namespace schedule;

ScheduleThread::ScheduleThread(const std::atomic<bool>& appClosing, platform::Clock& clock,
                               platform::UiDispatcher& ui, Actions actions)
    : appClosing_(appClosing),
      clock_(clock),
      actions_(std::move(actions)),
      // A scheduled run waits while the user's own operation is in progress.
      sync_(ui, platform::kGateRecovery | platform::kGateOperation) {
    start();
}

ScheduleThread::~ScheduleThread() {
    sync_.close();
    waitFor();
}

void ScheduleThread::Execute() {
    while (!appClosing_) {
        waitOrStop(kCheckIntervalMs, appClosing_);
        if (!appClosing_) {
            loadEntries();
            checkEntries();
        }
    }
}

void ScheduleThread::waitOrStop(std::uint32_t totalMs, const std::atomic<bool>& flag) {
    for (std::uint32_t waited = 0; waited < totalMs && !flag; waited += kWaitStepMs) clock_.sleep(kWaitStepMs);
}

void ScheduleThread::loadEntries() {
    platform::RegistryReaderWriter reg;
    reg.setRootKey(platform::HKEY_LOCAL_MACHINE);
    reg.setKeyName(platform::kScheduleKey);
    reg.startEnumeration();
    entries.clear();
    ScheduleEntry scratch;
    for (bool more = true;;) {
        const std::string name = reg.nextValueName(more);
        if (!more) break;
        bool read = false;
        const std::string text = reg.readString(name, read);
        try {
            scratch.parseText(text);
        } catch (const ConversionError& e) {
            // One faulty value no longer stops all scheduling: it is skipped,
            // named once on the error stream, and the others still run.
            std::string key = name;
            key += '\n';
            key += text;
            if (reported_.insert(std::move(key)).second)
                std::cerr << "Skipping schedule entry \"" << name << "\": " << e.what() << std::endl;
            continue;
        }
        entries.push_back(scratch);
    }
}

void ScheduleThread::currentTimeStamp(ScheduleEntry& entry) {
    const std::tm t = clock_.localTime(clock_.now());
    entry.minute = t.tm_min;
    entry.hour = t.tm_hour;
    entry.day = t.tm_mday;
    entry.month = t.tm_mon + 1;
    entry.year = t.tm_year + 1900;
}

void ScheduleThread::readStamp(platform::RegistryReaderWriter& reg, const char* name, ScheduleEntry& into,
                               const ScheduleEntry& now) {
    bool read = false;
    const std::string text = reg.readString(name, read);
    if (read) {
        ScheduleEntry parsed;
        try {
            parsed.parseText(text);
            into = parsed;
            return;
        } catch (const ConversionError&) {
            // A damaged stamp counts as missing: written afresh below.
        }
    }
    reg.writeString(now.toText(), name);
    into = now;
}

void ScheduleThread::refreshLastRuns() {
    ScheduleEntry now;
    currentTimeStamp(now);
    platform::RegistryReaderWriter reg;
    reg.setRootKey(platform::HKEY_LOCAL_MACHINE);
    reg.setKeyName(platform::kProductKey);
    readStamp(reg, kLastScrub, lastScrubEntry, now);
    readStamp(reg, kLastRecovery, lastRecoveryEntry, now);
}

namespace {

bool differs(const ScheduleEntry& a, const ScheduleEntry& b) {
    return a.minute != b.minute || a.hour != b.hour || a.day != b.day || a.month != b.month || a.year != b.year;
}

}  // namespace

bool ScheduleThread::isDue(const ScheduleEntry& e, const ScheduleEntry& now) {
    if (e.period == "hour") return e.minute == now.minute;
    if (e.period == "day") return e.minute == now.minute && e.hour == now.hour;
    if (e.period == "week")
        return e.minute == now.minute && e.hour == now.hour && clock_.localTime(clock_.now()).tm_wday == e.day;
    if (e.period == "month") return e.minute == now.minute && e.hour == now.hour && e.day == now.day;
    if (e.period == "on")
        return e.minute == now.minute && e.hour == now.hour && e.day == now.day && e.month == now.month &&
               e.year == now.year;
    return false;
}

void ScheduleThread::checkEntries() {
    ScheduleEntry now;
    currentTimeStamp(now);
    for (const ScheduleEntry& e : entries) {
        const std::string task = lowerCase(e.task);
        const bool wantsScrub = task == "s" || task == "sr";
        const bool wantsRecovery = task == "r" || task == "sr";
        refreshLastRuns();
        const bool recoveryDue = wantsRecovery && differs(lastRecoveryEntry, now);
        const bool scrubDue = wantsScrub && differs(lastScrubEntry, now);
        if (!isDue(e, now)) continue;
        if (recoveryDue && scrubDue) runScrubAndRecovery();
        else if (scrubDue) runScrub();
        else if (recoveryDue) runRecovery();
    }
}

void ScheduleThread::writeStamp(const char* name, const ScheduleEntry& stamp) {
    platform::RegistryReaderWriter reg;
    reg.setRootKey(platform::HKEY_LOCAL_MACHINE);
    reg.setKeyName(platform::kProductKey);
    reg.writeString(stamp.toText(), name);
}

void ScheduleThread::runScrub() {
    ScheduleEntry stamp;
    currentTimeStamp(stamp);
    writeStamp(kLastScrub, stamp);
    sync_.call(actions_.scrubMemory);
}

void ScheduleThread::runRecovery() {
    ScheduleEntry stamp;
    currentTimeStamp(stamp);
    writeStamp(kLastRecovery, stamp);
    sync_.call(actions_.recoverMemory);
}

void ScheduleThread::runScrubAndRecovery() {
    ScheduleEntry stamp;
    currentTimeStamp(stamp);
    writeStamp(kLastRecovery, stamp);
    writeStamp(kLastScrub, stamp);
    sync_.call(actions_.scrubMemory);
    sync_.call(actions_.recoverMemory);
}

}  // namespace kestrune
