#include "app/qt/PerformanceGraph.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kestrune {
namespace {

QColor toQColor(platform::TColor c) {
    return QColor(static_cast<int>(platform::redOf(c)), static_cast<int>(platform::greenOf(c)),
                  static_cast<int>(platform::blueOf(c)));
}

}  // namespace

PerformanceGraph::PerformanceGraph(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void PerformanceGraph::dataPoint(platform::TColor color, int value) { history_.add(color, value, width()); }

void PerformanceGraph::setName(const std::string& name) {
    const QString n = QString::fromStdString(name);
    if (n != accessibleName()) setAccessibleName(n);
}

void PerformanceGraph::paintEvent(QPaintEvent*) {
    using H = GraphHistory;
    QPainter p(this);
    const int w = width();
    const int h = height();
    p.fillRect(rect(), toQColor(H::kBackground));
    // The grid scrolls with the points. Its lines are one pixel wide and
    // upright, so they are filled as rectangles: the same pixels at a
    // fraction of a line's cost, and this runs every second.
    const QColor gridColor = toQColor(H::kGridColor);
    for (int x = w - 1 - history_.gridShift(); x >= 0; x -= H::kGridPitch) p.fillRect(x, 0, 1, h, gridColor);
    for (int y = h - 1; y >= 0; y -= H::kGridPitch) p.fillRect(0, y, w, 1, gridColor);
    const auto& points = history_.points();
    if (points.empty()) return;

    QPainterPath area;
    const int n = static_cast<int>(points.size());
    for (int i = 0; i < n; ++i) {
        const double x = history_.xOf(i, w);
        const double y = H::yOf(points[static_cast<std::size_t>(i)].value, h);
        if (i == 0)
            area.moveTo(x, y);
        else
            area.lineTo(x, y);
    }
    area.lineTo(w - 1, h);
    area.lineTo(history_.xOf(0, w), h);
    area.closeSubpath();
    QLinearGradient fill(0, 0, 0, h);
    fill.setColorAt(0, toQColor(foreground_));
    fill.setColorAt(1, toQColor(H::fadedColor(foreground_, gradient_)));
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(area, fill);
    // Each segment in the colour of the point it leads to.
    for (int i = 1; i < n; ++i) {
        const auto& a = points[static_cast<std::size_t>(i - 1)];
        const auto& b = points[static_cast<std::size_t>(i)];
        p.setPen(QPen(toQColor(b.color), 1));
        p.drawLine(QPointF(history_.xOf(i - 1, w), H::yOf(a.value, h)),
                   QPointF(history_.xOf(i, w), H::yOf(b.value, h)));
    }
}

}  // namespace kestrune
