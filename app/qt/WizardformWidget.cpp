#include "app/qt/WizardformWidget.h"

#include "platform/qt/Accessible.h"
#include "platform/qt/Design.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMoveEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace kestrune {
namespace {

namespace w = wizard;
using platform::place;
using platform::px;

// A raised panel, read as a panel of the name it is given rather than as a
// nameless frame.
QFrame* panel(QWidget* parent, const char* name, const char* spoken, const platform::Rect& r) {
    auto* f = new QFrame(parent);
    f->setObjectName(QString::fromUtf8(name));
    platform::setAccessibleRole(f, QAccessible::Pane);
    f->setAccessibleName(QString::fromUtf8(spoken));
    f->setFrameShape(QFrame::StyledPanel);
    f->setFrameShadow(QFrame::Raised);
    place(f, r);
    return f;
}

QLabel* label(QWidget* parent, const char* name, const char* text, const platform::Rect& r) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromUtf8(name));
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(l, r);
    return l;
}

}  // namespace

WizardFormWidget::WizardFormWidget(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("WizardForm"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QString::fromUtf8(w::kCaption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Docked, it is as tall as the main window, taller or shorter than
    // designed: its body panel follows.
    auto* surface = new platform::DesignSurface(this, w::kClientWidth, w::kClientHeight,
                                                platform::DesignSurface::Height::Floored, 0);
    self_.setSurface(surface);
    QWidget* const client = surface->surface();

    QFrame* panel1 = panel(client, "TePanel1", w::kHeading, w::kPanel1);
    panel2_ = panel(client, "TePanel2", w::kCaption, w::kPanel2);
    QLabel* heading = label(panel1, "Label1", w::kHeading, w::kLabel1);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPixelSize(px(heading, w::kLabel1FontPixels));
    heading->setFont(bold);
    label(panel2_, "Label2", w::kIntro, w::kLabel2);
    // Made in the order they stand, which is the order a screen reader reads them in.
    label(panel2_, "Label3", w::kFreeing, w::kLabel3);
    label(panel2_, "Label9", w::kStatus, {w::kLabel9.left, w::kLabel9.top, w::kLabel9.width, w::kLabel9ShownHeight});

    done_ = new QPushButton(platform::mnemonic(w::kDone, w::kDoneKey), panel2_);
    done_->setObjectName(QStringLiteral("TeButton2"));
    place(done_, w::kButton2);
    checkBox_ = new QCheckBox(platform::mnemonic(w::kShowNextTime, w::kShowNextTimeKey), panel2_);
    checkBox_->setObjectName(QStringLiteral("TeCheckBox1"));
    checkBox_->setTristate(false);
    checkBox_->setChecked(true);
    place(checkBox_, w::kCheckBox1);

    box_.emplace(checkBox_);
    panelPlace_.emplace(panel2_);
    boxPlace_.emplace(checkBox_);
    donePlace_.emplace(done_);
    form_.emplace(TWizardForm::Controls{.self = self_,
                                        .TeCheckBox1 = *box_,
                                        .TePanel2 = *panelPlace_,
                                        .TeCheckBox1Place = *boxPlace_,
                                        .TeButton2 = *donePlace_});
    connect(done_, &QPushButton::clicked, this, [this] { form_->TeButton2Click(); });

    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

void WizardFormWidget::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!e->spontaneous()) form_->FormShow();
}

void WizardFormWidget::closeEvent(QCloseEvent* e) {
    // Closing only hides the window; its opener destroys it. A dialog's own
    // close handling (a call to reject()) is not wanted here.
    if (form_->FormCloseQuery())
        e->accept();
    else
        e->ignore();
}

void WizardFormWidget::moveEvent(QMoveEvent* e) {
    QDialog::moveEvent(e);
    // Framed by the window manager after it was docked, it is docked again
    // at its opener's next paint, with the frame it really has.
    if (e->spontaneous() && parentWidget() != nullptr) parentWidget()->update();
}

void WizardFormWidget::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    if (form_) form_->FormResize();
}

}  // namespace kestrune
