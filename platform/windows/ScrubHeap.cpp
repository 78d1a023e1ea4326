#include "platform/Heap.h"

namespace platform {

// A 32-bit process's heap refuses by itself once its address space is spent.
std::unique_ptr<Heap> makeScrubHeap(MemorySource&) { return std::make_unique<CrtHeap>(); }

}  // namespace platform
