#include "platform/qt/Canvas.h"

#include <QPainter>

#include <cstdlib>

namespace platform {

void QtCanvas::fillRect(int left, int top, int right, int bottom) {
    if (painter_ == nullptr || right <= left || bottom <= top) return;
    painter_->fillRect(left, top, right - left, bottom - top, brush_);
}

void QtCanvas::frameRect(int left, int top, int right, int bottom) {
    if (painter_ == nullptr || right <= left || bottom <= top) return;
    painter_->fillRect(left, top, right - left, 1, brush_);
    painter_->fillRect(left, bottom - 1, right - left, 1, brush_);
    painter_->fillRect(left, top, 1, bottom - top, brush_);
    painter_->fillRect(right - 1, top, 1, bottom - top, brush_);
}

void QtCanvas::lineTo(int x, int y) {
    if (painter_ != nullptr) {
        if (y == y_ && x != x_) {
            // The end point is not drawn.
            const int from = std::min(x_, x + (x > x_ ? 0 : 1));
            painter_->fillRect(from, y, std::abs(x - x_), 1, pen_);
        } else if (x == x_ && y != y_) {
            const int from = std::min(y_, y + (y > y_ ? 0 : 1));
            painter_->fillRect(x, from, 1, std::abs(y - y_), pen_);
        } else if (x != x_ || y != y_) {
            // Step back one pixel along the longer axis to leave the end out.
            const int dx = x - x_, dy = y - y_;
            const double back = 1.0 / std::max(std::abs(dx), std::abs(dy));
            painter_->setPen(pen_);
            painter_->drawLine(QPointF(x_, y_), QPointF(x - dx * back, y - dy * back));
        }
    }
    x_ = x;
    y_ = y;
}

}  // namespace platform
