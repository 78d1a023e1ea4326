#include "platform/DesignScale.h"

#include <algorithm>
#include <cmath>

namespace platform {

DesignScale DesignScale::forFace(double points) {
    // A face given in pixels only, or none, reads as the default.
    if (!(points > 0)) return DesignScale();
    return DesignScale(points / kDefaultFacePoints);
}

DesignScale::DesignScale(double ratio) : ratio_(std::clamp(ratio, 1.0, kLargestScale)) {}

DesignScale::DesignScale(double ratio, double least) : ratio_(std::clamp(ratio, std::min(least, 1.0), kLargestScale)) {}

int DesignScale::toDevice(int design) const { return static_cast<int>(std::lround(design * ratio_)); }

int DesignScale::toDesign(int device) const { return static_cast<int>(std::lround(device / ratio_)); }

Rect DesignScale::toDevice(const Rect& d) const {
    const int left = toDevice(d.left);
    const int top = toDevice(d.top);
    return {left, top, toDevice(d.left + d.width) - left, toDevice(d.top + d.height) - top};
}

Rect DesignScale::toDesign(const Rect& d) const {
    const int left = toDesign(d.left);
    const int top = toDesign(d.top);
    return {left, top, toDesign(d.left + d.width) - left, toDesign(d.top + d.height) - top};
}

DesignScale fittingScale(const DesignScale& face, int designWidth, int designHeight, int frameWidth, int frameHeight,
                         const Rect& area, double least) {
    double ratio = face.ratio();
    // A hair under the exact ratio, so that rounding never gives a pixel more
    // than the room.
    const auto room = [&](int space, int design) {
        if (design > 0) ratio = std::min(ratio, (space - 0.5) / design);
    };
    room(area.width - frameWidth, designWidth);
    room(area.height - frameHeight, designHeight);
    return DesignScale(ratio, least);
}

Fit fitWithin(int width, int height, const Rect& area, int scrollBar) {
    Fit f{width, height};
    if (f.height > area.height) {
        f.scrollsDown = true;
        f.height = area.height;
        f.width += scrollBar;
    }
    if (f.width > area.width) {
        f.scrollsAcross = true;
        f.width = area.width;
        if (!f.scrollsDown) {
            f.height += scrollBar;
            if (f.height > area.height) {
                f.scrollsDown = true;
                f.height = area.height;
            }
        }
    }
    return f;
}

Rect placeWithin(const Rect& frame, const Rect& area, const Fit& fit) {
    // A window that fits is where it was put; one that was cut is all in the area.
    Rect r = frame;
    if (!fit.scrollsAcross && !fit.scrollsDown) return r;
    r.left = std::max(area.left, std::min(r.left, area.left + area.width - r.width));
    r.top = std::max(area.top, std::min(r.top, area.top + area.height - r.height));
    return r;
}

}  // namespace platform
