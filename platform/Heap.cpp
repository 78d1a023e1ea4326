#include "platform/Heap.h"

#include <algorithm>
#include <cstdlib>

namespace platform {

void BudgetHeap::beginRun() {
    const MemoryStatus s = memory_.sample();
    budget_ = scrubBudget(std::min({s.availPageFile, s.availVirtual, processMemoryRoom()}));
    claimed_ = 0;
}

void* BudgetHeap::allocate(std::size_t size) {
    if (size > budget_ - std::min(claimed_, budget_)) return nullptr;
    void* p = std::malloc(size);
    if (p != nullptr) claimed_ += size;
    return p;
}

void BudgetHeap::release(void* block) { std::free(block); }

void BudgetHeap::endRun() { returnFreeHeap(); }

}  // namespace platform
