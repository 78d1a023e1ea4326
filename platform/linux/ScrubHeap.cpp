#include "platform/Heap.h"

namespace platform {

// Linux overcommits: only a budget keeps a scrub from waking the OOM killer.
std::unique_ptr<Heap> makeScrubHeap(MemorySource& memory) { return std::make_unique<BudgetHeap>(memory); }

}  // namespace platform
