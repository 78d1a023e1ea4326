// Committing and freeing 1,000 blocks through the recovery's own path against
// a bare mmap/munmap loop of the same blocks; then its allocation and free
// loops at 1 GB, 4 GB and the machine's whole budget, against the same calls
// bare at the same counts.
#include "bench/Ratios.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/RegistryReaderWriter.h"
#include "platform/VirtualMemory.h"
#include "recovery/Recovery.h"

#include <sys/mman.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kBlocks = 1000;

struct NoLabel final : platform::Label {
    void setText(const std::string&) override {}
    std::string text() const override { return {}; }
};
struct NoBar final : platform::ProgressBar {
    void setPosition(int) override {}
    int position() const override { return 0; }
};
struct NoButton final : platform::Button {
    void setCaption(const std::string&) override {}
    std::string caption() const override { return {}; }
    void setEnabled(bool) override {}
    bool enabled() const override { return true; }
    void takeFocus() override {}
};
struct NoWindow final : platform::Window {
    platform::Rect frame() const override { return {}; }
    void moveTo(int, int) override {}
    void setFrameHeight(int) override {}
    int clientWidth() const override { return 0; }
    int clientHeight() const override { return 0; }
    void setClientSize(int, int) override {}
    bool visible() const override { return false; }
    void show() override {}
    void hide() override {}
    void close() override {}
    void repaintNow() override {}
    int screenWidth() const override { return 0; }
    int screenHeight() const override { return 0; }
    platform::Rect availableArea() const override { return {}; }
    platform::WindowHandle handle() const override { return nullptr; }
};
// Sized so the run commits exactly kBlocks blocks: ⌊9 × 1112 / 10⌋ = 1000.
struct Sized final : platform::MemorySource {
    platform::MemoryStatus sample() override {
        return {0, 1ull << 32, 1ull << 31, 1ull << 32, 1112ull << 20, 1ull << 40, 1ull << 39};
    }
};
// The pauses of the three steps take no time here.
struct Instant final : platform::Clock {
    std::uint32_t tickCount() override { return 0; }
    std::time_t now() override { return 0; }
    std::tm localTime(std::time_t) override { return {}; }
    void sleep(unsigned) override {}
    void sleep(unsigned, platform::Alarm&) override {}
};

// The whole operation: commit, decommit and release of every block, with the
// window's steps and the result box reduced to nothing.
// The progress window and the main window's buttons and result box, all
// doing nothing; one recovery run over them.
struct Quiet {
    NoWindow window;
    NoLabel l1, l2;
    NoBar bar;
    kestrune::TForm2 form{{window, l1, bar, l2}};
    NoButton b1, b2;
    std::string message, caption;
    Instant clock;

    void run(platform::MemorySource& memory, platform::VirtualMemory& vm) {
        kestrune::MemoryRecovery(kestrune::RecoveryHost{b1, b2, message, caption, nullptr}, form, memory, vm, clock)
            .run();
    }
};

void BM_RecoveryPath(benchmark::State& state) {
    Quiet quiet;
    Sized memory;
    for (auto _ : state) quiet.run(memory, platform::systemVirtualMemory());
    state.SetItemsProcessed(state.iterations() * kBlocks);
}
BENCHMARK(BM_RecoveryPath);

constexpr std::size_t kMB = 1 << 20;

