#pragma once

#include "app/GraphHistory.h"
#include "platform/Color.h"
#include "platform/Controls.h"

#include <QWidget>

#include <deque>

namespace kestrune {

// The physical-memory history, drawn with Qt.
class PerformanceGraph final : public QWidget, public platform::Graph {
public:
    explicit PerformanceGraph(QWidget* parent = nullptr);

    void dataPoint(platform::TColor color, int value) override;
    void redraw() override { update(); }
    // Told only when it changes: each change is an event for a screen reader.
    void setName(const std::string& name) override;

    void setForegroundColor(platform::TColor c) { foreground_ = c; }
    void setGradient(int percent) { gradient_ = percent; }

    const std::deque<GraphHistory::Point>& points() const { return history_.points(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GraphHistory history_;
    platform::TColor foreground_ = platform::clBlue;
    int gradient_ = 100;
};

}  // namespace kestrune
