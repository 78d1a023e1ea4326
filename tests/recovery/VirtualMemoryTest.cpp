#include "platform/ProcMemory.h"
#include "platform/VirtualMemory.h"
#include "recovery/Recovery.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace kestrune;
using namespace testsupport;

namespace {

// kB figures of one field of a /proc file ("Committed_AS", "VmRSS").
long procKB(const char* file, const char* field) {
    std::ifstream in(file);
    std::string key;
    long value = 0;
    while (in >> key) {
        if (key == std::string(field) + ":") {
            in >> value;
            return value;
        }
        in.ignore(1 << 12, '\n');
    }
    return -1;
}

// The real blocks, with their addresses noted.
class NotingVirtualMemory final : public platform::VirtualMemory {
public:
    void* commit() override {
        void* p = platform::systemVirtualMemory().commit();
        if (p != nullptr) blocks.push_back(p);
        return p;
    }
    bool decommit(void* p) override { return platform::systemVirtualMemory().decommit(p); }
    bool release(void* p) override { return platform::systemVirtualMemory().release(p); }
    std::vector<void*> blocks;
};

// msync fails with ENOMEM where nothing is mapped.
bool mapped(void* block) { return ::msync(block, platform::kRecoveryBlockSize, MS_ASYNC) == 0 || errno != ENOMEM; }

// Other programs move the commit account too: allow some slack.
constexpr long kSlackKB = 48L * 1024;

}  // namespace

TEST(RealVirtualMemory, ACommitChargesTheAccountTouchesNoPageAndDecommitGivesItBack) {
    platform::VirtualMemory& vm = platform::systemVirtualMemory();
    const long committed0 = procKB("/proc/meminfo", "Committed_AS");
    const long rss0 = procKB("/proc/self/status", "VmRSS");
    std::vector<void*> blocks;
    for (int i = 0; i < 1000; ++i) {
        void* p = vm.commit();
        ASSERT_NE(p, nullptr);
        blocks.push_back(p);
    }
    const long committed1 = procKB("/proc/meminfo", "Committed_AS");
    const long rss1 = procKB("/proc/self/status", "VmRSS");
    EXPECT_NEAR(committed1 - committed0, 1024000, kSlackKB);
    EXPECT_LT(rss1 - rss0, 1024);  // not one of the 1,000 MB became resident

    for (void* p : blocks) EXPECT_TRUE(vm.decommit(p));
    const long committed2 = procKB("/proc/meminfo", "Committed_AS");
    EXPECT_NEAR(committed2 - committed0, 0, kSlackKB);
    for (void* p : blocks) EXPECT_TRUE(vm.release(p));
    EXPECT_FALSE(vm.release(nullptr));
    EXPECT_FALSE(vm.decommit(nullptr));
}

TEST(RealVirtualMemory, ARecoveryRunLeavesTheProcessMappedAsBefore) {
    // No store to open: nothing but the blocks is mapped or unmapped here.
    setenv("KESTRUNE_REGISTRY", "/proc/kestrune-none/registry.sqlite3", 1);
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

    NotingVirtualMemory vm;
    const long committed0 = procKB("/proc/meminfo", "Committed_AS");
    long committedDuring = 0;
    boxes.whileShown([&](const platform::BoxCall&) { committedDuring = procKB("/proc/meminfo", "Committed_AS"); });
    MemoryRecovery(RecoveryHost{recover, scrub, message, caption, nullptr}, form, memory, vm, clock).run();
    EXPECT_EQ(boxes.calls().size(), 1u);  // no error box: every block freed
    EXPECT_NEAR(committedDuring - committed0, 0, kSlackKB);  // freed before the result
    ASSERT_EQ(vm.blocks.size(), 450u);
    for (void* block : vm.blocks) EXPECT_FALSE(mapped(block)) << block;
}
