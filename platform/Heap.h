#pragma once

#include "MemoryStatus.h"

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
};

// The C runtime's heap with a limit. Linux overcommits, so malloc would not
// refuse until the OOM killer ends this or another program; this heap refuses
// once a run's claims would pass a budget taken when the run begins: the
// smaller of available page file and available virtual space, which is where
// a Windows heap refuses.
class BudgetHeap final : public Heap {
public:
    explicit BudgetHeap(MemorySource& memory) : memory_(memory) {}
    void beginRun() override;
    void* allocate(std::size_t size) override;
    void release(void* block) override;

    std::uint64_t budget() const { return budget_; }
    std::uint64_t claimed() const { return claimed_; }

private:
    MemorySource& memory_;
    std::uint64_t budget_ = 0;
    std::uint64_t claimed_ = 0;
};

// The C runtime's heap as it is, for a system whose heap refuses by itself:
// a 32-bit Windows process runs out of address space long before the system
// runs out of memory.
class CrtHeap final : public Heap {
public:
    void* allocate(std::size_t size) override;
    void release(void* block) override;
};

// The heap a scrub runs on: a BudgetHeap over `memory` on Linux, the C
// runtime's own on Windows.
std::unique_ptr<Heap> makeScrubHeap(MemorySource& memory);

}  // namespace platform
