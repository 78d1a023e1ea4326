#include "FailingNew.h"
#include "platform/Heap.h"
#include "scrub/Workerthread.h"
#include "support/Fakes.h"
#include "support/SystemProbe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

using namespace kestrune;

namespace {

// Hands out fake addresses and records every request and release.
class RecordingHeap final : public platform::Heap {
public:
    // Decides for each request: true gives a block.
    std::function<bool(std::size_t size, int granted)> gives = [](std::size_t, int) { return true; };
    // Runs on the worker's thread after each request.
    std::function<void(int granted)> after;
    // Runs on the worker's thread as a run begins, before any request.
    std::function<void()> begins;

    void beginRun() override {
        ++runs;
        if (begins) begins();
    }
    void* allocate(std::size_t size) override {
        std::lock_guard lock(mutex_);
        requests.push_back(size);
        void* block = nullptr;
        if (gives(size, granted.load())) {
            block = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x1000 + 16 * ++granted));
            handedOut.push_back(block);
        }
        if (after) after(granted.load());
        return block;
    }
    void release(void* block) override {
        std::lock_guard lock(mutex_);
        released.push_back(block);
    }
    std::vector<std::size_t> requestsCopy() {
        std::lock_guard lock(mutex_);
        return requests;
    }

    std::recursive_mutex mutex_;
    std::vector<std::size_t> requests;
    std::vector<void*> handedOut, released;
    std::atomic<int> granted{0};
    std::atomic<int> runs{0};
};

bool waitIdle(WorkerThread& w) {
    for (int i = 0; i < 5000 && !w.IsIdle(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return w.IsIdle();
}

}  // namespace

TEST(ScrubWorker, RefusalsHalveTheSizeDownTo640AndEverythingGoesBackInOrder) {
    RecordingHeap heap;
    // Three blocks at each size, then a refusal; 320 must never be asked for.
    heap.gives = [](std::size_t size, int granted) {
        const int level = size == 10240 ? 0 : size == 5120 ? 1 : size == 2560 ? 2 : size == 1280 ? 3 : 4;
        return granted < 3 * (level + 1);
    };
    // The run waits until the test has looked, so a fast worker cannot be
    // idle again by then.
    std::atomic<bool> looked{false};
    heap.begins = [&] {
        while (!looked) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    WorkerThread w(heap, platform::systemClock());
    w.StartScrub();
    EXPECT_FALSE(w.IsIdle());  // busy at once, before the body takes it up
    looked = true;
    ASSERT_TRUE(waitIdle(w));
    std::vector<std::size_t> expected;
    for (const std::size_t size : {10240u, 5120u, 2560u, 1280u, 640u}) expected.insert(expected.end(), 4, size);
    EXPECT_EQ(heap.requestsCopy(), expected);
    EXPECT_EQ(heap.granted, 15);
    EXPECT_EQ(heap.released, heap.handedOut);  // all of them, first claimed first
    EXPECT_EQ(heap.runs, 1);
}

TEST(ScrubWorker, StopWhileClaimingReleasesTheBlockInHandThenTheRestFrontFirst) {
    RecordingHeap heap;
    WorkerThread* worker = nullptr;
    heap.after = [&](int granted) {
        if (granted == 100) worker->RequestStop();
    };
    WorkerThread w(heap, platform::systemClock());
    worker = &w;
    w.StartScrub();
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(heap.granted, 100);  // nothing claimed after the stop
    ASSERT_EQ(heap.released.size(), 100u);
    EXPECT_EQ(heap.released.front(), heap.handedOut.back());  // the block in hand, at once
    EXPECT_TRUE(std::equal(heap.released.begin() + 1, heap.released.end(), heap.handedOut.begin()));
    EXPECT_FALSE(w.stopRequested);

    // A stop asked for while idle stays, and ends the next run after one block.
    w.RequestStop();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(w.stopRequested);
    w.StartScrub();
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(heap.granted, 101);
    EXPECT_EQ(heap.released.back(), heap.handedOut.back());
    EXPECT_FALSE(w.stopRequested);
}

TEST(ScrubWorker, QuitDuringClaimingStillReleasesEveryBlockBeforeDestructionEnds) {
    RecordingHeap heap;
    std::atomic<WorkerThread*> worker{nullptr};
    heap.after = [&](int granted) {
        if (granted == 5000) worker.load()->Quit();
    };
    {
        WorkerThread w(heap, platform::systemClock());
        worker = &w;
        w.StartScrub();
        while (heap.granted < 5000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }  // destruction waits for the release loop
    EXPECT_EQ(heap.granted, 5000);
    std::vector<void*> released = heap.released, handed = heap.handedOut;
    std::sort(released.begin(), released.end());
    std::sort(handed.begin(), handed.end());
    EXPECT_EQ(released, handed);
}

TEST(ScrubWorker, QuitWhileIdleEndsWithinAPoll) {
    RecordingHeap heap;
    auto w = std::make_unique<WorkerThread>(heap, platform::systemClock());
    const auto start = std::chrono::steady_clock::now();
    w->Quit();
    w.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_TRUE(heap.requests.empty());
}

TEST(ScrubWorker, ABlockListThatCannotGrowEndsClaimingAndStillReleasesEverything) {
    RecordingHeap heap;
    heap.after = [](int granted) {
        // After 50 blocks, the list's next node cannot be had: the block
        // list's nodes come from operator new, on the worker's thread.
        if (granted == 50) failingnew::failNextOnThisThread();
    };
    WorkerThread w(heap, platform::systemClock());
    w.StartScrub();
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(heap.granted, 50);
    // No smaller size was tried: claiming ended.
    const auto requests = heap.requestsCopy();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), 10240u), 50);
    EXPECT_EQ(requests.size(), 50u);
    ASSERT_EQ(heap.released.size(), 50u);
    EXPECT_EQ(heap.released.front(), heap.handedOut.back());  // the one in hand, at once
}

