#pragma once

#include "platform/Controls.h"

#include <QColor>

class QPainter;

namespace platform {

// The canvas interface over a QPainter that is active only while its widget
// paints: outside a paint the calls do nothing.
class QtCanvas final : public Canvas {
public:
    // The painter is dropped again by end(), before it goes out of scope.
    // cppcheck-suppress danglingLifetime
    void begin(QPainter* painter) { painter_ = painter; }
    void end() { painter_ = nullptr; }

    void setBrushColor(TColor c) override { brush_ = toQColor(c); }
    void setPenColor(TColor c) override { pen_ = toQColor(c); }
    void fillRect(int left, int top, int right, int bottom) override;
    void frameRect(int left, int top, int right, int bottom) override;
    void moveTo(int x, int y) override {
        x_ = x;
        y_ = y;
    }
    void lineTo(int x, int y) override;

    static QColor toQColor(TColor c) {
        return QColor(static_cast<int>(redOf(c)), static_cast<int>(greenOf(c)), static_cast<int>(blueOf(c)));
    }

private:
    QPainter* painter_ = nullptr;
    QColor brush_{Qt::white};
    QColor pen_{Qt::black};
    int x_ = 0;
    int y_ = 0;
};

}  // namespace platform
