// The scrub worker's claim-and-release rate against a bare malloc + yield /
// free + yield loop, and one refresh of the scrub window's map on a raster
// surface.
#include "bench/Ratios.h"
#include "platform/Heap.h"
#include "platform/qt/Canvas.h"
#include "scrub/Scrubform.h"
#include "scrub/ScrubformLayout.h"
#include "scrub/Workerthread.h"
#include "scrub/scrubber.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <list>
#include <thread>

namespace {

constexpr std::size_t kBlocks = 20000;

using Clock = std::chrono::steady_clock;

// Gives exactly kBlocks blocks of malloc per run, then refuses; notes when the
// run began and when its last block went back.
class CountedHeap final : public platform::Heap {
public:
    void beginRun() override {
        left_ = kBlocks;
        held_ = 0;
        began = Clock::now();
    }
    void* allocate(std::size_t size) override {
        if (left_ == 0) return nullptr;
        --left_;
        ++held_;
        return std::malloc(size);
    }
    void release(void* p) override {
        std::free(p);
        if (--held_ == 0) ended = Clock::now();
    }
    std::atomic<Clock::time_point> began{}, ended{};

private:
    std::size_t left_ = 0;
    std::size_t held_ = 0;
};

// From the run's start to its last release: the hand-over of the request
// to the worker's thread is not part of its rate.
void BM_WorkerClaimRelease(benchmark::State& state) {
    CountedHeap heap;
    kestrune::WorkerThread worker(heap, platform::systemClock());
    for (auto _ : state) {
        worker.StartScrub();
        while (!worker.IsIdle()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        state.SetIterationTime(std::chrono::duration<double>(heap.ended.load() - heap.began.load()).count());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBlocks));
}
BENCHMARK(BM_WorkerClaimRelease)->UseManualTime();

// The same blocks claimed and freed by hand: malloc, yield, list; free, yield.
void bareLoop() {
    std::list<void*> blocks;
    for (std::size_t i = 0; i < kBlocks; ++i) {
        void* p = std::malloc(10240);
        std::this_thread::yield();
        blocks.push_back(p);
    }
    while (!blocks.empty()) {
        std::free(blocks.front());
        blocks.pop_front();
        std::this_thread::yield();
    }
}

void BM_BareMallocYield(benchmark::State& state) {
    for (auto _ : state) {
        const auto start = Clock::now();
        bareLoop();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBlocks));
}
BENCHMARK(BM_BareMallocYield)->UseManualTime();

// The bare loop on one long-lived thread of its own, as the worker runs: the
// same malloc arena from run to run.
void BM_BareMallocYieldOnAThread(benchmark::State& state) {
    std::atomic<int> requested{0}, done{0};
    std::atomic<bool> stop{false};
    std::atomic<double> seconds{0};
    std::thread t([&] {
        int served = 0;
        while (!stop) {
            if (requested > served) {
                const auto start = Clock::now();
                bareLoop();
                seconds = std::chrono::duration<double>(Clock::now() - start).count();
                done = ++served;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    for (auto _ : state) {
        const int n = ++requested;
        while (done < n) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        state.SetIterationTime(seconds);
    }
    stop = true;
    t.join();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBlocks));
}
BENCHMARK(BM_BareMallocYieldOnAThread)->UseManualTime();

// One refresh as the window paints it: the map's Draw of its 950 cells onto
// a window-sized raster image.
void BM_MapDraw(benchmark::State& state) {
    QImage image(kestrune::scrubform::kClientWidth, kestrune::scrubform::kClientHeight,
                 QImage::Format_ARGB32_Premultiplied);
    platform::QtCanvas canvas;
    kestrune::PartitionDisplay display(&canvas);
    display.SetCellSize(10, 10);
    display.SetBounds(22, 42, 429, 285);
    display.SetStepLimit(30);
    for (auto _ : state) {
        QPainter painter(&image);
        canvas.begin(&painter);
        display.Step();
        display.Draw();
        canvas.end();
    }
}
BENCHMARK(BM_MapDraw);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    return benchratio::run(argc, argv,
                           {{"worker / bare loop (time per run)", "BM_WorkerClaimRelease/manual_time",
                             "BM_BareMallocYield/manual_time", 1 / 0.85, true},
                            {"worker / bare loop on a thread", "BM_WorkerClaimRelease/manual_time",
                             "BM_BareMallocYieldOnAThread/manual_time", 1 / 0.85, true}});
}
