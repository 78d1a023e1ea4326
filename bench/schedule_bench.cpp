// One pass of the schedule thread's check over 100 stored entries, none due,
// against the bare store reads that pass makes.
#include "Ratios.h"
#include "platform/Registry.h"
#include "platform/RegistryReaderWriter.h"
#include "platform/UiSync.h"
#include "schedule/Schedulethread.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

class NoUi final : public platform::UiDispatcher {
public:
    bool onUiThread() const override { return true; }

protected:
    bool queue(std::function<void()>) override { return false; }
};

void seed() {
    platform::RegistryReaderWriter reg;
    reg.setKeyName(platform::kScheduleKey);
    for (int i = 0; i < 100; ++i) reg.writeString("S 25 " + std::to_string(i % 60) + " every day 0 0 0", std::to_string(i));
    reg.setKeyName(platform::kProductKey);
    reg.writeString("s 9 0 on 12 29 2003", "lastScrub");
    reg.writeString("s 9 0 on 12 29 2003", "lastRecovery");
}

void BM_CheckEntries(benchmark::State& state) {
    std::atomic<bool> closing{true};
    NoUi ui;
    kestrune::ScheduleThread thread(closing, platform::systemClock(), ui, {[] {}, [] {}});
    thread.loadEntries();
    if (thread.entries.size() != 100) state.SkipWithError("entries not loaded");
    for (auto _ : state) thread.checkEntries();
}
BENCHMARK(BM_CheckEntries);

// What the pass reads: per entry, a fresh object on the product key and the
// two time stamps.
void BM_BareStampReads(benchmark::State& state) {
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) {
            platform::RegistryReaderWriter reg;
            reg.setRootKey(platform::HKEY_LOCAL_MACHINE);
            reg.setKeyName(platform::kProductKey);
            bool ok = false;
            benchmark::DoNotOptimize(reg.readString("lastScrub", ok));
            benchmark::DoNotOptimize(reg.readString("lastRecovery", ok));
        }
    }
}
BENCHMARK(BM_BareStampReads);

}  // namespace

int main(int argc, char** argv) {
    char dir[] = "/tmp/kestrune-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) return 1;
    const std::string store = std::string(dir) + "/registry.sqlite3";
    setenv("KESTRUNE_REGISTRY", store.c_str(), 1);
    seed();
    const int rc = benchratio::run(argc, argv, {{"checkEntries / its bare store reads", "BM_CheckEntries",
                                                 "BM_BareStampReads", 1.2, true}});
    for (const char* suffix : {"", "-wal", "-shm"}) ::unlink((store + suffix).c_str());
    ::rmdir(dir);
    return rc;
}
