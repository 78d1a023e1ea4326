#include "scrub/Workerthread.h"

#include <new>

namespace kestrune {

WorkerThread::WorkerThread(platform::Heap& heap, platform::Clock& clock) : heap_(heap), clock_(clock) { start(); }

WorkerThread::~WorkerThread() {
    Quit();
    waitFor();
}

void WorkerThread::StartScrub() {
    // Busy from the moment this returns, even before the body takes it up.
    idle = false;
    startRequested = true;
    wake_.ring();
}

void WorkerThread::Quit() {
    quit = true;
    wake_.ring();
}

void WorkerThread::Execute() {
    while (!quit) {
        wake_.clear();
        if (startRequested) {
            startRequested = false;
            runOnce();
            idle = true;
            stopRequested = false;
            continue;
        }
        // Polled every 5 ms as far as anyone can tell, without waking every
        // 5 ms: the requests ring the alarm.
        clock_.sleepInSteps(kIdleWaitMs, kIdlePollMs, quit, wake_);
    }
}

void WorkerThread::runOnce() {
    try {
        blocks = std::make_unique<std::list<void*>>();
    } catch (const std::bad_alloc&) {
        return;  // not even the empty list: nothing was claimed
    }
    heap_.beginRun();
    ClaimBlocks(kFirstBlockSize);
    // Every claimed block goes back, whatever ended the claiming, first first.
    while (!blocks->empty()) {
        heap_.release(blocks->front());
        blocks->pop_front();
        clock_.sleep(0);
    }
    blocks.reset();
    // Freed is not returned: the heap would keep the pages until the program
    // ends. Here, on the worker's thread, before the run counts as over.
    heap_.endRun();
}

void WorkerThread::ClaimBlocks(std::size_t size) {
    if (size < kSmallestBlockSize) return;
    void* block = heap_.allocate(size);
    while (block != nullptr && !stopRequested && !quit) {
        clock_.sleep(0);
        try {
            blocks->push_back(block);
        } catch (const std::bad_alloc&) {
            // The list itself cannot grow: claiming ends as if the heap had
            // refused, and the block in hand goes back at once.
            heap_.release(block);
            return;
        }
        block = heap_.allocate(size);
    }
    if (block == nullptr) {
        if (!stopRequested && !quit) ClaimBlocks(size >> 1);
        return;
    }
    heap_.release(block);  // stopped with a block in hand: it is not kept
}

}  // namespace kestrune
