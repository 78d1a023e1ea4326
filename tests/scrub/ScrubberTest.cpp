#include "scrub/scrubber.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <deque>

using namespace kestrune;
using testsupport::FakeCanvas;

namespace {

// Gives the values it was told, then zeros.
class ScriptedRandom final : public RandomSource {
public:
    std::deque<int> values;
    int next() override {
        if (values.empty()) return 0;
        const int v = values.front();
        values.pop_front();
        return v;
    }
};

unsigned greenCells(const PartitionDisplay& d) {
    unsigned n = 0;
    for (unsigned r = 0; r < d.Rows(); ++r)
        for (unsigned c = 0; c < d.Columns(); ++c) n += d.Cell(r, c) == platform::clGreen;
    return n;
}

// A map of 10 px cells over `width` × `height` that steps at most `limit` cells.
struct Map {
    FakeCanvas canvas;
    ScriptedRandom random;
    PartitionDisplay d{&canvas, random};
    Map(unsigned width, unsigned height, unsigned limit) {
        d.SetCellSize(10, 10);
        d.SetBounds(0, 0, width, height);
        d.SetStepLimit(limit);
    }
    void step(int value) {
        random.values = {value};
        d.Step();
    }
};

}  // namespace

TEST(PageSetMap, GeometryFollowsTheOnePixelGridRule) {
    FakeCanvas canvas;
    PartitionDisplay d(&canvas);
    // The default area shrinks twice in Reset.
    EXPECT_EQ(d.Columns(), 24u);
    EXPECT_EQ(d.Rows(), 8u);
    d.SetCellSize(10, 10);
    d.SetBounds(22, 42, 429, 285);
    EXPECT_EQ(d.Columns(), 38u);
    EXPECT_EQ(d.Rows(), 25u);
    EXPECT_EQ(d.Width(), 380u);  // 429 − 42 = 387, down to a multiple of 10
    d.SetCellSize(10, 10);       // applies SetBounds to the reduced area again
    EXPECT_EQ(d.Columns(), 34u);
    EXPECT_EQ(d.Rows(), 22u);

    // An area smaller than one cell: nothing to step or draw.
    d.SetBounds(0, 0, 5, 5);
    EXPECT_EQ(d.Columns(), 0u);
    d.SetStepLimit(30);
    d.Step();
    EXPECT_TRUE(d.IsComplete());
    canvas.calls.clear();
    d.Draw();
    EXPECT_TRUE(canvas.calls.empty());
}

TEST(PageSetMap, StepsPaintInReadingOrderWithinTheLimitAndNeverWrap) {
    Map m(429, 285, 30);  // 38 × 25 = 950 cells
    m.step(29);           // n = 29 % 30 + 1 = 30
    EXPECT_EQ(greenCells(m.d), 30u);
    EXPECT_EQ(m.d.CursorColumn(), 30u);
    m.step(30);  // 30 % 30 + 1 = 1
    EXPECT_EQ(greenCells(m.d), 31u);
    EXPECT_EQ(m.d.CursorRow(), 0u);

    // The most a step paints is the limit: a pass takes at least 32 steps.
    int steps = 2;
    for (; !m.d.IsComplete(); ++steps) m.step(29);
    EXPECT_GE(steps, 32);
    EXPECT_EQ(greenCells(m.d), 950u);

    // A step on a complete map begins a new pass from the first cell.
    m.d.Shuffle();
    EXPECT_EQ(greenCells(m.d), 0u);
    m.step(4);
    EXPECT_EQ(greenCells(m.d), 5u);
    EXPECT_EQ(m.d.Cell(0, 0), platform::clGreen);
}

TEST(PageSetMap, CompleteOnlyAtTheNextStepWhenTheLastStepFitExactly) {
    Map m(33, 22, 10);  // 3 × 2 = 6 cells
    m.step(5);          // exactly the six cells left
    EXPECT_EQ(greenCells(m.d), 6u);
    EXPECT_FALSE(m.d.IsComplete());
    m.step(9);  // paints nothing, completes
    EXPECT_TRUE(m.d.IsComplete());
    EXPECT_EQ(greenCells(m.d), 6u);

    // One more than was left completes within the step.
    m.d.Shuffle();
    m.step(6);
    EXPECT_TRUE(m.d.IsComplete());
}

// Also the shuffle's colours: one value in three (2 of 0-2) gives red.
TEST(PageSetMap, DrawIssuesTheFillsFramesAndLinesInOrder) {
    FakeCanvas canvas;
    ScriptedRandom random;
    PartitionDisplay d(&canvas, random);
    d.SetCellSize(2, 2);
    d.SetBounds(5, 7, 8, 8);  // 2 × 2 cells of 2 px, pitch 3
    random.values = {2, 0, 0, 1};
    d.Shuffle();
    canvas.calls.clear();
    d.Draw();
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{
                                "brush 0",   "fill 5 7 11 13",                                   // black background
                                "pen 0",     "brush 0",        "frame 5 7 11 13",                // grid colour frame
                                "move 5 10", "line 11 10",     "move 5 13",       "line 11 13",  // rows
                                "move 8 7",  "line 8 13",      "move 11 7",       "line 11 13",  // columns
                                "brush ff",  "fill 5 7 7 9",                                     // cell 0,0 red
                                "brush 80",  "fill 8 7 10 9",                                    // cell 0,1 dark red
                                "brush 80",  "fill 5 10 7 12", "brush 80",        "fill 8 10 10 12",
                            }));
}

TEST(PageSetMapDeathTest, ANullCanvasEndsTheProgram) { EXPECT_DEATH(PartitionDisplay(nullptr), "canvas != NULL"); }
