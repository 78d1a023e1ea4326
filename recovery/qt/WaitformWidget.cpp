#include "recovery/qt/WaitformWidget.h"

#include "platform/qt/Accessible.h"
#include "platform/qt/Design.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

namespace kestrune {
namespace {

namespace w = waitform;
using platform::place;

bool isUserInput(QEvent::Type t) {
    switch (t) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        default:
            return false;
    }
}

}  // namespace

void Form2Widget::Redraw::repaintNow() {
    w_->repaint();
    // Every event is served, so that a close the window manager asks for
    // reaches its window's rule now (Qt counts it as user input, and a put-off
    // one would be turned away by the result box). User input itself is
    // swallowed by the filter while the window is up, and the UI thread's
    // synchronised calls are held back by the recovery.
    QCoreApplication::processEvents();
}

Form2Widget::Form2Widget(QWidget* owner) : QWidget(owner, Qt::Dialog) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QString::fromUtf8(w::kCaption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    platform::setAccessibleRole(this, QAccessible::Dialog);
    auto* surface = new platform::DesignSurface(this, w::kClientWidth, w::kClientHeight);
    self_.setSurface(surface);
    QWidget* const client = surface->surface();

    label1_ = new QLabel(QString::fromUtf8(w::kDesignStep), client);
    label1_->setObjectName(QStringLiteral("TeLabel1"));
    label1_->setAlignment(Qt::AlignCenter);
    place(label1_, {w::kLabel1.left - 8, w::kLabel1.top, w::kLabel1.width + 16, w::kLabel1.height + 2});
    bar_ = new QProgressBar(client);
    bar_->setObjectName(QStringLiteral("TeProgressBar1"));
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setAccessibleName(QString::fromUtf8(w::kBarName));
    place(bar_, w::kBar1);
    label2_ = new QLabel(QString::fromUtf8(w::kDesignCounter), client);
    label2_->setObjectName(QStringLiteral("TeLabel2"));
    place(label2_, {w::kLabel2.left, w::kLabel2.top, w::kLabel2.width + 12, w::kLabel2.height + 2});

    l1_.emplace(label1_);
    l2_.emplace(label2_);
    b1_.emplace(bar_);
    form_.emplace(TForm2::Controls{.self = self_, .TeLabel1 = *l1_, .TeProgressBar1 = *b1_, .TeLabel2 = *l2_});

    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

Form2Widget::~Form2Widget() {
    if (blocking_) qApp->removeEventFilter(this);
}

void Form2Widget::closeEvent(QCloseEvent* e) {
    if (form_->FormCloseQuery())
        e->accept();
    else
        e->ignore();
}

void Form2Widget::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!blocking_) {
        qApp->installEventFilter(this);
        blocking_ = true;
    }
}

void Form2Widget::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    if (blocking_) {
        qApp->removeEventFilter(this);
        blocking_ = false;
    }
}

bool Form2Widget::eventFilter(QObject*, QEvent* e) {
    // No click or key reaches any window while the recovery runs.
    return isUserInput(e->type());
}

}  // namespace kestrune
