#pragma once

#include <cstdint>

namespace platform {

// One reading of the system's memory status. Byte counts are 64-bit: a 32-bit
// count overflows on any machine with more than 4 GiB.
struct MemoryStatus {
    std::uint32_t memoryLoad = 0;  // used physical memory, percent
    std::uint64_t totalPhys = 0;
    std::uint64_t availPhys = 0;
    std::uint64_t totalPageFile = 0;
    std::uint64_t availPageFile = 0;
    std::uint64_t totalVirtual = 0;
    std::uint64_t availVirtual = 0;
    // What the page file holds beyond the physical memory, so that a sum of
    // the three counts each byte once: the page-file figures themselves where
    // the system keeps them so (Windows), only the swap where they already
    // include the RAM (Linux).
    std::uint64_t availBeyondPhys = 0;
    std::uint64_t totalBeyondPhys = 0;
};

inline constexpr std::uint64_t kBytesPerMB = 1048576;

// Whole megabytes, truncated; every MB figure is taken this way before any sum.
constexpr std::uint64_t toMB(std::uint64_t bytes) { return bytes / kBytesPerMB; }

class MemorySource {
public:
    virtual ~MemorySource() = default;
    // Never fails: a source that cannot read the system reports zeros.
    virtual MemoryStatus sample() = 0;
};

// The process-wide production source: /proc on Linux, the system's memory
// status on Windows.
MemorySource& systemMemory();

// Whether this system tells the memory pressure (the share of time programs
// waited for memory): Linux where its pressure stall information can be
// read, never Windows. What a trigger on the pressure needs in order to fire.
bool reportsMemoryPressure();

}  // namespace platform
