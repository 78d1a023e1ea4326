#pragma once

#include "platform/Color.h"
#include "platform/Controls.h"

#include <QWidget>

#include <deque>

namespace kestrune {

// The physical-memory history: keeps the newest points that fit its width
// (value 0 to 100, colour each), scrolls one step per point, and fills the
// area under the line with its foreground colour as a gradient.
class PerformanceGraph final : public QWidget, public platform::Graph {
public:
    explicit PerformanceGraph(QWidget* parent = nullptr);

    void dataPoint(platform::TColor color, int value) override;
    void redraw() override { update(); }
    // Told only when it changes: each change is an event for a screen reader.
    void setName(const std::string& name) override;

    void setForegroundColor(platform::TColor c) { foreground_ = c; }
    void setGradient(int percent) { gradient_ = percent; }

    struct Point {
        platform::TColor color;
        int value;
    };
    const std::deque<Point>& points() const { return points_; }
    static constexpr int kStep = 3;        // pixels per point
    static constexpr int kGridPitch = 12;  // pixels between grid lines

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::deque<Point> points_;
    platform::TColor foreground_ = platform::clBlue;
    int gradient_ = 100;
    int scrolled_ = 0;  // points taken since start, for the grid to move with them
};

}  // namespace kestrune
