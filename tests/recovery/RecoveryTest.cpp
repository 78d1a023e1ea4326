#include "platform/Registry.h"
#include "recovery/Recovery.h"
#include "support/Fakes.h"
#include "support/IsolatedStore.h"
#include "support/StoredValues.h"

#include <gtest/gtest.h>

#if defined(__linux__)
#include "platform/linux/MemoryStatus.h"
#include "support/TempDir.h"

#include <filesystem>
#endif

#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace kestrune;
using namespace testsupport;

namespace {

using Log = std::vector<std::string>;

class LoggedLabel final : public platform::Label {
public:
    LoggedLabel(Log& log, std::string name) : log_(log), name_(std::move(name)) {}
    void setText(const std::string& t) override {
        text_ = t;
        log_.push_back(name_ + "=" + t);
    }
    std::string text() const override { return text_; }

private:
    Log& log_;
    std::string name_, text_;
};

class LoggedBar final : public platform::ProgressBar {
public:
    explicit LoggedBar(Log& log) : log_(log) {}
    void setPosition(int p) override {
        position_ = p;
        log_.push_back("bar=" + std::to_string(p));
    }
    int position() const override { return position_; }

private:
    Log& log_;
    int position_ = 0;
};

// Hands out fake addresses; commits, decommits and releases can be made to fail.
class FakeVirtualMemory final : public platform::VirtualMemory {
public:
    std::function<bool(int nth)> commitFails = [](int) { return false; };
    std::function<bool(void*)> decommitFails = [](void*) { return false; };
    std::function<bool(void*)> releaseFails = [](void*) { return false; };
    std::function<void()> onCommit;

    void* commit() override {
        ++commits;
        if (onCommit) onCommit();
        if (commitFails(commits)) return nullptr;
        void* p = reinterpret_cast<void*>(static_cast<std::uintptr_t>(commits) << 20);
        live.push_back(p);
        return p;
    }
    bool decommit(void* p) override {
        decommitted.push_back(p);
        return !decommitFails(p);
    }
    bool release(void* p) override {
        released.push_back(p);
        return !releaseFails(p);
    }
    int commits = 0;
    std::vector<void*> live, decommitted, released;
};

struct RecoveryRun {
    IsolatedStore isolated;
    Log log;
    FakeWindow window{{0, 0, 262, 85}};
    LoggedLabel label1{log, "TeLabel1"}, label2{log, "TeLabel2"};
    LoggedBar bar{log};
    TForm2 form{{window, label1, bar, label2}};
    FakeButton recover, scrub;
    std::string message, caption;
    FakeMemory memory;
    platform::MemorySource* source = &memory;
    FakeVirtualMemory vm;
    FakeClock clock;
    BoxRecorder boxes;
    int ownerTag = 0;
    platform::WindowHandle owner = reinterpret_cast<platform::WindowHandle>(&ownerTag);
    std::atomic<bool> ending{false};

    RecoveryRun() {
        window.onShow = [this] { log.push_back("show"); };
        window.onRepaint = [this] { log.push_back("redraw"); };
        clock.onSleep([this](unsigned ms) { log.push_back("sleep " + std::to_string(ms)); });
        clock.setNow(1700000001);  // no zero byte in its four: it reads back whole as text
    }
    // Samples before and after, in MB of available physical, page file, virtual.
    void samples(double phys, double page, double virt, double physAfter, double pageAfter, double virtAfter) {
        memory.queue(statusMB(8192, phys, 8192, page, 8192, virt));
        memory.queue(statusMB(8192, physAfter, 8192, pageAfter, 8192, virtAfter));
    }
    void run() {
        MemoryRecovery(RecoveryHost{recover, scrub, message, caption, owner, &ending}, form, *source, vm, clock).run();
    }
};

}  // namespace

TEST(Recovery, StepsLabelsBarAndPausesComeInTheirOrder) {
    RecoveryRun r;
    r.samples(100, 1, 100, 100, 1, 100);  // M = 1: no block, the steps still run
    r.run();

    // The three steps as laid down: label, counter, ticks, redraw after each tick.
    struct Step {
        const char* label;
        const char* counter;
        int ticks;
        bool redraw;
    };
    const Step steps[] = {{"Accessing Available Page Sets", "Step 1 of 3", 10, true},
                          {"Searching for destructable memory blocks", "Step 2 of 3", 100, true},
                          {"Attempting to free destructable memory blocks", "Step 3 of 3", 100, false}};
    Log expected;
    for (int k = 0; k < 3; ++k) {
        const Step& s = steps[k];
        if (k == 0) {
            expected.insert(expected.end(), {std::string("TeLabel1=") + s.label, std::string("TeLabel2=") + s.counter,
                                             "bar=0", "show", "redraw"});
        } else {
            expected.insert(expected.end(),
                            {"bar=0", std::string("TeLabel1=") + s.label, std::string("TeLabel2=") + s.counter});
        }
        for (int i = 0; i < s.ticks; ++i) {
            expected.push_back("bar=" + std::to_string(i));
            if (s.redraw) expected.push_back("redraw");
            expected.push_back("sleep 100");
        }
    }
    expected.push_back("bar=0");  // after hiding
    EXPECT_EQ(r.log, expected);
    EXPECT_FALSE(r.window.visible());
    EXPECT_EQ(r.vm.commits, 0);
}

