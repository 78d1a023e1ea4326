#include "scrub/scrubber.h"

#include <cstdio>
#include <cstdlib>

namespace kestrune {
namespace {

class RuntimeRandom final : public RandomSource {
public:
    // Used by the scrub window on the UI thread only.
    int next() override { return std::rand(); }  // NOLINT(concurrency-mt-unsafe)
};

}  // namespace

RandomSource& runtimeRandom() {
    static RuntimeRandom source;
    return source;
}

PartitionDisplay::PartitionDisplay(platform::Canvas* c, RandomSource& random) : canvas(c), random_(random) {
    // Checked in every build type, not only where assert is compiled in.
    if (canvas == nullptr) {
        std::fprintf(stderr, "Assertion failed: canvas != NULL, file %s, line %d\n", __FILE__, __LINE__);
        std::abort();
    }
    Layout();
    Reset();
}

PartitionDisplay::~PartitionDisplay() { canvas = nullptr; }

void PartitionDisplay::SetCellSize(unsigned w, unsigned h) {
    // A cell is at least one pixel: a zero size would divide by zero below.
    cellWidth = w == 0 ? 1 : w;
    cellHeight = h == 0 ? 1 : h;
    SetBounds(left, top, width, height);
}

void PartitionDisplay::SetBounds(int l, int t, unsigned w, unsigned h) {
    width = w - w / cellWidth;
    height = h - h / cellHeight;
    left = l;
    top = t;
    Layout();
}

void PartitionDisplay::Layout() {
    width -= width % cellWidth;
    height -= height % cellHeight;
    columns = width / cellWidth;
    rows = height / cellHeight;
    if (rows == 0 || columns == 0) return;
    cells.resize(rows);
    for (auto& row : cells) row.resize(columns, platform::clBlack);
    Shuffle();
}

void PartitionDisplay::Shuffle() {
    for (auto& row : cells)
        for (auto& cell : row) cell = random_.next() % 3 == 2 ? brightColor : darkColor;
}

void PartitionDisplay::Step() {
    const unsigned limit = stepLimit == 0 ? 1 : stepLimit;
    const unsigned n = static_cast<unsigned>(random_.next()) % limit + 1;
    if (IsComplete()) {
        cursorRow = 0;
        cursorColumn = 0;
    }
    for (unsigned i = 0; i < n; ++i) {
        if (cursorColumn >= columns) {
            cursorColumn = 0;
            ++cursorRow;
        }
        if (cursorRow >= rows) {
            cursorColumn = columns;
            cursorRow = rows;
            return;
        }
        cells[cursorRow][cursorColumn] = doneColor;
        ++cursorColumn;
    }
}

void PartitionDisplay::Draw() {
    if (rows == 0 || columns == 0 || canvas == nullptr) return;
    const int pitchX = static_cast<int>(cellWidth) + 1;
    const int pitchY = static_cast<int>(cellHeight) + 1;
    const int right = left + static_cast<int>(columns) * pitchX;
    const int bottom = top + static_cast<int>(rows) * pitchY;
    canvas->setBrushColor(platform::clBlack);
    canvas->fillRect(left, top, right, bottom);
    canvas->setPenColor(gridColor);
    canvas->setBrushColor(gridColor);
    canvas->frameRect(left, top, right, bottom);
    for (unsigned i = 1; i <= rows; ++i) {
        canvas->moveTo(left, top + static_cast<int>(i) * pitchY);
        canvas->lineTo(right, top + static_cast<int>(i) * pitchY);
    }
    for (unsigned i = 1; i <= columns; ++i) {
        canvas->moveTo(left + static_cast<int>(i) * pitchX, top);
        canvas->lineTo(left + static_cast<int>(i) * pitchX, bottom);
    }
    for (unsigned r = 0; r < rows; ++r) {
        for (unsigned c = 0; c < columns; ++c) {
            const int x = left + static_cast<int>(c) * pitchX;
            const int y = top + static_cast<int>(r) * pitchY;
            canvas->setBrushColor(cells[r][c]);
            canvas->fillRect(x, y, x + static_cast<int>(cellWidth), y + static_cast<int>(cellHeight));
        }
    }
}

void PartitionDisplay::Reset() {
    cursorRow = 0;
    cursorColumn = 0;
    SetBounds(left, top, width, height);
    SetCellSize(cellWidth, cellHeight);
    Layout();
}

}  // namespace kestrune
