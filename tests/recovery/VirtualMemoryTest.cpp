#include "platform/ProcMemory.h"
#include "platform/VirtualMemory.h"
#include "recovery/Recovery.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

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

int mappings() {
    std::ifstream in("/proc/self/maps");
    int n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
}

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
    TempDir dir;
    setenv("KESTRUNE_REGISTRY", dir.file("registry.sqlite3").c_str(), 1);
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

    const int maps0 = mappings();
    const long committed0 = procKB("/proc/meminfo", "Committed_AS");
    long committedDuring = 0;
    boxes.whileShown([&](const platform::BoxCall&) { committedDuring = procKB("/proc/meminfo", "Committed_AS"); });
    MemoryRecovery(RecoveryHost{recover, scrub, message, caption, nullptr}, form, memory,
                   platform::systemVirtualMemory(), clock)
        .run();
    EXPECT_EQ(boxes.calls().size(), 1u);  // no error box: every block freed
    EXPECT_NEAR(committedDuring - committed0, 0, kSlackKB);  // freed before the result
    EXPECT_NEAR(mappings(), maps0, 2);
}
