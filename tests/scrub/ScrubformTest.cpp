#include "scrub/Scrubform.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

using namespace kestrune;
using namespace testsupport;

namespace {

class FakeWorker final : public ScrubWorker {
public:
    struct Log {
        int starts = 0, stops = 0, quits = 0, destroyed = 0;
        bool idle = true;
    };
    explicit FakeWorker(Log& log) : log_(log) {}
    ~FakeWorker() override { ++log_.destroyed; }
    bool IsIdle() const override { return log_.idle; }
    void StartScrub() override {
        ++log_.starts;
        log_.idle = false;
    }
    void RequestStop() override { ++log_.stops; }
    void Quit() override { ++log_.quits; }

private:
    Log& log_;
};

class FixedRandom final : public RandomSource {
public:
    int next() override { return value; }
    int value = 29;  // a step paints 30 cells; shuffles give dark red
};

// The scrub window's logic over fakes; each refresh is one paint 101 ms on.
struct Scrub {
    FakeWindow window{{0, 0, 461, 509}};
    FakeLineList memo;
    FakeButton button;
    FakeCanvas canvas;
    FakeLabel map;  // its description for a screen reader
    FakeMemory memory;
    FakeClock clock;
    FixedRandom random;
    FakeWorker::Log worker;
    int updateThreads = 0;
    std::function<bool()> threadRefresh;  // what the refresh thread would call
    std::unique_ptr<TScrubForm> form;

    Scrub() {
        memory.set(platform::MemoryStatus{0, 0, 123456789, 0, 1ull << 30, 0, 0, 1ull << 30});
        button.setCaption("Close");
        form = std::make_unique<TScrubForm>(
            TScrubForm::Controls{window, memo, button, canvas, &map},
            TScrubForm::Services{memory, clock, random, [this] { return std::make_unique<FakeWorker>(worker); },
                                 [this](std::function<bool()> refresh) -> std::unique_ptr<platform::Thread> {
                                     ++updateThreads;
                                     threadRefresh = std::move(refresh);
                                     return nullptr;
                                 }});
        window.onClose = [this] {
            form->FormClose();
            return true;
        };
    }
    void refresh() {
        clock.advance(101);
        form->FormPaint();
    }
    // Refreshes until the summary is written; false if it never comes.
    bool refreshUntilDone(int limit = 2000) {
        for (int i = 0; i < limit && form->inProgress; ++i) refresh();
        return !form->inProgress;
    }
};

}  // namespace

TEST(ScrubWindow, ShowWritesTheStartLinesAndStartsTheWorker) {
    Scrub s;
    s.form->FormShow();
    EXPECT_EQ(s.memo.lines(),
              (std::vector<std::string>{"Physical Memory Available: 120,563 KB", "Scrubbing Memory - Pageset: 1"}));
    EXPECT_EQ(s.button.caption(), "Stop");
    EXPECT_EQ(s.worker.starts, 1);
    EXPECT_EQ(s.updateThreads, 1);
    ASSERT_TRUE(s.form->display);
    EXPECT_EQ(s.form->display->Columns(), 38u);       // the map in the bevel
    EXPECT_EQ(s.form->display->CursorColumn(), 30u);  // the first step
    EXPECT_EQ(s.map.text(), "Page set 1: 30 of 950 cells done");
}

TEST(ScrubWindow, ARunThatEndsByItselfGoesFromStopStraightToClose) {
    Scrub s;
    s.form->FormShow();
    for (int i = 0; i < 40; ++i) s.refresh();  // past the first page set
    EXPECT_TRUE(s.threadRefresh());            // animating: repainted, and asked again soon
    EXPECT_EQ(s.window.repaints, 1);
    s.clock.advance(1000 * 75);
    s.memory.set(platform::MemoryStatus{0, 0, 123456789 + 2048 * 1024, 0, 1ull << 30, 0, 0, 1ull << 30});
    s.worker.idle = true;  // the heap ran dry
    s.refresh();
    EXPECT_TRUE(s.form->inProgress);  // the summary waits for the map to complete
    ASSERT_TRUE(s.refreshUntilDone());
    const auto& lines = s.memo.lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[2], "Scrubbing Memory - Pageset: 2");
    EXPECT_EQ(lines[3], "Done Freeing Memory");
    EXPECT_EQ(lines[4], "Memory Freed: 2,048 KB Physical Memory");
    EXPECT_EQ(lines[5].rfind("Time Took: 1 minutes ", 0), 0u);
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(s.button.caption(), "Close");
    EXPECT_TRUE(s.button.enabled());
    EXPECT_EQ(s.map.text(), "Page set 2: 950 of 950 cells done");

    // Done: the refresh thread no longer repaints the still map, but a paint
    // (an expose) still draws it; nothing else changes; the button closes.
    EXPECT_FALSE(s.threadRefresh());
    EXPECT_EQ(s.window.repaints, 1);
    s.canvas.calls.clear();
    s.refresh();
    EXPECT_FALSE(s.canvas.calls.empty());
    EXPECT_EQ(s.memo.lines().size(), 7u);
    s.form->TeButton1Click();
    EXPECT_FALSE(s.window.visible());
    EXPECT_EQ(s.worker.quits, 1);
    EXPECT_EQ(s.worker.destroyed, 1);
}

