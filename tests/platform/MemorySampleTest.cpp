#include "platform/MemoryStatus.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(MemorySample, RealSystemSampleIsConsistent) {
    const MemoryStatus s = systemMemory().sample();
    EXPECT_GT(s.totalPhys, 0u);
    EXPECT_LE(s.availPhys, s.totalPhys);
    EXPECT_LE(s.availPageFile, s.totalPageFile);
    EXPECT_GT(s.totalVirtual, 0u);
    EXPECT_LT(s.availVirtual, s.totalVirtual);  // this process maps something
    EXPECT_LE(s.memoryLoad, 100u);
    if (sizeof(void*) == 4) {
        EXPECT_LE(s.totalVirtual, std::uint64_t{4} << 30);  // a 32-bit process's space
    }
}
