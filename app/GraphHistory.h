#pragma once

#include "platform/Color.h"

#include <algorithm>
#include <deque>

namespace kestrune {

// The history graph's points and geometry, for every toolkit's view: it
// keeps the newest points that fit its width (value 0 to 100, colour each),
// scrolls one step a point with its grid, and fills the area under the line
// with its foreground colour fading downwards.
class GraphHistory {
public:
    struct Point {
        platform::TColor color;
        int value;
    };
    static constexpr int kStep = 3;        // pixels per point
    static constexpr int kGridPitch = 12;  // pixels between grid lines
    static constexpr platform::TColor kBackground = platform::clBlack;
    static constexpr platform::TColor kGridColor = platform::rgb(0, 96, 0);

    // A new point, for a graph `width` pixels wide.
    void add(platform::TColor color, int value, int width) {
        points_.push_back({color, std::clamp(value, 0, 100)});
        const auto keep = static_cast<std::size_t>(std::max(2, width / kStep + 2));
        while (points_.size() > keep) points_.pop_front();
        ++scrolled_;
    }
    const std::deque<Point>& points() const { return points_; }
    // Where the rightmost upright grid line sits, counted from the right edge.
    int gridShift() const { return (scrolled_ * kStep) % kGridPitch; }
    // Point `index` of the points kept, in a graph `width` wide: the newest
    // at the right edge.
    int xOf(int index, int width) const { return (width - 1) - (static_cast<int>(points_.size()) - 1 - index) * kStep; }
    static double yOf(int value, int height) { return (height - 1) - (value * (height - 1)) / 100.0; }
    // The fill's colour at the bottom: gradient 0 is a flat fill; 100 fades
    // the foreground to a quarter.
    static platform::TColor fadedColor(platform::TColor top, int gradient) {
        const unsigned divisor = 100 + 3 * static_cast<unsigned>(std::clamp(gradient, 0, 100));
        return platform::rgb(platform::redOf(top) * 100 / divisor, platform::greenOf(top) * 100 / divisor,
                             platform::blueOf(top) * 100 / divisor);
    }

private:
    std::deque<Point> points_;
    int scrolled_ = 0;  // points taken since start, for the grid to move with them
};

}  // namespace kestrune
