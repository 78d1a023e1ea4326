// One full-budget scrub on this machine, through the worker and the budget
// heap the program uses: its wall time, blocks per second at each block size,
// peak and final resident memory, and the page cache it pushed out; against a
// bare malloc + yield / free + yield loop of the same 10,240-byte blocks on a
// thread of its own. Claims most of the machine's available memory (all but
// the program's headroom), so it is a program of its own, run by hand.
#include "bench/Ratios.h"
#include "platform/Heap.h"
#include "scrub/Workerthread.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <list>
#include <map>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// A field of /proc/meminfo or /proc/self/status, in kB.
double procKB(const char* file, const std::string& field) {
    std::ifstream in(file);
    std::string name;
    double kb = 0;
    while (in >> name) {
        if (name == field + ":") {
            in >> kb;
            return kb;
        }
        in.ignore(1 << 16, '\n');
    }
    return 0;
}

// Starts the process's peak resident memory afresh from what it holds now.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The program's heap, with each block size's claiming timed: from the first
// request at that size to the refusal that ends it.
class TimedHeap final : public platform::Heap {
public:
    explicit TimedHeap(platform::Heap& real) : real_(real) {}
    struct Size {
        std::uint64_t blocks = 0;
        double seconds = 0;
    };
    void beginRun() override {
        real_.beginRun();
        sizes.clear();
        current_ = 0;
        began = Clock::now();
    }
    void* allocate(std::size_t size) override {
        const Clock::time_point t = Clock::now();
        if (size != current_) {
            current_ = size;
            since_ = t;
        }
        void* p = real_.allocate(size);
        Size& s = sizes[size];
        if (p != nullptr) ++s.blocks;
        s.seconds = std::chrono::duration<double>(Clock::now() - since_).count();
        if (p == nullptr && !freeing_) claimed = Clock::now();
        return p;
    }
    void release(void* block) override {
        if (!freeing_) {
            freeing_ = true;
            releaseBegan = Clock::now();
        }
        real_.release(block);
    }
    void endRun() override {
        released = Clock::now();
        residentBeforeTrim = procKB("/proc/self/status", "VmRSS");
        real_.endRun();
        ended = Clock::now();
        freeing_ = false;
    }
    std::map<std::size_t, Size, std::greater<>> sizes;
    Clock::time_point began, claimed, releaseBegan, released, ended;
    double residentBeforeTrim = 0;

private:
    platform::Heap& real_;
    std::size_t current_ = 0;
    Clock::time_point since_;
    bool freeing_ = false;
};

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

std::uint64_t tenKBlocks = 0;  // what the scrub claimed at the first size, for the bare loop

void BM_FullScrub(benchmark::State& state) {
    platform::BudgetHeap budget(platform::systemMemory());
    TimedHeap heap(budget);
    kestrune::WorkerThread worker(heap, platform::systemClock());
    for (auto _ : state) {
        const double cachedBefore = procKB("/proc/meminfo", "Cached");
        const double residentBefore = procKB("/proc/self/status", "VmRSS");
        resetPeak();
        worker.StartScrub();
        while (!worker.IsIdle()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        state.SetIterationTime(seconds(heap.began, heap.ended));
        const double cachedAfter = procKB("/proc/meminfo", "Cached");
        auto& c = state.counters;
        c["budget_MB"] = static_cast<double>(budget.budget()) / 1048576;
        c["claim_s"] = seconds(heap.began, heap.claimed);
        c["release_s"] = seconds(heap.releaseBegan, heap.released);
        c["trim_s"] = seconds(heap.released, heap.ended);
        c["rss_before_MB"] = residentBefore / 1024;
        c["rss_peak_MB"] = procKB("/proc/self/status", "VmHWM") / 1024;
        c["rss_untrimmed_MB"] = heap.residentBeforeTrim / 1024;
        c["rss_after_MB"] = procKB("/proc/self/status", "VmRSS") / 1024;
        c["cached_before_MB"] = cachedBefore / 1024;
        c["cached_after_MB"] = cachedAfter / 1024;
        std::uint64_t blocks = 0;
        for (const auto& [size, s] : heap.sizes) {
            const std::string name = std::to_string(size);
            c["blocks_" + name] = static_cast<double>(s.blocks);
            if (s.blocks > 0 && s.seconds > 0) c["per_s_" + name] = static_cast<double>(s.blocks) / s.seconds;
            blocks += s.blocks;
        }
        c["release_per_s"] = static_cast<double>(blocks) / seconds(heap.releaseBegan, heap.released);
        tenKBlocks = heap.sizes[kestrune::kFirstBlockSize].blocks;
    }
}
BENCHMARK(BM_FullScrub)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The same count of 10,240-byte blocks claimed and freed by hand on a thread
// of its own, each call followed by a yield as the worker's are, and the
// heap trimmed after.
void BM_BareFullLoop(benchmark::State& state) {
    const std::uint64_t n = tenKBlocks;
    for (auto _ : state) {
        double claim = 0, release = 0, total = 0;
        std::thread t([&] {
            std::list<void*> blocks;
            const Clock::time_point a = Clock::now();
            for (std::uint64_t i = 0; i < n; ++i) {
                void* p = std::malloc(kestrune::kFirstBlockSize);
                std::this_thread::yield();
                blocks.push_back(p);
            }
            const Clock::time_point b = Clock::now();
            while (!blocks.empty()) {
                std::free(blocks.front());
                blocks.pop_front();
                std::this_thread::yield();
            }
            const Clock::time_point c = Clock::now();
            platform::returnFreeHeap();
            claim = seconds(a, b);
            release = seconds(b, c);
            total = seconds(a, Clock::now());
        });
        t.join();
        state.SetIterationTime(total);
        state.counters["claim_s"] = claim;
        state.counters["release_s"] = release;
        state.counters["per_s_10240"] = claim > 0 ? static_cast<double>(n) / claim : 0;
        state.counters["release_per_s"] = release > 0 ? static_cast<double>(n) / release : 0;
    }
}
BENCHMARK(BM_BareFullLoop)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    return benchratio::run(argc, argv,
                           {{"full scrub / bare loop (wall time)", "BM_FullScrub/iterations:1/manual_time",
                             "BM_BareFullLoop/iterations:1/manual_time", 1 / 0.85, true}});
}
