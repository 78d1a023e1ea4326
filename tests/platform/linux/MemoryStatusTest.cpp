#include "platform/linux/MemoryStatus.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace platform;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

constexpr std::uint64_t kKiB = 1024;
constexpr std::uint64_t kMiB = 1024 * kKiB;

const char* kMeminfo =
    "MemTotal:        8000000 kB\n"
    "MemFree:          100000 kB\n"
    "MemAvailable:    2000000 kB\n"
    "Buffers:           50000 kB\n"
    "SwapTotal:       4000000 kB\n"
    "SwapFree:        3000000 kB\n"
    "CommitLimit:     8000000 kB\n"
    "Committed_AS:    9000000 kB\n"
    "HugePages_Total:       0\n";

const char* kStatus =
    "Name:\tkestrune\n"
    "VmPeak:\t  600000 kB\n"
    "VmSize:\t  512000 kB\n"
    "VmRSS:\t   40000 kB\n";

// A fake /proc with the three files a sample reads.
struct FakeProc {
    TempDir dir;
    explicit FakeProc(const std::string& meminfo = kMeminfo, const std::string& status = kStatus,
                      const std::string& overcommit = "0\n") {
        std::filesystem::create_directories(dir.path() + "/self");
        std::filesystem::create_directories(dir.path() + "/sys/vm");
        writeFile(dir.file("meminfo"), meminfo);
        writeFile(dir.file("self/status"), status);
        writeFile(dir.file("sys/vm/overcommit_memory"), overcommit);
    }
};

}  // namespace

TEST(ProcMemory, SampleFromFixedFilesWithAdvisoryCommitAccount) {
    FakeProc proc;
    ProcMemorySource source(proc.dir.path(), 1000 * kMiB);
    const MemoryStatus s = source.sample();
    EXPECT_EQ(s.totalPhys, 8000000 * kKiB);
    EXPECT_EQ(s.availPhys, 2000000 * kKiB);
    // Committed_AS above CommitLimit is normal here: what can be backed is RAM and swap.
    EXPECT_EQ(s.totalPageFile, 12000000 * kKiB);
    EXPECT_EQ(s.availPageFile, 5000000 * kKiB);
    EXPECT_EQ(s.availBeyondPhys, 3000000 * kKiB);  // the swap: the rest is the RAM's
    EXPECT_EQ(s.totalBeyondPhys, 4000000 * kKiB);
    EXPECT_EQ(s.totalVirtual, 1000 * kMiB);
    EXPECT_EQ(s.availVirtual, 1000 * kMiB - 512000 * kKiB);
    EXPECT_EQ(s.memoryLoad, 75u);
}

TEST(ProcMemory, StrictOvercommitUsesTheCommitAccountAndNeverGoesNegative) {
    FakeProc over(kMeminfo, kStatus, "2\n");
    MemoryStatus s = ProcMemorySource(over.dir.path(), kMiB).sample();
    EXPECT_EQ(s.totalPageFile, 8000000 * kKiB);
    EXPECT_EQ(s.availPageFile, 0u);  // committed beyond the limit
    EXPECT_EQ(s.availBeyondPhys, 3000000 * kKiB);

    FakeProc room(std::string(kMeminfo).replace(std::string(kMeminfo).find("9000000"), 7, "6000000"), kStatus, "2");
    s = ProcMemorySource(room.dir.path(), kMiB).sample();
    EXPECT_EQ(s.availPageFile, 2000000 * kKiB);
}

TEST(ProcMemory, FiguresAboveFourGiBKeepEveryByte) {
    // 64 GiB of RAM: a 32-bit count would wrap to a nonsense figure.
    FakeProc proc("MemTotal: 67108864 kB\nMemAvailable: 33554432 kB\n", "VmSize: 1 kB\n");
    const MemoryStatus s = ProcMemorySource(proc.dir.path(), kMiB).sample();
    EXPECT_EQ(s.totalPhys, 64ull << 30);
    EXPECT_EQ(s.availPhys, 32ull << 30);
    EXPECT_EQ(s.memoryLoad, 50u);
}

TEST(ProcMemory, ParsersTakeAnyBytesWithoutFailing) {
    ProcFields f;
    parseMeminfo(nullptr, 0, f);
    parseMeminfo("garbage\n:::\nMemTotal:\nMemAvailable: x kB\n", 38, f);
    EXPECT_EQ(f.memTotal, 0u);
    EXPECT_EQ(f.memAvailable, 0u);

    // Saturates instead of wrapping; a number without unit is taken as bytes.
    const std::string huge = "MemTotal: 99999999999999999999999 kB\nSwapTotal: 4096\n";
    parseMeminfo(huge.data(), huge.size(), f);
    EXPECT_EQ(f.memTotal, UINT64_MAX);
    EXPECT_EQ(f.swapTotal, 4096u);

    // A line cut off mid-number at the end of the buffer still parses.
    const std::string cut = "VmSize:\t 12";
    parseStatus(cut.data(), cut.size(), f);
    EXPECT_EQ(f.vmSize, 12u);

    EXPECT_TRUE(parseStrictOvercommit("2\n", 2));
    EXPECT_FALSE(parseStrictOvercommit("20", 2));
    EXPECT_FALSE(parseStrictOvercommit("0", 1));
    EXPECT_FALSE(parseStrictOvercommit(nullptr, 0));

    // Available above total (a racing reading) is clamped, not wrapped.
    ProcFields odd;
    odd.memTotal = 100;
    odd.memAvailable = 200;
    const MemoryStatus s = composeStatus(odd, false, 0);
    EXPECT_EQ(s.availPhys, 100u);
    EXPECT_EQ(s.memoryLoad, 0u);
    EXPECT_EQ(s.availVirtual, 0u);
}

TEST(ProcMemory, MissingFilesGiveZerosNotACrash) {
    TempDir empty;
    const MemoryStatus s = ProcMemorySource(empty.path(), kMiB).sample();
    EXPECT_EQ(s.totalPhys, 0u);
    EXPECT_EQ(s.memoryLoad, 0u);
    EXPECT_EQ(s.availVirtual, kMiB);
}

TEST(ProcMemory, RealSampleSpansTheUserAddressSpace) {
    EXPECT_EQ(systemMemory().sample().totalVirtual, userAddressSpace());
}