// The same blocks mapped and unmapped bare.
void BM_BareMmapMunmap(benchmark::State& state) {
    std::vector<void*> blocks(kBlocks);
    for (auto _ : state) {
        for (auto& p : blocks) p = ::mmap(nullptr, kMB, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        for (void* p : blocks) ::munmap(p, kMB);
    }
    state.SetItemsProcessed(state.iterations() * kBlocks);
}
BENCHMARK(BM_BareMmapMunmap);

// The three calls the recovery makes per block (commit, decommit, release), bare.
void BM_BareCommitDecommitRelease(benchmark::State& state) {
    std::vector<void*> blocks(kBlocks);
    for (auto _ : state) {
        for (auto& p : blocks) p = ::mmap(nullptr, kMB, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        for (void* p : blocks) {
            benchmark::DoNotOptimize(
                ::mmap(p, kMB, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED | MAP_NORESERVE, -1, 0));
            ::munmap(p, kMB);
        }
    }
    state.SetItemsProcessed(state.iterations() * kBlocks);
}
BENCHMARK(BM_BareCommitDecommitRelease);

// What recording the run costs when the store cannot be written, as here.
void BM_FailedRecord(benchmark::State& state) {
    for (auto _ : state) {
        platform::RegistryReaderWriter reg;
        reg.setKeyName(platform::kProductKey);
        benchmark::DoNotOptimize(reg.writeNumber(1, "time"));
    }
}
BENCHMARK(BM_FailedRecord);

// ---- Growth with the number of blocks ----

using Steady = std::chrono::steady_clock;

// The system's blocks, with the span of the allocation loop (first commit to
// the last) and of the free loop (first decommit to the last release) taken.
class TimedBlocks final : public platform::VirtualMemory {
public:
    void* commit() override {
        if (commits_++ == 0) commitStart_ = Steady::now();
        void* p = real_.commit();
        commitEnd_ = Steady::now();
        return p;
    }
    bool decommit(void* block) override {
        if (frees_++ == 0) freeStart_ = Steady::now();
        return real_.decommit(block);
    }
    bool release(void* block) override {
        const bool ok = real_.release(block);
        freeEnd_ = Steady::now();
        return ok;
    }
    // Adds this run's spans to the totals and starts afresh.
    void collect(double& commitSeconds, double& freeSeconds, std::uint64_t& blocks) {
        commitSeconds += std::chrono::duration<double>(commitEnd_ - commitStart_).count();
        freeSeconds += std::chrono::duration<double>(freeEnd_ - freeStart_).count();
        blocks += frees_;
        commits_ = frees_ = 0;
    }

private:
    platform::VirtualMemory& real_ = platform::systemVirtualMemory();
    std::uint64_t commits_ = 0, frees_ = 0;
    Steady::time_point commitStart_, commitEnd_, freeStart_, freeEnd_;
};

// Budgets sized for a given count: ⌊9M/10⌋ blocks of M available MB.
struct Budget final : platform::MemorySource {
    explicit Budget(std::uint64_t blocks) : mb((blocks * 10 + 8) / 9) {}
    platform::MemoryStatus sample() override {
        return {0, 1ull << 32, 1ull << 31, 1ull << 40, mb << 20, 1ull << 40, 1ull << 39};
    }
    std::uint64_t mb;
};

void loopCounters(benchmark::State& state, double commitSeconds, double freeSeconds, std::uint64_t blocks) {
    const double n = static_cast<double>(blocks);
    state.counters["blocks"] = benchmark::Counter(n / static_cast<double>(state.iterations()));
    state.counters["alloc_us_per_block"] = benchmark::Counter(n > 0 ? commitSeconds / n * 1e6 : 0);
    state.counters["free_us_per_block"] = benchmark::Counter(n > 0 ? freeSeconds / n * 1e6 : 0);
}

// The recovery's run (its pauses taking no time) over `blocks` blocks; 0
// stands for what the program's own budget gives on this machine now, read
// afresh at every run as the program reads it.
void recoveryLoops(benchmark::State& state, std::uint64_t blocks) {
    Quiet quiet;
    Budget sized(blocks);
    platform::MemorySource& memory = blocks == 0 ? platform::systemMemory() : sized;
    TimedBlocks vm;
    double commitSeconds = 0, freeSeconds = 0;
    std::uint64_t done = 0;
    for (auto _ : state) {
        quiet.run(memory, vm);
        vm.collect(commitSeconds, freeSeconds, done);
    }
    loopCounters(state, commitSeconds, freeSeconds, done);
}

// The same system calls in two bare loops: map every block, then map an
// uncharged range over each and unmap it; the clock read as often.
void bareLoops(benchmark::State& state, std::uint64_t blocks) {
    if (blocks == 0) blocks = kestrune::blockCount(platform::systemMemory().sample());
    std::vector<void*> list(blocks);
    double commitSeconds = 0, freeSeconds = 0;
    std::uint64_t done = 0;
    for (auto _ : state) {
        const Steady::time_point a = Steady::now();
        Steady::time_point b = a;
        for (auto& p : list) {
            p = ::mmap(nullptr, kMB, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            b = Steady::now();
        }
        const Steady::time_point c = Steady::now();
        Steady::time_point d = c;
        for (void* p : list) {
            benchmark::DoNotOptimize(
                ::mmap(p, kMB, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED | MAP_NORESERVE, -1, 0));
            ::munmap(p, kMB);
            d = Steady::now();
        }
        commitSeconds += std::chrono::duration<double>(b - a).count();
        freeSeconds += std::chrono::duration<double>(d - c).count();
        done += blocks;
    }
    loopCounters(state, commitSeconds, freeSeconds, done);
}

// 1 GB and 4 GB in 1 MB blocks, and the machine's budget.
const std::pair<const char*, std::uint64_t> kSizes[] = {{"1GB", 1024}, {"4GB", 4096}, {"budget", 0}};

void registerGrowth() {
    for (const auto& [name, blocks] : kSizes) {
        const std::uint64_t n = blocks;
        benchmark::RegisterBenchmark((std::string("BM_RecoveryLoops/") + name).c_str(), [n](benchmark::State& s) {
            recoveryLoops(s, n);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("BM_BareLoops/") + name).c_str(), [n](benchmark::State& s) {
            bareLoops(s, n);
        })->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    registerGrowth();
    // The run's record goes nowhere: a store write is not part of this figure.
    setenv("KESTRUNE_REGISTRY", "/proc/kestrune-bench/none.sqlite3", 1);
    platform::setMessageBoxHandler([](const platform::BoxCall&) {});
    // Rates: ours over the bare loop's is the inverse of the time ratio.
    return benchratio::run(
        argc, argv,
        {{"recovery / the same three calls bare (time)", "BM_RecoveryPath", "BM_BareCommitDecommitRelease", 1 / 0.9,
          true},
         {"recovery / bare mmap+munmap (time)", "BM_RecoveryPath", "BM_BareMmapMunmap", 1 / 0.9, true},
         {"recovery loops / bare loops, 1 GB", "BM_RecoveryLoops/1GB", "BM_BareLoops/1GB", 1 / 0.9, true},
         {"recovery loops / bare loops, 4 GB", "BM_RecoveryLoops/4GB", "BM_BareLoops/4GB", 1 / 0.9, true},
         {"recovery loops / bare loops, budget", "BM_RecoveryLoops/budget", "BM_BareLoops/budget", 1 / 0.9, true}});
}
