#include "platform/VirtualMemory.h"
#include "recovery/Recovery.h"
#include "support/Fakes.h"
#include "support/IsolatedStore.h"
#include "support/SystemProbe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace kestrune;
using namespace testsupport;

namespace {

// Other programs move the commit account too: allow some slack.
constexpr std::int64_t kSlackKB = std::int64_t{48} * 1024;
constexpr int kBlocks = 1000;

std::vector<void*> commitBlocks(platform::VirtualMemory& vm) {
    std::vector<void*> blocks;
    for (int i = 0; i < kBlocks; ++i) {
        void* p = vm.commit();
        EXPECT_NE(p, nullptr) << "block " << i;
        if (p == nullptr) break;
        blocks.push_back(p);
    }
    return blocks;
}

}  // namespace

TEST(RealVirtualMemory, ACommitTouchesNoPageAndEveryBlockGoesBack) {
    platform::VirtualMemory& vm = platform::systemVirtualMemory();
    const int regions0 = mappedRegions();
    const std::int64_t resident0 = residentKB();
    const std::vector<void*> blocks = commitBlocks(vm);
    EXPECT_LT(residentKB() - resident0, 1024);  // not one of the 1,000 MB became resident
    for (void* p : blocks) EXPECT_TRUE(vm.decommit(p));
    for (void* p : blocks) EXPECT_TRUE(vm.release(p));
    EXPECT_NEAR(mappedRegions(), regions0, 2);
    EXPECT_FALSE(vm.release(nullptr));
    EXPECT_FALSE(vm.decommit(nullptr));
}

TEST(RealVirtualMemory, ACommitChargesTheAccountAndDecommitGivesItBack) {
    if (underWine())
        GTEST_SKIP() << "Wine does not model the commit charge: its memory figures are the host's, which an "
                        "inaccessible commit does not move";
    platform::VirtualMemory& vm = platform::systemVirtualMemory();
    const std::int64_t committed0 = committedKB();
    const std::vector<void*> blocks = commitBlocks(vm);
    EXPECT_NEAR(committedKB() - committed0, std::int64_t{kBlocks} * 1024, kSlackKB);
    for (void* p : blocks) EXPECT_TRUE(vm.decommit(p));
    EXPECT_NEAR(committedKB() - committed0, 0, kSlackKB);
    for (void* p : blocks) EXPECT_TRUE(vm.release(p));
}

TEST(RealVirtualMemory, ARecoveryRunLeavesTheProcessMappedAsBefore) {
    IsolatedStore isolated;
    FakeMemory memory;
    memory.set(statusMB(8192, 4096, 8192, 500, 8192, 8192));  // 450 real blocks
    FakeClock clock;
    FakeWindow window;
    FakeLabel l1, l2;
    FakeProgressBar bar;
    TForm2 form{{window, l1, bar, l2}};
    FakeButton recover, scrub;
    std::string message, caption;
    BoxRecorder boxes;

    const int regions0 = mappedRegions();
    const std::int64_t committed0 = committedKB();
    std::int64_t committedDuring = 0;
    boxes.whileShown([&](const platform::BoxCall&) { committedDuring = committedKB(); });
    MemoryRecovery(RecoveryHost{recover, scrub, message, caption, nullptr}, form, memory,
                   platform::systemVirtualMemory(), clock)
        .run();
    EXPECT_EQ(boxes.calls().size(), 1u);  // no error box: every block freed
    EXPECT_NEAR(committedDuring - committed0, 0, kSlackKB);  // freed before the result
    EXPECT_NEAR(mappedRegions(), regions0, 2);
}
