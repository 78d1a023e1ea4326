#include "trim/TrimCommand.h"

#include "trim/Trim.h"

namespace kestrune {

TrimCommandOutcome runTrimCommand(bool all, platform::Applications& apps, const platform::SessionState& state,
                                  std::time_t now, const std::atomic<bool>& stop) {
    TrimCommandOutcome outcome;
    if (const std::string why = apps.unavailable(); !why.empty()) {
        outcome.status = 1;
        outcome.err = why;
        return outcome;
    }
    // The record and the listing are read in turn, so that one run waiting
    // for another trims what is left and keeps what the other wrote.
    const platform::Result<std::unique_ptr<platform::TrimHold>> turn = apps.takeTurn(stop, {});
    if (!turn) {
        outcome.status = 1;
        outcome.err = turn.error().text;
        return outcome;
    }
    if (!turn.value()) {
        TrimResult stopped;
        stopped.stopped = true;
        outcome.out = stopped.describe();
        return outcome;
    }
    const std::vector<platform::AppMemory> listed = apps.list(0);
    ActivityTracker tracker;
    if (const auto record = state.read(trim::kRecordName)) tracker.parseText(*record);
    tracker.observe(listed, now);
    const std::vector<platform::AppMemory> chosen =
        all ? allApplications(listed) : idleApplications(listed, tracker, now);
    TrimResult result;
    if (chosen.empty())
        result.none = all ? "no other application is running in this session" : whyNoneIdle(listed, tracker, now);
    else
        result = trimApplications(apps, chosen, stop);
    for (const std::string& id : result.trimmedIds) tracker.trimmed(id, now);
    outcome.out = result.describe();
    const bool kept = state.write(trim::kRecordName, tracker.toText()).ok();
    // Only --trim needs the record to choose; --trim-all keeps it for the cooldown.
    if (!all && !kept)
        outcome.out += state.missing().empty()
                           ? " The record of what has been idle could not be written, so the next run starts afresh."
                           : " No record of what has been idle is kept between runs: " + state.missing() + ".";
    return outcome;
}

}  // namespace kestrune
