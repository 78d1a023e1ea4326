#pragma once

#include "platform/MemoryStatus.h"

#include <cstddef>

namespace platform {

inline constexpr std::size_t kRecoveryBlockSize = kBytesPerMB;

// Fresh address space in blocks of 1 MB that charge the system's commit
// account without touching a page.
class VirtualMemory {
public:
    virtual ~VirtualMemory() = default;
    // A committed block that nothing touches; null when the system refuses.
    virtual void* commit() = 0;
    // Gives the commit charge back; the range stays reserved.
    virtual bool decommit(void* block) = 0;
    // Gives the range back.
    virtual bool release(void* block) = 0;
};

// The system's blocks. On Linux private anonymous mappings, charged to the
// commit account and never touched, decommitted by mapping an uncharged
// inaccessible range over the block, released by unmapping it; on Windows
// inaccessible committed pages, decommitted and released by VirtualFree.
VirtualMemory& systemVirtualMemory();

}  // namespace platform
