#include "platform/qt/Design.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace platform {
namespace {

DesignScale& scale() {
    static DesignScale s;
    return s;
}

// The last frame a window of ours was seen with: a window not yet shown has
// none, and is fitted with its sibling's.
QMargins& knownDecoration() {
    static QMargins m;
    return m;
}

}  // namespace

const DesignScale& designScale() { return scale(); }
void setDesignScale(const DesignScale& s) { scale() = s; }

int px(int design) { return scale().toDevice(design); }

QRect px(const Rect& design) {
    const Rect r = scale().toDevice(design);
    return {r.left, r.top, r.width, r.height};
}

void place(QWidget* w, const Rect& design) { w->setGeometry(px(design)); }

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
      floorHeight_(floorHeight < 0 ? designHeight : floorHeight),
      wantedHeight_(px(designHeight)) {
    area_ = new QScrollArea(window);
    area_->setObjectName(QStringLiteral("DesignScroll"));
    area_->setFrameShape(QFrame::NoFrame);
    area_->setWidgetResizable(false);
    // The window's own face colour shows through, as it did without it.
    area_->viewport()->setAutoFillBackground(false);
    auto* surface = new Surface(*this);
    surface->setObjectName(QStringLiteral("DesignSurface"));
    surface_ = surface;
    surface_->resize(px(designWidth), px(designHeight));
    area_->setWidget(surface_);
    area_->setGeometry(0, 0, surface_->width(), surface_->height());
    window_->installEventFilter(this);
    fit();
}

int DesignSurface::designWidth() const { return designWidth_; }
int DesignSurface::designHeight() const {
    return height_ == Height::Fixed ? designHeight_ : scale().toDesign(surface_->height());
}

void DesignSurface::setDesignSize(int width, int height) {
    designWidth_ = width;
    if (height_ == Height::Fixed)
        designHeight_ = height;
    else
        wantedHeight_ = std::max(px(floorHeight_), px(height));
    fit();
}

QMargins DesignSurface::decoration() const {
    const QRect frame = window_->frameGeometry();
    const QRect inside = window_->geometry();
    const QMargins own(inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
                       frame.bottom() - inside.bottom());
    if (!own.isNull()) {
        knownDecoration() = own;
        return own;
    }
    return knownDecoration();
}

void DesignSurface::fit() {
    fitting_ = true;
    const QScreen* screen = window_->screen() != nullptr ? window_->screen() : QGuiApplication::primaryScreen();
    const QMargins deco = decoration();
    fittedWith_ = deco;
    const int wantWidth = px(designWidth_);
    const int wantHeight = height_ == Height::Fixed ? px(designHeight_) : std::max(px(floorHeight_), wantedHeight_);
    int scrollBar = window_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area_);
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, wantWidth, wantHeight);
    const Rect area{available.x(), available.y(), available.width() - deco.left() - deco.right(),
                    available.height() - deco.top() - deco.bottom()};
    fit_ = fitWithin(wantWidth, wantHeight, area, scrollBar);

    // Bars exactly where a side was cut: the scroll area's own guess, made
    // before the window is first laid out, may show them on a window that fits.
    area_->setHorizontalScrollBarPolicy(fit_.scrollsAcross ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    area_->setVerticalScrollBarPolicy(fit_.scrollsDown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    const int surfaceHeight = height_ == Height::Fixed ? px(designHeight_) : wantHeight;
    if (height_ == Height::Fixed) {
        window_->setFixedSize(fit_.width, fit_.height);
    } else {
        // A fixed width; a height that may grow, with the design's as its
        // floor where the screen has room for it.
        window_->setMinimumSize(fit_.width, std::min(px(floorHeight_), fit_.height));
        window_->setMaximumWidth(fit_.width);
        window_->resize(fit_.width, fit_.height);
    }
    surface_->resize(wantWidth, surfaceHeight);
    followWindow();
    if (cut()) moveFrame(window_->frameGeometry().topLeft());
    fitting_ = false;
}

void DesignSurface::followWindow() {
    area_->setGeometry(0, 0, window_->width(), window_->height());
    if (height_ == Height::Floored) {
        // Made taller or shorter, by the user or a rule of its own (the
        // tutorial docked): that is the height wanted from now on.
        if (!fitting_ && !fit_.scrollsDown) wantedHeight_ = window_->height();
        // The surface takes the window's height, down to the design's.
        const int room = window_->height() - (fit_.scrollsAcross ? area_->horizontalScrollBar()->sizeHint().height() : 0);
        const int height = std::max(px(floorHeight_), room);
        if (surface_->height() != height) surface_->resize(px(designWidth_), height);
    }
}

void DesignSurface::moveFrame(QPoint to) {
    const QScreen* screen = window_->screen() != nullptr ? window_->screen() : QGuiApplication::primaryScreen();
    const QRect frame = window_->frameGeometry();
    Rect r{to.x(), to.y(), frame.width(), frame.height()};
    if (screen != nullptr) {
        const QRect a = screen->availableGeometry();
        r = placeWithin(r, {a.x(), a.y(), a.width(), a.height()}, fit_);
    }
    window_->move(r.left, r.top);
}

bool DesignSurface::eventFilter(QObject* watched, QEvent* e) {
    if (watched == window_) {
        switch (e->type()) {
            case QEvent::Show:
                // Before the window's own show handling, which places it.
                fit();
                break;
            case QEvent::Resize:
                followWindow();
                break;
            case QEvent::Move:
                // The window manager has framed it: fitted again where the
                // frame is not the one it was fitted with.
                if (window_->isVisible() && decoration() != fittedWith_) fit();
                break;
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, e);
}

}  // namespace platform
