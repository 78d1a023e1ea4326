#pragma once

#include "platform/Color.h"
#include "platform/Controls.h"

#include <vector>

namespace kestrune {

// The C runtime's rand, never seeded; tests give a source of their own.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual int next() = 0;  // non-negative
};
RandomSource& runtimeRandom();

// The animated map of the scrub window: a grid of cells in two pattern colours
// that steps paint over in the done colour, in reading order, pass by pass.
// Its state is plain data; only Draw needs the canvas.
class PartitionDisplay {
public:
    // A null canvas is a programming error: the program ends.
    explicit PartitionDisplay(platform::Canvas* canvas, RandomSource& random = runtimeRandom());
    ~PartitionDisplay();
    PartitionDisplay(const PartitionDisplay&) = delete;
    PartitionDisplay& operator=(const PartitionDisplay&) = delete;

    void SetCellSize(unsigned cellWidth, unsigned cellHeight);
    // Sets one pixel aside per cell for the grid line, then lays out.
    void SetBounds(int left, int top, unsigned width, unsigned height);
    void SetStepLimit(unsigned n) { stepLimit = n; }
    void SetDoneColor(platform::TColor c) { doneColor = c; }
    void Shuffle();
    void Step();
    bool IsComplete() const { return cursorRow == rows && cursorColumn == columns; }
    // The cells of this pass painted in the done colour, of Rows × Columns.
    unsigned DoneCells() const { return IsComplete() ? rows * columns : cursorRow * columns + cursorColumn; }
    void Draw();
    void Reset();

    unsigned Rows() const { return rows; }
    unsigned Columns() const { return columns; }
    unsigned Width() const { return width; }
    unsigned Height() const { return height; }
    unsigned CursorRow() const { return cursorRow; }
    unsigned CursorColumn() const { return cursorColumn; }
    platform::TColor Cell(unsigned row, unsigned column) const { return cells[row][column]; }
    platform::TColor BrightColor() const { return brightColor; }
    platform::TColor DoneColor() const { return doneColor; }

private:
    void Layout();

    platform::TColor gridColor = platform::clBlack;
    platform::TColor darkColor = platform::clMaroon;
    platform::TColor brightColor = platform::clRed;
    platform::TColor doneColor = platform::clGreen;
    platform::Canvas* canvas;
    RandomSource& random_;
    unsigned width = 300;
    unsigned height = 100;
    int left = 0;
    int top = 0;
    unsigned cellWidth = 10;
    unsigned cellHeight = 10;
    unsigned cursorRow = 0;
    unsigned cursorColumn = 0;
    unsigned stepLimit = 1;
    unsigned rows = 0;
    unsigned columns = 0;
    std::vector<std::vector<platform::TColor>> cells;
};

}  // namespace kestrune
