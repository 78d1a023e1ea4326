#pragma once

#include "platform/MemoryStatus.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// Blocks claimed with malloc semantics: null is the normal sign that the heap
// will give no more at this size.
class Heap {
public:
    virtual ~Heap() = default;
    // A scrub run begins; the heap may take its measure of what it can give.
    virtual void beginRun() {}
    virtual void* allocate(std::size_t size) = 0;
    virtual void release(void* block) = 0;
    // Every block of the run has been released: what the heap kept of them
    // goes back to the system.
    virtual void endRun() {}
};

// What a scrub leaves unclaimed of the memory it could take: room for the
// program itself (its windows still paint, its threads still allocate) and
// for every other process on the machine.
inline constexpr std::uint64_t kHeadroomFloor = 256 * kBytesPerMB;
constexpr std::uint64_t scrubHeadroom(std::uint64_t available) { return std::max(available / 10, kHeadroomFloor); }
// All but the headroom; nothing when the headroom is all there is.
constexpr std::uint64_t scrubBudget(std::uint64_t available) {
    const std::uint64_t keep = scrubHeadroom(available);
    return available > keep ? available - keep : 0;
}

// This system's own bound on what the process may still take, beyond the
// memory status: on Linux the room left in its memory cgroups (limit less
// usage, the tightest of the process's cgroup and its ancestors); no bound
// (the largest count) where there is none.
std::uint64_t processMemoryRoom();
// Hands the C runtime heap's free memory back to the system, from every
// thread's arena: malloc_trim on Linux, _heapmin on Windows.
void returnFreeHeap();
// Called first thing, before any thread starts. Where the process's address
// space is limited (ulimit -v), each thread started from then on costs less
// of it: glibc's heap keeps to its one main arena (a thread's own arena
// reserves 64 MB up front) and a thread's stack is 1 MB, not the 8 MB of
// the stack limit, as on Windows. Otherwise a few threads leave no room for
// the next one, and a paint that waits on it waits for ever. Nothing on
// Windows.
void fitThreadsToAddressSpace();

// The C runtime's heap with a limit. Linux overcommits, so malloc would not
// refuse until the OOM killer ends this or another program, and a 32-bit
// Windows process would spend the address space its own windows need; this
// heap refuses once a run's claims would pass a budget taken when the run
// begins: the smaller of available page file, available virtual space and
// the process's own room, less the headroom.
class BudgetHeap final : public Heap {
public:
    explicit BudgetHeap(MemorySource& memory) : memory_(memory) {}
    void beginRun() override;
    void* allocate(std::size_t size) override;
    void release(void* block) override;
    void endRun() override;

    std::uint64_t budget() const { return budget_; }

private:
    MemorySource& memory_;
    std::uint64_t budget_ = 0;
    std::uint64_t claimed_ = 0;
};

}  // namespace platform