TEST(Recovery, BlockCountIsNineTenthsOfTheSmallerAvailableAmount) {
    EXPECT_EQ(blockCount(statusMB(0, 0, 0, 1500, 0, 1990)), 1350u);
    // The program's own headroom stays free in its address space: a tenth
    // of it, at least 256 MB.
    EXPECT_EQ(blockCount(statusMB(0, 0, 0, 1990, 0, 1500)), 1244u);
    EXPECT_EQ(blockCount(statusMB(0, 0, 0, 1990, 0, 5000)), 1791u);
    EXPECT_EQ(blockCount(statusMB(0, 0, 0, 8000, 0, 5000)), 4500u);
    EXPECT_EQ(blockCount(statusMB(0, 0, 0, 1990, 0, 300)), 44u);
    EXPECT_EQ(blockCount(statusMB(0, 0, 0, 1990, 0, 256)), 0u);
    EXPECT_EQ(blockCount(statusMB(0, 0, 0, 1, 0, 1990)), 0u);
    EXPECT_EQ(blockCount(statusMB(0, 0, 0, 10, 0, 1990)), 9u);  // not 8
    EXPECT_EQ(blockCount(statusMB(0, 0, 0, 10.99, 0, 1990)), 9u);
    // Amounts past 4 GiB compare and count whole.
    EXPECT_EQ(blockCount(statusMB(0, 0, 0, 20480, 0, 1u << 27)), 18432u);

    RecoveryRun r;
    r.samples(100, 1500, 1990, 100, 1500, 1990);
    std::size_t releasedAtResult = 0;
    r.boxes.whileShown([&](const platform::BoxCall&) { releasedAtResult = r.vm.released.size(); });
    r.run();
    EXPECT_EQ(r.vm.commits, 1350);
    EXPECT_EQ(r.vm.decommitted, r.vm.live);
    EXPECT_EQ(r.vm.released, r.vm.live);
    EXPECT_EQ(releasedAtResult, 1350u);  // every block back before the result is shown
}

TEST(Recovery, AFailedCommitEndsTheAllocationSilentlyAndTheRestIsFreed) {
    RecoveryRun r;
    r.samples(100, 1500, 1990, 100, 1500, 1990);
    r.vm.commitFails = [](int nth) { return nth == 5; };
    r.run();
    EXPECT_EQ(r.vm.commits, 5);
    ASSERT_EQ(r.vm.live.size(), 4u);
    EXPECT_EQ(r.vm.decommitted, r.vm.live);  // in allocation order
    EXPECT_EQ(r.vm.released, r.vm.live);
    ASSERT_EQ(r.boxes.calls().size(), 1u);  // the result only
    EXPECT_EQ(r.boxes.calls()[0].caption, "Complete");
}

TEST(Recovery, EachFailingFreeCallShowsItsBoxAndTheLoopGoesOn) {
    RecoveryRun r;
    r.samples(100, 5, 1990, 100, 5, 1990);  // four blocks
    r.vm.decommitFails = [&](void* p) { return p == r.vm.live[1]; };
    r.vm.releaseFails = [&](void* p) { return p == r.vm.live[1] || p == r.vm.live[3]; };
    r.run();
    EXPECT_EQ(r.vm.decommitted.size(), 4u);
    EXPECT_EQ(r.vm.released.size(), 4u);  // released whatever the decommit did
    const auto boxes = r.boxes.calls();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].text, "Could not destruct memory");
    EXPECT_EQ(boxes[1].text, "Could not release memory");
    EXPECT_EQ(boxes[2].text, "Could not release memory");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(boxes[i].caption, "TarnError");
        EXPECT_EQ(boxes[i].owner, r.owner);
    }
    EXPECT_EQ(boxes[3].caption, "Complete");
}

TEST(Recovery, TheResultComparesTheTwoSamplesInMegabytes) {
    EXPECT_EQ(resultText(1500, 1520), "20480 KB of ram was destructed and allocated back to system");
    EXPECT_EQ(resultText(1500, 1500), "System Memory is Optimized!");
    EXPECT_EQ(resultText(1500, 1400), "System Memory is Optimized!");
    // Each amount is truncated to whole MB before the sum.
    EXPECT_EQ(availableMB(statusMB(0, 1.9, 0, 1.9, 0, 1.9)), 3u);

    RecoveryRun r;
    r.samples(500, 500, 500, 505, 510, 505);  // 1500 before, 1520 after
    r.run();
    EXPECT_EQ(r.message, "20480 KB of ram was destructed and allocated back to system");
    EXPECT_EQ(r.caption, "Complete");
    const auto boxes = r.boxes.calls();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, r.message);
    EXPECT_EQ(boxes[0].kind, platform::BoxKind::Question);
}

