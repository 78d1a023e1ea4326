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

}  // namespace

TEST(PageSetMap, GeometryFollowsTheOnePixelGridRule) {
    FakeCanvas canvas;
    PartitionDisplay d(&canvas);
    // The default area shrinks twice in Reset.
    EXPECT_EQ(d.Columns(), 24u);
    EXPECT_EQ(d.Rows(), 8u);
    EXPECT_EQ(d.CursorRow(), 0u);
    EXPECT_EQ(d.CursorColumn(), 0u);

    d.SetCellSize(10, 10);
    d.SetBounds(22, 42, 429, 285);
    EXPECT_EQ(d.Columns(), 38u);
    EXPECT_EQ(d.Rows(), 25u);
    EXPECT_EQ(d.Width(), 380u);  // 429 − 42 = 387, down to a multiple of 10
    d.SetCellSize(10, 10);       // applies SetBounds to the reduced area again
    EXPECT_EQ(d.Columns(), 34u);
    EXPECT_EQ(d.Rows(), 22u);
    d.SetBounds(22, 42, 429, 285);
    EXPECT_EQ(d.Columns(), 38u);
    EXPECT_EQ(d.Rows(), 25u);

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

TEST(PageSetMap, ShuffleGivesTwoDarkCellsInThreeAndNeverGreen) {
    FakeCanvas canvas;
    ScriptedRandom random;
    PartitionDisplay d(&canvas, random);
    d.SetCellSize(10, 10);
    d.SetBounds(0, 0, 33, 11);  // 3 × 1 cells
    random.values = {0, 1, 2};
    d.Shuffle();
    EXPECT_EQ(d.Cell(0, 0), platform::clMaroon);
    EXPECT_EQ(d.Cell(0, 1), platform::clMaroon);
    EXPECT_EQ(d.Cell(0, 2), platform::clRed);
    EXPECT_EQ(greenCells(d), 0u);
}

TEST(PageSetMap, StepsPaintInReadingOrderWithinTheLimitAndNeverWrap) {
    FakeCanvas canvas;
    ScriptedRandom random;
    PartitionDisplay d(&canvas, random);
    d.SetCellSize(10, 10);
    d.SetBounds(22, 42, 429, 285);  // 950 cells
    d.SetStepLimit(30);

    random.values = {29};  // n = 29 % 30 + 1 = 30
    d.Step();
    EXPECT_EQ(greenCells(d), 30u);
    EXPECT_EQ(d.CursorRow(), 0u);
    EXPECT_EQ(d.CursorColumn(), 30u);
    random.values = {30};  // 30 % 30 + 1 = 1
    d.Step();
    EXPECT_EQ(greenCells(d), 31u);

    // The most a step paints is the limit: a pass takes at least 32 steps.
    int steps = 2;
    while (!d.IsComplete()) {
        random.values = {29};
        d.Step();
        ++steps;
    }
    EXPECT_GE(steps, 32);
    EXPECT_EQ(greenCells(d), 950u);

    // A step on a complete map begins a new pass from the first cell.
    d.Shuffle();
    EXPECT_EQ(greenCells(d), 0u);
    random.values = {4};
    d.Step();
    EXPECT_EQ(greenCells(d), 5u);
    EXPECT_EQ(d.Cell(0, 0), platform::clGreen);
    EXPECT_EQ(d.Cell(0, 4), platform::clGreen);
    EXPECT_NE(d.Cell(0, 5), platform::clGreen);
}

TEST(PageSetMap, CompleteOnlyAtTheNextStepWhenTheLastStepFitExactly) {
    FakeCanvas canvas;
    ScriptedRandom random;
    PartitionDisplay d(&canvas, random);
    d.SetCellSize(10, 10);
    d.SetBounds(0, 0, 33, 22);  // 3 × 2 = 6 cells
    d.SetStepLimit(10);
    random.values = {5};  // exactly the six cells left
    d.Step();
    EXPECT_EQ(greenCells(d), 6u);
    EXPECT_FALSE(d.IsComplete());
    EXPECT_EQ(d.CursorRow(), 1u);
    EXPECT_EQ(d.CursorColumn(), 3u);
    random.values = {9};
    d.Step();  // paints nothing, completes
    EXPECT_TRUE(d.IsComplete());
    EXPECT_EQ(greenCells(d), 6u);

    // One more than was left completes within the step.
    d.Shuffle();
    random.values = {6};
    d.Step();
    EXPECT_TRUE(d.IsComplete());
}

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
                                "brush 0", "fill 5 7 11 13",                 // black background
                                "pen 0", "brush 0", "frame 5 7 11 13",       // grid colour frame
                                "move 5 10", "line 11 10", "move 5 13", "line 11 13",  // rows
                                "move 8 7", "line 8 13", "move 11 7", "line 11 13",    // columns
                                "brush ff", "fill 5 7 7 9",                   // cell 0,0 red
                                "brush 80", "fill 8 7 10 9",                  // cell 0,1 dark red
                                "brush 80", "fill 5 10 7 12",
                                "brush 80", "fill 8 10 10 12",
                            }));
}

TEST(PageSetMapDeathTest, ANullCanvasEndsTheProgram) {
    EXPECT_DEATH(PartitionDisplay(nullptr), "canvas != NULL");
}
