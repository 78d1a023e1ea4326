#pragma once

#include "platform/Clock.h"
#include "platform/RegistryReaderWriter.h"
#include "platform/Thread.h"
#include "platform/UiSync.h"
#include "schedule/LoadTrigger.h"
#include "schedule/ScheduleEntry.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kestrune {

namespace schedule {
inline constexpr std::uint32_t kCheckIntervalMs = 10000;
inline constexpr unsigned kWaitStepMs = 20;
inline constexpr const char* kLastScrub = "lastScrub";
inline constexpr const char* kLastRecovery = "lastRecovery";
}  // namespace schedule

// Fires the stored schedule entries. Every 10 seconds it reads them all and
// starts each operation that is due, at most once a minute, exactly as a click
// on its button would: on the UI thread, waiting until it has finished. Of
// several running copies of the program, the one whose stamp replaces the
// stamp the entry was found due on runs it; the others leave it.
//
// On the same pass it looks at the memory-load and memory-pressure triggers:
// one that is due by the monitor's latest sample, or by the pressure read on
// this pass, is claimed by writing its new last-run time over the text it was
// read with, then run on the UI thread. At most one runs per pass, since a
// run changes the figures the others were judged by.
class ScheduleThread final : public platform::Thread {
public:
    struct Actions {
        std::function<void()> scrubMemory;    // run on the UI thread
        std::function<void()> recoverMemory;  // run on the UI thread
        // Any thread: the load of the monitor's latest sample taken with no
        // operation running since, or -1 when there is none. Empty: the
        // load triggers are not looked at.
        std::function<std::int32_t()> quietLoad = {};
        // Runs a due trigger on the UI thread; false when it ran nothing
        // (an operation had started, or the load had fallen meanwhile).
        std::function<bool(const LoadTrigger&)> loadRun = {};
        // The UI thread's gates a run waits behind (the owner's operations).
        unsigned gates = platform::kNoGate;
        // Any thread: the memory pressure now, per cent, or negative where
        // the system does not tell. Asked only on a pass that meets a
        // pressure trigger. Empty: pressure triggers are not looked at.
        std::function<double()> pressure = {};
        // Runs on this thread once a pass, after the checks: what the program
        // keeps up to date every 10 seconds with no window open.
        std::function<void()> everyPass = {};
    };
    ScheduleThread(const std::atomic<bool>& appClosing, platform::Clock& clock, platform::UiDispatcher& ui,
                   Actions actions);
    // The owner sets appClosing first. A request still waiting for the UI
    // thread is dropped, so this never waits on the UI thread.
    ~ScheduleThread() override;

    std::vector<ScheduleEntry> entries;
    ScheduleEntry lastScrubEntry;
    ScheduleEntry lastRecoveryEntry;

    // Waits `totalMs` in 20 ms steps, looking at `flag` before each one; the
    // real clock sleeps it in one, until the destructor rings.
    void waitOrStop(std::uint32_t totalMs, const std::atomic<bool>& flag);
    void loadEntries();
    void checkEntries();
    void refreshLastRuns();
    void currentTimeStamp(ScheduleEntry& entry);
    // Each replaces the stamp(s) the last refreshLastRuns read with the time
    // now, then runs what it could claim.
    void runScrub();
    void runRecovery();
    void runScrubAndRecovery();
    // Reads the load and pressure triggers and runs the first one that is due.
    void checkLoadTriggers();

protected:
    void Execute() override;

private:
    // Points `reg` at `key`; it names each failed read once in this run.
    void open(platform::RegistryReaderWriter& reg, const char* key);
    void readStamp(platform::RegistryReaderWriter& reg, const char* name, ScheduleEntry& into, std::string& text,
                   const ScheduleEntry& now, std::optional<ScheduleEntry>& unstored);
    // `standIn`: `seen` stands in for a stamp the store could not take.
    bool claim(const char* name, const std::string& seen, const ScheduleEntry& stamp, ScheduleEntry& started,
               bool standIn);
    bool isDue(const ScheduleEntry& e, const ScheduleEntry& now);
    // Names a faulty stored value once, not on every pass.
    void reportOnce(const std::string& name, const std::string& text, const char* what);

    const std::atomic<bool>& appClosing_;
    platform::Clock& clock_;
    platform::Alarm stop_;
    Actions actions_;
    platform::UiSync sync_;
    // The stamps as last read, which a run's new stamp has to replace.
    std::string lastScrubText_;
    std::string lastRecoveryText_;
    // When this thread last started each operation, whatever the store kept.
    ScheduleEntry startedScrub_;
    ScheduleEntry startedRecovery_;
    // Load triggers this thread ran but could not stamp in the store, with
    // when: their cooldown is kept here instead.
    std::map<std::string, std::time_t> unstamped_;
    // Faulty values already reported, so each is named once, not every pass.
    std::set<std::string> reported_;
    // The store's failed reads already named: the same values are read on
    // every pass.
    platform::NamedFailures namedFailures_;
    // Watches the entries' key from pass to pass: they are read and parsed
    // again only once it has changed. Made by the first loadEntries, kept
    // to the end (the thread's own loop never touches it after its last
    // pass, as a caller of loadEntries may be another thread).
    std::unique_ptr<platform::RegistryReaderWriter> watch_;
    std::optional<std::uint64_t> loadedStamp_;
    // The stamp the store lacked and could not take, for each operation: it
    // stands in for the missing one for the rest of the run.
    std::optional<ScheduleEntry> unstoredScrub_;
    std::optional<ScheduleEntry> unstoredRecovery_;
};

}  // namespace kestrune