TEST(ScrubWorker, TheBudgetLeavesAHeadroomOfAQuarterGigabyteOrATenth) {
    constexpr std::uint64_t MB = 1048576;
    // A tenth is 256 MB at 2560 MB; past it, a tenth.
    for (const auto& [available, budget] :
         {std::pair{0ull, 0ull}, {256ull, 0ull}, {1024ull, 768ull}, {2560ull, 2304ull}, {10240ull, 9216ull}})
        EXPECT_EQ(platform::scrubBudget(available * MB), budget * MB) << available;
}

// The production heap, real malloc and free, over a budget the fake memory
// sets: a scrub of a few hundred MB gives back its resident memory, not just
// its blocks, and a second one does not raise the floor.
TEST(ScrubWorker, TheRealHeapGivesItsMemoryBackToTheSystem) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator keeps freed memory by design";
#endif
    if (testsupport::underWine()) GTEST_SKIP() << "Wine's heap keeps what it was given";
    testsupport::FakeMemory memory;
    memory.set(testsupport::statusMB(1024, 512, 4096, 656, 4096, 4096));  // 400 MB after the headroom
    platform::BudgetHeap real(memory);
    struct Counting final : platform::Heap {
        platform::Heap& inner;
        std::atomic<long> live{0}, bytes{0};
        explicit Counting(platform::Heap& h) : inner(h) {}
        void beginRun() override {
            bytes = 0;
            inner.beginRun();
        }
        void* allocate(std::size_t n) override {
            void* p = inner.allocate(n);
            if (p != nullptr) {
                ++live;
                bytes += static_cast<long>(n);
            }
            return p;
        }
        void release(void* p) override {
            --live;
            inner.release(p);
        }
        void endRun() override { inner.endRun(); }
    } heap(real);
    const std::int64_t before = testsupport::residentKB();
    WorkerThread w(heap, platform::systemClock());
    for (int run = 0; run < 2; ++run) {
        w.StartScrub();
        ASSERT_TRUE(waitIdle(w));
        EXPECT_EQ(heap.live, 0);
        EXPECT_EQ(real.budget(), 400u * 1048576);
        EXPECT_GT(heap.bytes, 400 * 1048576 - 640);  // claimed right up to the budget
        EXPECT_LE(heap.bytes, 400 * 1048576);
        EXPECT_LT(testsupport::residentKB() - before, 32 * 1024) << "after run " << run + 1;
    }
}