TEST(ScrubWindow, AStoppedScrubListsStoppingThenDotsThenTheSummary) {
    Scrub s;
    s.form->FormShow();
    s.refresh();
    s.form->TeButton1Click();  // Stop, during the first page set
    EXPECT_EQ(s.worker.stops, 1);
    EXPECT_EQ(s.button.caption(), "Stopping");
    EXPECT_FALSE(s.button.enabled());
    for (int i = 0; i < 70; ++i) s.refresh();  // two page-set ends while the worker releases
    s.worker.idle = true;
    ASSERT_TRUE(s.refreshUntilDone());
    // No page-set lines after the stop: one "..." per page set ended, on
    // the text's end; 89 refreshes 101 ms apart.
    const auto& lines = s.memo.lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[2], "Stopping scrub.........");
    EXPECT_EQ(lines[4], "Memory Freed: 0 KB Physical Memory");
    EXPECT_EQ(lines[5], "Time Took: 9 seconds");
}

TEST(ScrubWindow, TheButtonHasTheKeyboardWheneverItCanBePressedAndEscapeDoesWhatItDoes) {
    Scrub s;
    for (const char* caption : {scrubform::kStop, scrubform::kStopping, scrubform::kClose})
        EXPECT_NE(platform::withMnemonic(caption, scrubform::kButtonKey).find('&'), std::string::npos)
            << caption << ": its letter works whatever the caption";
    s.form->FormShow();
    EXPECT_EQ(s.button.focusTaken, 1);
    s.form->EscapePressed();  // Stop
    EXPECT_EQ(s.worker.stops, 1);
    EXPECT_EQ(s.button.caption(), "Stopping");
    s.form->EscapePressed();  // the button is disabled: nothing
    EXPECT_EQ(s.worker.stops, 1);
    EXPECT_EQ(s.memo.lines().back(), "Stopping scrub...");
    s.worker.idle = true;
    ASSERT_TRUE(s.refreshUntilDone());
    EXPECT_EQ(s.button.focusTaken, 2);  // back on the button, now Close
    s.form->EscapePressed();
    EXPECT_FALSE(s.window.visible());
}

TEST(ScrubWindow, LowMemoryStopsTheWorkerAndDrawsNothing) {
    Scrub s;
    s.form->FormShow();
    // 20,000 KB physical plus 5,600 KB page file: exactly at the guard.
    s.memory.set(platform::MemoryStatus{0, 0, 20000ULL * 1024, 0, 5600ULL * 1024, 0, 0, 5600ULL * 1024});
    s.canvas.calls.clear();
    const unsigned cursor = s.form->display->CursorColumn();
    s.worker.idle = true;
    s.refresh();
    s.refresh();
    EXPECT_EQ(s.worker.stops, 2);  // at every refresh while that low
    EXPECT_TRUE(s.canvas.calls.empty());
    EXPECT_EQ(s.form->display->CursorColumn(), cursor);
    EXPECT_FALSE(s.form->previousIdle);  // not updated by a guarded refresh
    EXPECT_EQ(s.memo.lines().size(), 2u);
    // Where the page file's figure holds the free RAM too, only what lies
    // beyond it counts.
    s.memory.set(platform::MemoryStatus{0, 0, 20000ULL * 1024, 0, 25600ULL * 1024, 0, 0, 5600ULL * 1024});
    s.refresh();
    EXPECT_EQ(s.worker.stops, 3);

    s.memory.set(platform::MemoryStatus{0, 0, 20000ULL * 1024, 0, 5601ULL * 1024, 0, 0, 5601ULL * 1024});
    s.refresh();
    EXPECT_FALSE(s.canvas.calls.empty());
    EXPECT_TRUE(s.form->previousIdle);
}

TEST(ScrubWindow, TheMapStepsAtMostEvery100MillisecondsOnAFreshTick) {
    Scrub s;
    s.form->FormShow();
    const unsigned first = s.form->display->CursorColumn();
    s.clock.advance(100);  // not more than 100 ms: no step
    s.form->FormPaint();
    EXPECT_EQ(s.form->display->CursorColumn(), first);
    s.clock.advance(1);
    s.form->FormPaint();
    EXPECT_NE(s.form->display->CursorColumn(), first);
    EXPECT_EQ(s.form->lastStepTick, s.clock.tickCount());
}

TEST(ScrubWindow, ClosingMidScrubWritesNoSummaryAndStopsTheWorker) {
    Scrub s;
    s.form->FormShow();
    s.refresh();
    s.window.close();
    EXPECT_FALSE(s.form->display);
    EXPECT_FALSE(s.form->worker);
    EXPECT_EQ(s.worker.quits, 1);
    EXPECT_EQ(s.worker.destroyed, 1);
    s.refresh();  // a refresh still in flight finds nothing to do
    EXPECT_EQ(s.memo.lines().size(), 2u);
}

TEST(ScrubWindow, NumbersAreGroupedAndDurationsWordedAsShown) {
    for (const auto& [digits, grouped] :
         {std::pair{"1234567", "1,234,567"}, {"1000", "1,000"}, {"999", "999"}, {"", ""}})
        EXPECT_EQ(GroupThousands(digits), grouped);
    for (const auto& [seconds, words] : {std::pair{0, "0 seconds"},
                                         {75, "1 minutes 15 seconds"},
                                         {3600, "1 hrs 0 minutes 0 seconds"},
                                         {7384, "2 hrs 3 minutes 4 seconds"}})
        EXPECT_EQ(FormatDuration(seconds), words);
}
