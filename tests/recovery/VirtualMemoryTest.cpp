#include "platform/VirtualMemory.h"
#include "support/SystemProbe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace testsupport;

namespace {

// The process's own heap moves its charge a little meanwhile.
constexpr std::int64_t kSlackKB = std::int64_t{8} * 1024;
// The process's own mappings may grow a little meanwhile (its heap); one
// block left mapped would be twice that.
constexpr std::int64_t kMappedSlackKB = 512;
constexpr int kBlocks = 1000;

// Room for every block is taken before any is committed, so that the list
// maps nothing of its own while the blocks come and go.
std::vector<void*> roomForBlocks() {
    std::vector<void*> blocks;
    blocks.reserve(kBlocks);
    return blocks;
}

void commitBlocks(platform::VirtualMemory& vm, std::vector<void*>& blocks) {
    for (int i = 0; i < kBlocks; ++i) {
        void* p = vm.commit();
        EXPECT_NE(p, nullptr) << "block " << i;
        if (p == nullptr) break;
        blocks.push_back(p);
    }
}

}  // namespace

TEST(RealVirtualMemory, ACommitTouchesNoPageAndEveryBlockGoesBack) {
    platform::VirtualMemory& vm = platform::systemVirtualMemory();
    std::vector<void*> blocks = roomForBlocks();
    // Commits every block, none of which may become resident, and gives them
    // all back.
    auto cycle = [&] {
        const std::int64_t resident0 = residentKB();
        commitBlocks(vm, blocks);
        EXPECT_LT(residentKB() - resident0, 1024);  // not one of the 1,000 MB became resident
        for (void* p : blocks) EXPECT_TRUE(vm.decommit(p));
        for (void* p : blocks) EXPECT_TRUE(vm.release(p));
        blocks.clear();
    };
    // The first cycle maps what the checks themselves need, once; the second
    // must leave the process mapped as it found it.
    cycle();
    const std::int64_t mapped0 = mappedKB();
    cycle();
    EXPECT_NEAR(mappedKB(), mapped0, kMappedSlackKB);
    EXPECT_FALSE(vm.release(nullptr));
    EXPECT_FALSE(vm.decommit(nullptr));
}

TEST(RealVirtualMemory, ACommitChargesTheAccountAndDecommitGivesItBack) {
    if (underWine())
        GTEST_SKIP() << "Wine does not model the commit charge: its memory figures are the host's, which an "
                        "inaccessible commit does not move";
    platform::VirtualMemory& vm = platform::systemVirtualMemory();
    std::vector<void*> blocks = roomForBlocks();
    const std::int64_t committed0 = committedKB();
    commitBlocks(vm, blocks);
    EXPECT_NEAR(committedKB() - committed0, std::int64_t{kBlocks} * 1024, kSlackKB);
    for (void* p : blocks) EXPECT_TRUE(vm.decommit(p));
    EXPECT_NEAR(committedKB() - committed0, 0, kSlackKB);
    for (void* p : blocks) EXPECT_TRUE(vm.release(p));
}
