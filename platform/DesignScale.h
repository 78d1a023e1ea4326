#pragma once

#include "platform/Controls.h"

// The windows are laid out in design pixels for the default face. A user who
// sets a larger face on the desktop gets every window grown whole by the
// ratio of the two, positions, sizes and text alike, as Windows grows a
// dialog with its font, so nothing is cut off; at the default face the
// design is drawn as laid out.
namespace platform {

// The desktop's default face, in points: Qt's own when no desktop sets one,
// and Windows' message face since Vista.
inline constexpr double kDefaultFacePoints = 9.0;
// Beyond four times, no window would fit a screen anyway.
inline constexpr double kLargestScale = 4.0;

class DesignScale {
public:
    DesignScale() = default;  // as laid out
    // The scale for the user's face of `points`: never below the design.
    static DesignScale forFace(double points);
    explicit DesignScale(double ratio);
    // Not below `least`: less than 1 where the screen's own pixels are
    // larger than a design pixel (a toolkit's scale factor).
    DesignScale(double ratio, double least);

    double ratio() const { return ratio_; }
    // Design pixels to the screen's and back, rounded to the nearest.
    int toDevice(int design) const;
    int toDesign(int device) const;
    // Edges, not sizes, are scaled, so neighbours that touch still touch.
    Rect toDevice(const Rect& design) const;
    Rect toDesign(const Rect& device) const;

private:
    double ratio_ = 1.0;
};

// The scale a window is drawn at: the face's, or less where the window so
// scaled, with its frame, would not fit the area; never below the design
// (`least`: 1, or less where the figures are in pixels larger than the
// screen's own), where cutting and scrolling stay the last resort.
DesignScale fittingScale(const DesignScale& face, int designWidth, int designHeight, int frameWidth, int frameHeight,
                         const Rect& area, double least = 1.0);

// A window kept within the screen's available area. A side longer than the
// area's is cut to it and its content scrolls; the scroll bar that then takes
// room across the other side is given that room where the area has it.
struct Fit {
    int width = 0, height = 0;  // the frame's
    bool scrollsAcross = false;
    bool scrollsDown = false;
};
Fit fitWithin(int width, int height, const Rect& area, int scrollBar);

// Where a window goes: one that fits stays where it is put, one that was cut
// lies wholly within the area.
Rect placeWithin(const Rect& frame, const Rect& area, const Fit& fit);

}  // namespace platform
