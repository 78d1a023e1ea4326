#pragma once

#include "platform/Clock.h"
#include "platform/Heap.h"
#include "platform/Thread.h"

#include <atomic>
#include <cstddef>
#include <list>
#include <memory>

namespace kestrune {

// What the scrub window needs of its worker.
class ScrubWorker {
public:
    virtual ~ScrubWorker() = default;
    virtual bool IsIdle() const = 0;
    virtual void StartScrub() = 0;
    virtual void RequestStop() = 0;
    // Tells the body to return; destroying the worker then waits for it.
    virtual void Quit() = 0;
};

inline constexpr std::size_t kFirstBlockSize = 10240;
inline constexpr std::size_t kSmallestBlockSize = 512;  // sizes below this end the claiming
inline constexpr unsigned kIdlePollMs = 5;
// An idle worker's wait: StartScrub and Quit end it at once.
inline constexpr unsigned kIdleWaitMs = 60000;

// Claims as much heap as the heap will give, in blocks of falling size, and
// then hands every block back. It shows and measures nothing.
class WorkerThread final : public platform::Thread, public ScrubWorker {
public:
    WorkerThread(platform::Heap& heap, platform::Clock& clock);
    // Waits until the body has returned; a run in progress first stops
    // claiming and releases every block.
    ~WorkerThread() override;

    std::atomic<bool> idle{true};
    std::atomic<bool> startRequested{false};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> quit{false};

    bool IsIdle() const override { return idle; }
    void StartScrub() override;
    void RequestStop() override { stopRequested = true; }
    void Quit() override;

protected:
    void Execute() override;

private:
    void ClaimBlocks(std::size_t size);
    void runOnce();

    platform::Heap& heap_;
    platform::Clock& clock_;
    platform::Alarm wake_;
    // The run's claimed blocks, in claiming order; exists only during a run.
    std::unique_ptr<std::list<void*>> blocks;
};

}  // namespace kestrune
