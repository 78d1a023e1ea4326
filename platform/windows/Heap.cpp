#include "platform/Heap.h"

#include <malloc.h>

#include <limits>

namespace platform {

// The memory status already bounds a Windows process: its address space and
// the system's commit limit.
std::uint64_t processMemoryRoom() { return std::numeric_limits<std::uint64_t>::max(); }

void returnFreeHeap() { _heapmin(); }

void fitThreadsToAddressSpace() {}

}  // namespace platform
