#include "platform/qt/Design.h"

#include "platform/qt/Accessible.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform {
namespace {

DesignScale& faceScale() {
    static DesignScale s;
    return s;
}

// The last frame a window of ours was seen with: a window not yet shown has
// none, and is fitted with its sibling's.
QMargins& knownDecoration() {
    static QMargins m;
    return m;
}

// How long a window manager may take to frame a window it maps.
constexpr qint64 kFramingMs = 2000;

// Every surface, UI thread only.
std::vector<const DesignSurface*>& surfaces() {
    static std::vector<const DesignSurface*> all;
    return all;
}

}  // namespace

const DesignScale& designScale() { return faceScale(); }
void setDesignScale(const DesignScale& s) { faceScale() = s; }

const DesignScale& scaleOf(const QWidget* w) {
    const QWidget* window = w != nullptr ? w->window() : nullptr;
    for (const DesignSurface* s : surfaces())
        if (s->surface()->window() == window) return s->scale();
    return faceScale();
}

int px(int design) { return faceScale().toDevice(design); }

int px(const QWidget* w, int design) { return scaleOf(w).toDevice(design); }

QRect px(const QWidget* w, const Rect& design) {
    const Rect r = scaleOf(w).toDevice(design);
    return {r.left, r.top, r.width, r.height};
}

void place(QWidget* w, const Rect& design) { w->setGeometry(px(w, design)); }

class DesignSurface::Surface final : public QWidget {
public:
    explicit Surface(DesignSurface& owner) : owner_(owner) {}

protected:
    void paintEvent(QPaintEvent* e) override {
        if (owner_.onPaint) owner_.onPaint(e);
    }
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
        if (owner_.onResize) owner_.onResize();
    }

private:
    DesignSurface& owner_;
};

DesignSurface::DesignSurface(QWidget* window, int designWidth, int designHeight, Height height, int floorHeight)
    : QObject(window),
      window_(window),
      designWidth_(designWidth),
      designHeight_(designHeight),
      height_(height),
      floorHeight_(floorHeight < 0 ? designHeight : floorHeight) {
    scale_ = fittingScaleFor(designHeight);
    if (scale_.ratio() < faceScale().ratio()) {
        // Shrunk to fit: the face shrinks with the controls it fills.
        QFont face = window_->font();
        const double by = scale_.ratio() / faceScale().ratio();
        if (face.pixelSize() > 0)
            face.setPixelSize(std::max(1, static_cast<int>(std::lround(face.pixelSize() * by))));
        else
            face.setPointSizeF(face.pointSizeF() * by);
        window_->setFont(face);
    }
    area_ = new QScrollArea(window);
    area_->setObjectName(QStringLiteral("DesignScroll"));
    area_->setFrameShape(QFrame::NoFrame);
    // The keyboard starts on the window's first control, not on the area
    // (a scroll area takes Tab by default); a focused control that is cut
    // off is still scrolled into view.
    area_->setFocusPolicy(Qt::NoFocus);
    area_->setWidgetResizable(false);
    // The window's own face colour shows through, as it did without it.
    area_->viewport()->setAutoFillBackground(false);
    auto* surface = new Surface(*this);
    surface->setObjectName(QStringLiteral("DesignSurface"));
    surface_ = surface;
    surface_->resize(scale_.toDevice(designWidth), scale_.toDevice(designHeight));
    area_->setWidget(surface_);
    for (QWidget* layer : {static_cast<QWidget*>(area_), area_->viewport(), surface_})
        setAccessibleRole(layer, QAccessible::Pane);
    nameScrollAreaParts(area_);
    area_->setGeometry(0, 0, surface_->width(), surface_->height());
    window_->installEventFilter(this);
    surfaces().push_back(this);
    fit();
}

DesignScale DesignSurface::fittingScaleFor(int designHeight) const {
    const QScreen* screen = window_->screen() != nullptr ? window_->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return faceScale();
    const QRect a = screen->availableGeometry();
    const QMargins deco = decoration();
    // A window that may grow taller need only fit at its floor.
    const int height = height_ == Height::Floored && floorHeight_ > 0 ? floorHeight_ : designHeight;
    // Under a scale factor a design pixel is several of the screen's: the
    // window may shrink to the design's size on the screen.
    return fittingScale(faceScale(), designWidth_, height, deco.left() + deco.right(), deco.top() + deco.bottom(),
                        {a.x(), a.y(), a.width(), a.height()}, 1.0 / screen->devicePixelRatio());
}

DesignSurface::~DesignSurface() { surfaces().erase(std::find(surfaces().begin(), surfaces().end(), this)); }

int DesignSurface::designWidth() const { return designWidth_; }
int DesignSurface::designHeight() const {
    return height_ == Height::Fixed ? designHeight_ : scale_.toDesign(surface_->height());
}

void DesignSurface::setDesignSize(int width, int height) {
    designWidth_ = width;
    if (height_ == Height::Fixed)
        designHeight_ = height;
    else
        window_->resize(window_->width(), std::max(scale_.toDevice(floorHeight_), scale_.toDevice(height)));
    fit();
}

bool DesignSurface::settled() const {
    return window_->isVisible() && shown_.isValid() && shown_.elapsed() > kFramingMs;
}

