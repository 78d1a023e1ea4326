#pragma once

#include "app/GraphHistory.h"
#include "platform/Controls.h"
#include "platform/win32/Canvas.h"

#include <windows.h>

#include <deque>
#include <string>

namespace kestrune {

// The physical-memory history, a child window drawn with GDI into an
// off-screen bitmap and copied to the screen in one step.
class PerformanceGraph final : public platform::Graph {
public:
    PerformanceGraph(HWND parent, int id, const platform::Rect& design);
    ~PerformanceGraph() override;
    PerformanceGraph(const PerformanceGraph&) = delete;
    PerformanceGraph& operator=(const PerformanceGraph&) = delete;

    void dataPoint(platform::TColor color, int value) override;
    void redraw() override;
    // Its window text: what a screen reader says of it. Told only when it changes.
    void setName(const std::string& name) override;
    void setForegroundColor(platform::TColor c) { foreground_ = c; }
    void setGradient(int percent) { gradient_ = percent; }

    HWND hwnd() const { return hwnd_; }
    const std::deque<GraphHistory::Point>& points() const { return history_.points(); }
    // Draws the graph into `dc`, `width` by `height` screen pixels.
    void paint(HDC dc, int width, int height) const;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    platform::win32::PaintBuffer buffer_;  // it scrolls every second
    GraphHistory history_;
    std::string name_;
    platform::TColor foreground_ = platform::clBlue;
    int gradient_ = 100;
};

}  // namespace kestrune