#if defined(__linux__)
// Here the page-file figure is RAM and swap together: 500 MB that another
// program gives back during the run raise it and the physical figure alike,
// and must count once.
TEST(Recovery, MemoryFreedDuringTheRunCountsOnceOnLinux) {
    testsupport::TempDir proc;
    std::filesystem::create_directories(proc.path() + "/self");
    std::filesystem::create_directories(proc.path() + "/sys/vm");
    const auto meminfo = [&](int availableKB) {
        testsupport::writeFile(proc.file("meminfo"),
                               "MemTotal: 8000000 kB\nMemAvailable: " + std::to_string(availableKB) +
                                   " kB\nSwapTotal: 4000000 kB\nSwapFree: 3000000 kB\n");
    };
    meminfo(2000000);
    testsupport::writeFile(proc.file("self/status"), "VmSize: 512000 kB\n");
    testsupport::writeFile(proc.file("sys/vm/overcommit_memory"), "0\n");
    platform::ProcMemorySource source(proc.path(), std::uint64_t{4000} << 20);

    RecoveryRun r;
    r.source = &source;
    int ticks = 0;
    r.clock.onSleep([&](unsigned) {
        if (++ticks == 50) meminfo(2000000 + 500 * 1024);
    });
    r.run();
    EXPECT_EQ(r.message, "512000 KB of ram was destructed and allocated back to system");
}
#endif

TEST(Recovery, EveryRunRecordsItsTimeAndReenablesTheButtons) {
    RecoveryRun r;
    r.samples(500, 500, 500, 400, 400, 400);  // nothing won
    bool disabledWhileRunning = false;
    r.vm.onCommit = [&] { disabledWhileRunning = !r.recover.enabled() && !r.scrub.enabled(); };
    r.run();
    EXPECT_TRUE(disabledWhileRunning);
    EXPECT_TRUE(r.recover.enabled());
    EXPECT_TRUE(r.scrub.enabled());
    EXPECT_EQ(r.message, "System Memory is Optimized!");

    // A REG_DWORD under the key the older program's tools read: four bytes,
    // least significant first.
    const std::string raw = storedText("SOFTWARE\\Tarnwick Technologies\\Orbenfold\\KestrunePlugin", "time");
    ASSERT_EQ(raw.size(), 4u) << raw;
    std::uint32_t stored = 0;
    for (int i = 3; i >= 0; --i) stored = stored << 8 | static_cast<unsigned char>(raw[static_cast<std::size_t>(i)]);
    EXPECT_EQ(stored, static_cast<std::uint32_t>(r.clock.now()));
    EXPECT_EQ(stored, 1700000001u + 21u);  // written at the end, after the 21 s of steps
}

TEST(Recovery, TheSessionsEndStopsTheRunAtItsNextTickWithEveryBlockBackAndNoReport) {
    RecoveryRun r;
    r.samples(100, 5, 1990, 100, 5, 1990);  // four blocks
    int ticks = 0;
    r.clock.onSleep([&](unsigned) {
        if (++ticks == 15) r.ending = true;  // in step 2
    });
    r.run();
    EXPECT_EQ(ticks, 15);
    EXPECT_EQ(r.vm.live.size(), 4u);
    EXPECT_EQ(r.vm.released, r.vm.live);
    EXPECT_FALSE(r.window.visible());
    EXPECT_TRUE(r.boxes.calls().empty());
    EXPECT_TRUE(r.recover.enabled());
    EXPECT_EQ(storedText(platform::kProductKey, "time"), "(none)");  // a run cut short is not recorded
}

// The toolkit ends the program from inside a tick (its display went away):
// the blocks go back then, and the run's own end finds none left.
TEST(Recovery, AnAbandonedRunGivesEveryBlockBackAtOnceAndOnlyOnce) {
    RecoveryRun r;
    r.samples(100, 5, 1990, 100, 5, 1990);  // four blocks
    MemoryRecovery recovery(RecoveryHost{r.recover, r.scrub, r.message, r.caption, r.owner, &r.ending}, r.form,
                            r.memory, r.vm, r.clock);
    int ticks = 0;
    std::size_t releasedThen = 0;
    r.clock.onSleep([&](unsigned) {
        if (++ticks != 15) return;  // in step 2
        recovery.abandon();
        releasedThen = r.vm.released.size();
    });
    recovery.run();
    EXPECT_EQ(r.vm.live.size(), 4u);
    EXPECT_EQ(releasedThen, 4u);
    EXPECT_EQ(r.vm.decommitted, r.vm.live);
    EXPECT_EQ(r.vm.released, r.vm.live);
    ASSERT_EQ(r.boxes.calls().size(), 1u);  // no error box, only the result
}

TEST(Recovery, AStoreThatCannotBeWrittenDoesNotSpoilTheRun) {
    RecoveryRun r;
    r.isolated.makeUnwritable();
    r.samples(500, 500, 500, 500, 500, 500);
    r.run();
    EXPECT_EQ(r.boxes.calls().size(), 1u);
    EXPECT_TRUE(r.recover.enabled());
}
