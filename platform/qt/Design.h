#pragma once

#include "platform/DesignScale.h"

#include <QElapsedTimer>
#include <QMargins>
#include <QObject>
#include <QRect>

#include <functional>

class QPaintEvent;
class QScrollArea;
class QWidget;

// Every window is laid out in design pixels and drawn at the scale of the
// user's face (platform/DesignScale.h); where the screen cannot hold it, it
// fits the screen and its controls scroll. A window opts in by building its
// controls on a DesignSurface's surface() with place() and px().
namespace platform {

// The scale of the user's face, which windows are drawn at where the screen
// has room and frames are measured in; as laid out until set, once, at start.
const DesignScale& designScale();
void setDesignScale(const DesignScale& scale);
// The scale `w`'s window is drawn at: the face's, or less where the window
// had to shrink to fit the screen.
const DesignScale& scaleOf(const QWidget* w);

// Design pixels to the screen's, at the face's scale.
int px(int design);
// Design pixels to the screen's, in `w`'s window.
int px(const QWidget* w, int design);
QRect px(const QWidget* w, const Rect& design);
// A control at its design place within its parent.
void place(QWidget* w, const Rect& design);

// The window's controls, on a surface of the design's size within a scroll
// area that fills the window. A window too large for the screen's free area
// at the face's scale is drawn at the largest that fits, its face smaller in
// proportion, but never below the design. Shown, the window takes that size, or the
// screen's available area where that is smaller (the surface then scrolls),
// and is kept within the area on a side that had to be cut.
class DesignSurface final : public QObject {
public:
    enum class Height {
        Fixed,    // the window's size is the design's
        Floored,  // the window may be made taller or shorter; the surface follows it down to `floorHeight`
    };
    // `floorHeight` (design pixels) defaults to the design height.
    DesignSurface(QWidget* window, int designWidth, int designHeight, Height height = Height::Fixed,
                  int floorHeight = -1);
    ~DesignSurface() override;
    DesignSurface(const DesignSurface&) = delete;
    DesignSurface& operator=(const DesignSurface&) = delete;

    QWidget* surface() const { return surface_; }
    const DesignScale& scale() const { return scale_; }
    QScrollArea* scrollArea() const { return area_; }
    // The design size of the surface (its client area, to the window logic).
    int designWidth() const;
    int designHeight() const;
    // A new design size: the window follows, within the screen.
    void setDesignSize(int width, int height);
    // True while a side of the window is shorter than the design's.
    bool cut() const { return fit_.scrollsAcross || fit_.scrollsDown; }
    // Moves the window, frame and all, to `frameTopLeft` (device pixels),
    // within the available area on a side that was cut.
    void moveFrame(QPoint frameTopLeft);
    // The window's frame on the screen (device pixels). Qt keeps the frame
    // it reads while the window manager is still framing a window for good:
    // until then, it is the window with the frame its siblings have.
    QRect frameGeometry() const;

    // Runs when the surface paints (the window's own drawing) or is resized.
    std::function<void(QPaintEvent*)> onPaint;
    std::function<void()> onResize;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    class Surface;
    DesignScale fittingScaleFor(int designHeight) const;
    void fit();
    void followWindow();
    void nameLayers();
    bool settled() const;
    QMargins decoration() const;

    QWidget* window_;
    QScrollArea* area_;
    QWidget* surface_;
    int designWidth_, designHeight_;
    Height height_;
    int floorHeight_;
    DesignScale scale_;
    Fit fit_;
    bool sized_ = false;   // fitted once: the window's height is its own from then on
    QElapsedTimer shown_;  // since the window was first shown
};

}  // namespace platform
