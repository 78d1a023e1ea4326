#include "app/qt/PerformanceGraph.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace kestrune {
namespace {

QColor toQColor(platform::TColor c) {
    return QColor(static_cast<int>(platform::redOf(c)), static_cast<int>(platform::greenOf(c)),
                  static_cast<int>(platform::blueOf(c)));
}

}  // namespace

PerformanceGraph::PerformanceGraph(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void PerformanceGraph::dataPoint(platform::TColor color, int value) {
    points_.push_back({color, std::clamp(value, 0, 100)});
    const std::size_t keep = static_cast<std::size_t>(std::max(2, width() / kStep + 2));
    while (points_.size() > keep) points_.pop_front();
    ++scrolled_;
}

void PerformanceGraph::setName(const std::string& name) {
    const QString n = QString::fromStdString(name);
    if (n != accessibleName()) setAccessibleName(n);
}

void PerformanceGraph::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width();
    const int h = height();
    p.fillRect(rect(), Qt::black);

    // The grid scrolls with the points. Its lines are one pixel wide and
    // upright, so they are filled as rectangles: the same pixels at a
    // fraction of a line's cost, and this runs every second.
    const QColor gridColor(0, 96, 0);
    const int shift = (scrolled_ * kStep) % kGridPitch;
    for (int x = w - 1 - shift; x >= 0; x -= kGridPitch) p.fillRect(x, 0, 1, h, gridColor);
    for (int y = h - 1; y >= 0; y -= kGridPitch) p.fillRect(0, y, w, 1, gridColor);

    if (points_.empty()) return;
    auto yOf = [h](int value) { return (h - 1) - (value * (h - 1)) / 100.0; };
    QPainterPath area;
    const int n = static_cast<int>(points_.size());
    for (int i = 0; i < n; ++i) {
        const double x = (w - 1) - (n - 1 - i) * kStep;
        const double y = yOf(points_[static_cast<std::size_t>(i)].value);
        if (i == 0)
            area.moveTo(x, y);
        else
            area.lineTo(x, y);
    }
    area.lineTo(w - 1, h);
    area.lineTo((w - 1) - (n - 1) * kStep, h);
    area.closeSubpath();

    // Gradient 0 is a flat fill; 100 fades the foreground to a quarter at the bottom.
    const QColor top = toQColor(foreground_);
    QLinearGradient fill(0, 0, 0, h);
    fill.setColorAt(0, top);
    fill.setColorAt(1, top.darker(100 + 3 * std::clamp(gradient_, 0, 100)));
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(area, fill);
    // Each segment in the colour of the point it leads to.
    for (int i = 1; i < n; ++i) {
        const auto& a = points_[static_cast<std::size_t>(i - 1)];
        const auto& b = points_[static_cast<std::size_t>(i)];
        p.setPen(QPen(toQColor(b.color), 1));
        p.drawLine(QPointF((w - 1) - (n - i) * kStep, yOf(a.value)),
                   QPointF((w - 1) - (n - 1 - i) * kStep, yOf(b.value)));
    }
}

}  // namespace kestrune
