#pragma once

#include "platform/MemoryStatus.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The fields of /proc/meminfo and /proc/self/status that a sample needs, in bytes.
struct ProcFields {
    std::uint64_t memTotal = 0;
    std::uint64_t memAvailable = 0;
    std::uint64_t swapTotal = 0;
    std::uint64_t swapFree = 0;
    std::uint64_t commitLimit = 0;
    std::uint64_t committedAS = 0;
    std::uint64_t vmSize = 0;
    // For the figures as a person reads them (the Applications window).
    std::uint64_t memFree = 0;
    std::uint64_t buffers = 0;
    std::uint64_t cached = 0;
    std::uint64_t shmem = 0;
};

// Parsers over raw file contents. They never allocate and accept any bytes:
// unknown lines are skipped, malformed numbers leave the field at zero.
void parseMeminfo(const char* text, std::size_t length, ProcFields& out);
void parseStatus(const char* text, std::size_t length, ProcFields& out);
// "2" in /proc/sys/vm/overcommit_memory: the kernel enforces its commit account.
bool parseStrictOvercommit(const char* text, std::size_t length);

// The sample as the rest of the program sees it, from the parsed fields.
MemoryStatus composeStatus(const ProcFields& fields, bool strictOvercommit, std::uint64_t addressSpace);

// This process's user address space: the smaller of RLIMIT_AS and what the
// architecture gives a user process.
std::uint64_t userAddressSpace();

// The production memory source. The files stay open and are re-read from the
// start on every sample, so one sample is three pread calls and no allocation.
// Safe to call from several threads at once.
class ProcMemorySource final : public MemorySource {
public:
    // `root` stands for /proc so tests can feed fixed files; `addressSpace`
    // replaces the real limit when given.
    explicit ProcMemorySource(const std::string& root = "/proc",
                              std::optional<std::uint64_t> addressSpace = std::nullopt);
    ~ProcMemorySource() override;
    ProcMemorySource(const ProcMemorySource&) = delete;
    ProcMemorySource& operator=(const ProcMemorySource&) = delete;

    MemoryStatus sample() override;

    // How old a reading of the overcommit mode and the address-space limit
    // may be before a sample reads them again.
    static constexpr std::chrono::seconds kSettingsAge{5};

private:
    int meminfo_ = -1;
    int status_ = -1;
    int overcommit_ = -1;
    std::optional<std::uint64_t> addressSpace_;
    std::atomic<std::chrono::steady_clock::rep> settingsReadAt_{0};
    std::atomic<bool> strict_{false};
    std::atomic<std::uint64_t> addressSpaceNow_{0};
};

}  // namespace platform
