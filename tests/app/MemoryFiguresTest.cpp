#include "app/Memmainform.h"
#include "app/Tmemorythread.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

using namespace kestrune;
using testsupport::statusMB;

TEST(Figures, OneSampleGivesTheLabelsBarsGraphAndStatus) {
    // 2047.875 MB is 2 GB less 128 KB.
    const MemoryFigures f = computeFigures(statusMB(512, 128, 1200, 900, 2047.875, 2000, 75));
    EXPECT_EQ(f.physicalText, "384 MB / 512 MB");
    EXPECT_EQ(f.physicalBar, 75);
    EXPECT_EQ(f.pageFileText, "300 MB / 1200 MB");
    EXPECT_EQ(f.pageFileBar, 25);
    EXPECT_EQ(f.virtualText, "47 MB / 2047 MB");
    EXPECT_EQ(f.virtualBar, 2);
    EXPECT_EQ(f.totalText, "731 MB / 3759 MB");
    EXPECT_EQ(f.totalBar, 19);
    EXPECT_EQ(f.graphValue, 75);
    EXPECT_EQ(f.graphName, "Physical memory in use: 75 %");
    EXPECT_EQ(f.statusText, "Memory Load: 75%");
}

TEST(Figures, PerKindUsedIsTheByteDifferenceConvertedOnce) {
    // 0.6 MB used of each kind: the per-kind labels round the byte difference
    // (0 MB), the total line the difference of the rounded sums.
    const MemoryFigures f = computeFigures(statusMB(10, 9.4, 10, 9.4, 10, 9.4));
    EXPECT_EQ(f.physicalText, "0 MB / 10 MB");
    EXPECT_EQ(f.totalText, "3 MB / 30 MB");
}

TEST(Figures, TheTotalCountsTheRamOnceWhereThePageFileHoldsIt) {
    // As on Linux: 1000 MB of RAM (400 free) and 500 MB of swap (300 free),
    // whose page-file figures hold the RAM as well.
    platform::MemoryStatus s = statusMB(1000, 400, 1500, 700, 0, 0);
    s.totalBeyondPhys = 500 * platform::kBytesPerMB;
    s.availBeyondPhys = 300 * platform::kBytesPerMB;
    const MemoryFigures f = computeFigures(s);
    EXPECT_EQ(f.totalText, "800 MB / 1500 MB");
    EXPECT_EQ(f.pageFileText, "800 MB / 1500 MB");  // the page file's own line as the system gives it
}

TEST(Figures, EmptyTotalsShowZeroInsteadOfDividingByZero) {
    const MemoryFigures f = computeFigures(platform::MemoryStatus{});
    EXPECT_EQ(f.physicalText, "0 MB / 0 MB");
    EXPECT_EQ(f.physicalBar, 0);
    EXPECT_EQ(f.totalBar, 0);
    EXPECT_EQ(f.statusText, "Memory Load: 0%");
}

TEST(Figures, LargeMachinesKeepEveryMegabyte) {
    // 64 GiB of RAM and a 128 TiB address space: no wrap, no grouping.
    const MemoryFigures f = computeFigures(statusMB(65536, 16384, 65536, 65536, 134217727, 134217000));
    EXPECT_EQ(f.physicalText, "49152 MB / 65536 MB");
    EXPECT_EQ(f.physicalBar, 75);
    EXPECT_EQ(f.virtualText, "727 MB / 134217727 MB");
}

TEST(Figures, ScaleLabelsGiveTotalAndHalf) {
    EXPECT_EQ(scaleTexts(512).top, "512 MB");
    EXPECT_EQ(scaleTexts(512).middle, "256 MB");
    // One byte short of 1024 MB truncates to 1023; half of it to 511.
    const std::int32_t mb = static_cast<std::int32_t>(platform::toMB(1024ull * 1048576 - 1));
    EXPECT_EQ(scaleTexts(mb).top, "1023 MB");
    EXPECT_EQ(scaleTexts(mb).middle, "511 MB");
}

TEST(WindowArithmetic, CentringDockingAndTheSizeRules) {
    // Screen 1024 wide, main window 545, tutorial 264.
    EXPECT_EQ(pairLeft(1024, 545, 264), 107);
    EXPECT_EQ(dockedTutorial({107, 50, 545, 440}, 264), (platform::Rect{660, 50, 264, 440}));
    EXPECT_EQ(centredOffset(1024, 545), 240);
    EXPECT_EQ(centredOffset(768, 441), 384 - 220);
    // A pair wider than the screen starts left of it.
    EXPECT_LT(pairLeft(640, 545, 264), 0);
    EXPECT_EQ(pairLeft(0, 545, 264), 0);
    EXPECT_EQ(fixedClientWidth(), 531);
    EXPECT_EQ(flooredClientHeight(300), 404);
    EXPECT_EQ(flooredClientHeight(600), 600);
}

TEST(WindowArithmetic, TheTutorialDocksWithinTheAreaAndCoversAsLittleOfTheMainWindowAsItCan) {
    const platform::Rect area{0, 24, 1280, 1000};
    // Room for both: the tutorial 8 to the right, as tall, nothing else moves.
    DockedPair p = dockedPair({107, 50, 545, 440}, 264, area);
    EXPECT_EQ(p.main, (platform::Rect{107, 50, 545, 440}));
    EXPECT_EQ(p.tutorial, (platform::Rect{660, 50, 264, 440}));
    // Past the right edge, or above the area: the pair moves in together.
    p = dockedPair({900, 0, 545, 440}, 264, area);
    EXPECT_EQ(p.main, (platform::Rect{463, 24, 545, 440}));
    EXPECT_EQ(p.tutorial, (platform::Rect{1016, 24, 264, 440}));
    p = dockedPair({-100, 800, 545, 440}, 264, area);
    EXPECT_EQ(p.main, (platform::Rect{0, 584, 545, 440}));
    EXPECT_EQ(p.tutorial.left, 553);
    // Too wide to stand side by side (a main window at a large font): each
    // wholly within the area at its own edge, overlapping as little as they can.
    p = dockedPair({51, 40, 1184, 922}, 587, area);
    EXPECT_EQ(p.main, (platform::Rect{0, 40, 1184, 922}));
    EXPECT_EQ(p.tutorial, (platform::Rect{693, 40, 587, 922}));
    // A main window taller than the area leaves the tutorial the area's height.
    EXPECT_EQ(dockedPair({0, 0, 1184, 1100}, 587, area).tutorial.height, 1000);
}
