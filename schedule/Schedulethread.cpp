#include "schedule/Schedulethread.h"

#include "platform/Numbers.h"
#include "platform/Registry.h"
#include "platform/RegistryReaderWriter.h"

#include <iostream>
#include <optional>
#include <utility>

namespace kestrune {

using namespace schedule;

ScheduleThread::ScheduleThread(const std::atomic<bool>& appClosing, platform::Clock& clock, platform::UiDispatcher& ui,
                               Actions actions)
    : appClosing_(appClosing), clock_(clock), actions_(std::move(actions)), sync_(ui, actions_.gates) {
    // Behind the same gates as a run: the box waits for the user's operation.
    reportFailureAs("The scheduler stopped: no scheduled operation will run until Kestrune is started again", sync_);
    start();
}

ScheduleThread::~ScheduleThread() {
    // The owner has set appClosing; this ends the wait at once.
    stop_.ring();
    sync_.close();
    waitFor();
}

void ScheduleThread::Execute() {
    while (!appClosing_) {
        waitOrStop(kCheckIntervalMs, appClosing_);
        if (appClosing_ || stop_.rung()) break;
        loadEntries();
        checkEntries();
        checkLoadTriggers();
        if (actions_.everyPass) actions_.everyPass();
    }
}

void ScheduleThread::waitOrStop(std::uint32_t totalMs, const std::atomic<bool>& flag) {
    clock_.sleepInSteps(totalMs, kWaitStepMs, flag, stop_);
}

void ScheduleThread::open(platform::RegistryReaderWriter& reg, const char* key) {
    reg.setRootKey(platform::HKEY_LOCAL_MACHINE);
    reg.setKeyName(key);
    reg.nameFailuresOnce(namedFailures_);
}

void ScheduleThread::loadEntries() {
    if (!watch_) {
        watch_ = std::make_unique<platform::RegistryReaderWriter>();
        open(*watch_, platform::kScheduleKey);
    }
    // Taken before the read: a change made while it reads shows at the next pass.
    const std::optional<std::uint64_t> stamp = watch_->changeStamp();
    if (stamp && stamp == loadedStamp_) return;  // the entries parsed then still hold
    loadedStamp_.reset();
    platform::RegistryReaderWriter reg;
    open(reg, platform::kScheduleKey);
    entries.clear();
    ScheduleEntry scratch;
    const bool listed = reg.listValues([&](const std::string& name, const std::string& text, bool) {
        try {
            scratch.parseText(text);
        } catch (const ConversionError& e) {
            // One faulty value no longer stops all scheduling: it is skipped,
            // named once on the error stream, and the others still run.
            reportOnce(name, text, e.what());
            return;
        }
        if (const std::string why = scratch.fault(); !why.empty()) {
            reportOnce(name, text, why.c_str());
            return;
        }
        entries.push_back(scratch);
    });
    // A listing that failed is tried again at the next pass.
    if (listed) loadedStamp_ = stamp;
}

void ScheduleThread::reportOnce(const std::string& name, const std::string& text, const char* what) {
    std::string key = name;
    key += '\n';
    key += text;
    if (reported_.insert(std::move(key)).second)
        std::cerr << "Skipping schedule entry \"" << platform::TerminalSafe(name)
                  << "\": " << platform::TerminalSafe(what) << std::endl;
}

void ScheduleThread::checkLoadTriggers() {
    if (!actions_.quietLoad || !actions_.loadRun) return;
    const std::int32_t load = actions_.quietLoad();
    // Read once, and only on a pass that has a pressure trigger to judge.
    std::optional<double> pressure;
    const std::time_t now = clock_.now();
    platform::RegistryReaderWriter reg;
    open(reg, platform::kLoadTriggerKey);
    // All first: a trigger is claimed on the store between two of them.
    std::vector<std::pair<std::string, std::string>> stored;
    reg.listValues([&](const std::string& name, const std::string& text, bool) { stored.emplace_back(name, text); });
    for (const auto& [name, text] : stored) {
        LoadTrigger trigger;
        try {
            trigger.parseText(text);
        } catch (const ConversionError& e) {
            reportOnce(name, text, e.what());
            continue;
        }
        double level = load;
        if (trigger.measure == Measure::Pressure) {
            if (!actions_.pressure) continue;
            if (!pressure) pressure = actions_.pressure();
            level = *pressure;
        }
        // None known yet, or an operation of ours moved the load.
        if (level < 0) continue;
        LoadTrigger judged = trigger;
        if (const auto it = unstamped_.find(name); it != unstamped_.end() && it->second > judged.lastRun)
            judged.lastRun = it->second;
        if (!judged.due(level, now)) continue;
        LoadTrigger claimed = trigger;
        claimed.lastRun = now;
        const std::string claimedText = claimed.toText();
        const auto outcome = reg.compareAndWriteString(text, claimedText, name);
        // Another copy ran it first, or the user removed it meanwhile.
        if (outcome == platform::RegistryReaderWriter::CompareAndWrite::Differed) continue;
        bool ran = false;
        sync_.call([&] { ran = actions_.loadRun(trigger); });
        // Nothing ran: the cooldown is not used up.
        if (!ran && outcome == platform::RegistryReaderWriter::CompareAndWrite::Written)
            reg.compareAndWriteString(claimedText, text, name);
        // A run that could not be stamped still waits its cooldown here.
        if (ran && outcome == platform::RegistryReaderWriter::CompareAndWrite::Failed) unstamped_[name] = now;
        if (ran) return;
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
                               std::string& text, const ScheduleEntry& now, std::optional<ScheduleEntry>& unstored) {
    bool read = false;
    text = reg.readString(name, read);
    if (read) {
        ScheduleEntry parsed;
        try {
            parsed.parseText(text);
            into = parsed;
            unstored.reset();
            return;
        } catch (const ConversionError&) {
            // A damaged stamp counts as missing: written afresh below.
        }
    }
    text = now.toText();
    into = now;
    if (reg.writeString(text, name)) {
        unstored.reset();
        return;
    }
    // A store that cannot take it (read only, full): the first such time
    // stands in for it, or every pass would count as a run just now and no
    // entry would ever be due.
    if (!unstored) unstored = now;
    into = *unstored;
}

void ScheduleThread::refreshLastRuns() {
    ScheduleEntry now;
    currentTimeStamp(now);
    platform::RegistryReaderWriter reg;
    open(reg, platform::kProductKey);
    readStamp(reg, kLastScrub, lastScrubEntry, lastScrubText_, now, unstoredScrub_);
    readStamp(reg, kLastRecovery, lastRecoveryEntry, lastRecoveryText_, now, unstoredRecovery_);
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
    bool stampsRead = false;
    for (const ScheduleEntry& e : entries) {
        // Every period's time names its minute, so most entries are passed
        // over at once.
        const bool timeHasCome = e.minute == now.minute && isDue(e, now);
        // The stamps are read for the first entry (which writes any that is
        // missing) and again before each entry whose time has come: a run
        // for an earlier one, here or in another copy, changes them.
        if (stampsRead && !timeHasCome) continue;
        refreshLastRuns();
        stampsRead = true;
        if (!timeHasCome) continue;
        const bool wantsScrub = taskScrubs(e.task);
        const bool wantsRecovery = taskRecovers(e.task);
        // A run this thread started counts even where its stamp could not be
        // stored, or an entry would run again at every check of its minute.
        const bool recoveryDue = wantsRecovery && differs(lastRecoveryEntry, now) && differs(startedRecovery_, now);
        const bool scrubDue = wantsScrub && differs(lastScrubEntry, now) && differs(startedScrub_, now);
        if (recoveryDue && scrubDue)
            runScrubAndRecovery();
        else if (scrubDue)
            runScrub();
        else if (recoveryDue)
            runRecovery();
    }
}

// Replaces the stamp `seen` as it was read for the due check with the run's
// own, in one store step: false when another copy of the program replaced it
// first, and so runs the operation itself. A stamp that cannot be stored at
// all (a full disk, a read-only store) still lets the run go ahead, once.
bool ScheduleThread::claim(const char* name, const std::string& seen, const ScheduleEntry& stamp,
                           ScheduleEntry& started, bool standIn) {
    platform::RegistryReaderWriter reg;
    open(reg, platform::kProductKey);
    if (reg.compareAndWriteString(seen, stamp.toText(), name) ==
        platform::RegistryReaderWriter::CompareAndWrite::Differed) {
        // A store that can be opened for writing but takes no write (a
        // nearly full disk) never held the stamp this thread stands in for:
        // while it is still missing there, no copy has claimed the run.
        if (!standIn) return false;
        bool stored = false;
        reg.readString(name, stored);
        if (stored) return false;
    }
    started = stamp;
    return true;
}

void ScheduleThread::runScrub() {
    ScheduleEntry stamp;
    currentTimeStamp(stamp);
    if (claim(kLastScrub, lastScrubText_, stamp, startedScrub_, unstoredScrub_.has_value()))
        sync_.call(actions_.scrubMemory);
}

void ScheduleThread::runRecovery() {
    ScheduleEntry stamp;
    currentTimeStamp(stamp);
    if (claim(kLastRecovery, lastRecoveryText_, stamp, startedRecovery_, unstoredRecovery_.has_value()))
        sync_.call(actions_.recoverMemory);
}

// Each operation is claimed on its own: another copy may have taken one of them.
void ScheduleThread::runScrubAndRecovery() {
    ScheduleEntry stamp;
    currentTimeStamp(stamp);
    const bool recovery =
        claim(kLastRecovery, lastRecoveryText_, stamp, startedRecovery_, unstoredRecovery_.has_value());
    const bool scrub = claim(kLastScrub, lastScrubText_, stamp, startedScrub_, unstoredScrub_.has_value());
    if (scrub) sync_.call(actions_.scrubMemory);
    if (recovery) sync_.call(actions_.recoverMemory);
}

}  // namespace kestrune