QMargins DesignSurface::decoration() const {
    // A frame is read only off a window shown a while ago (this one, else
    // another of ours); until there is one, a title bar's and a border's
    // worth is kept free.
    const DesignSurface* framed = settled() ? this : nullptr;
    for (const DesignSurface* other : surfaces())
        if (framed == nullptr && other->settled()) framed = other;
    if (framed != nullptr) {
        const QRect frame = framed->window_->frameGeometry();
        const QRect inside = framed->window_->geometry();
        const QMargins own(inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
                           frame.bottom() - inside.bottom());
        if (!own.isNull() && frame.contains(inside)) knownDecoration() = own;
    }
    if (!knownDecoration().isNull()) return knownDecoration();
    const int side = px(4);
    return {side, window_->fontMetrics().height() + px(8), side, side};
}

QRect DesignSurface::frameGeometry() const {
    if (settled()) {
        const QRect frame = window_->frameGeometry();
        if (frame.contains(window_->geometry())) return frame;
    }
    return window_->geometry().marginsAdded(decoration());
}

void DesignSurface::fit() {
    const QScreen* screen = window_->screen() != nullptr ? window_->screen() : QGuiApplication::primaryScreen();
    const QMargins deco = decoration();
    const int wantWidth = scale_.toDevice(designWidth_);
    // A window whose height may change wants the one it has (the design's
    // at first), not below its floor.
    const int wantHeight =
        height_ == Height::Fixed
            ? scale_.toDevice(designHeight_)
            : std::max(scale_.toDevice(floorHeight_), sized_ ? window_->height() : scale_.toDevice(designHeight_));
    sized_ = true;
    int scrollBar = window_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area_);
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, wantWidth, wantHeight);
    const Rect area{available.x(), available.y(), available.width() - deco.left() - deco.right(),
                    available.height() - deco.top() - deco.bottom()};
    fit_ = fitWithin(wantWidth, wantHeight, area, scrollBar);

    // Bars exactly where a side was cut: the scroll area's own guess, made
    // before the window is first laid out, may show them on a window that fits.
    area_->setHorizontalScrollBarPolicy(fit_.scrollsAcross ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    area_->setVerticalScrollBarPolicy(fit_.scrollsDown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    const int surfaceHeight = height_ == Height::Fixed ? scale_.toDevice(designHeight_) : wantHeight;
    // The window manager is told only of a change: new hints while it maps
    // the window make it frame the window again.
    const QSize size(fit_.width, fit_.height);
    if (height_ == Height::Fixed) {
        if (window_->minimumSize() != size || window_->maximumSize() != size) window_->setFixedSize(size);
    } else {
        // A fixed width; a height that may grow, with the floor where the
        // screen has room for it.
        // A window with no floor (the docked tutorial) is sized by its own
        // rules alone.
        if (floorHeight_ > 0) {
            const QSize least(fit_.width, std::min(scale_.toDevice(floorHeight_), fit_.height));
            if (window_->minimumSize() != least) window_->setMinimumSize(least);
            if (window_->maximumWidth() != fit_.width) window_->setMaximumWidth(fit_.width);
        }
        if (window_->size() != size) window_->resize(size);
    }
    surface_->resize(wantWidth, surfaceHeight);
    followWindow();
    if (cut()) moveFrame(frameGeometry().topLeft());
}

void DesignSurface::followWindow() {
    area_->setGeometry(0, 0, window_->width(), window_->height());
    if (height_ == Height::Floored) {
        // The surface takes the window's height, down to the design's.
        const int room =
            window_->height() - (fit_.scrollsAcross ? area_->horizontalScrollBar()->sizeHint().height() : 0);
        const int height = std::max(scale_.toDevice(floorHeight_), room);
        if (surface_->height() != height) surface_->resize(scale_.toDevice(designWidth_), height);
    }
}

void DesignSurface::moveFrame(QPoint to) {
    if (!cut()) {
        window_->move(to);  // where the window's own rules put it
        return;
    }
    const QScreen* screen = window_->screen() != nullptr ? window_->screen() : QGuiApplication::primaryScreen();
    const QRect frame = frameGeometry();
    Rect r{to.x(), to.y(), frame.width(), frame.height()};
    if (screen != nullptr) {
        const QRect a = screen->availableGeometry();
        r = placeWithin(r, {a.x(), a.y(), a.width(), a.height()}, fit_);
    }
    window_->move(r.left, r.top);
}

void DesignSurface::nameLayers() {
    // The area, its viewport and the surface stand between the window and
    // its controls: a screen reader meets them as panels of the window's
    // name, not as nameless fillers.
    for (QWidget* layer : {static_cast<QWidget*>(area_), area_->viewport(), surface_})
        if (layer->accessibleName() != window_->windowTitle()) layer->setAccessibleName(window_->windowTitle());
}

bool DesignSurface::eventFilter(QObject* watched, QEvent* e) {
    if (watched == window_) {
        switch (e->type()) {
            case QEvent::Show:
                // Before the window's own show handling, which places it.
                fit();
                nameLayers();
                // Where the keyboard is is drawn from the start, not only
                // once Tab has been pressed (Qt's default).
                window_->setAttribute(Qt::WA_KeyboardFocusChange);
                if (!shown_.isValid()) shown_.start();
                break;
            case QEvent::Resize:
                followWindow();
                break;
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, e);
}

}  // namespace platform
