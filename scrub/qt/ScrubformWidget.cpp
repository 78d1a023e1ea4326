#include "scrub/qt/ScrubformWidget.h"

#include "platform/qt/Design.h"
#include "platform/qt/Modal.h"
#include "scrub/Updatethread.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace kestrune {
namespace {

namespace s = scrubform;
using platform::place;
using platform::px;

}  // namespace

void ScrubFormWidget::MapRepaint::repaintNow() { surface->repaint(platform::px(surface, s::kBevel1)); }

ScrubFormWidget::ScrubFormWidget(QWidget* owner, platform::MemorySource& memory, platform::Clock& clock,
                                 platform::UiDispatcher& ui, RandomSource& random)
    : QWidget(owner, Qt::Dialog), heap_(std::make_unique<platform::BudgetHeap>(memory)) {
    setObjectName(QStringLiteral("ScrubForm"));
    setWindowTitle(QString::fromUtf8(s::kCaption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    platform::setAccessibleRole(this, QAccessible::Dialog);
    auto* surface = new platform::DesignSurface(this, s::kClientWidth, s::kClientHeight);
    self_.setSurface(surface);
    QWidget* const client = surface->surface();
    self_.surface = client;
    // The map is drawn on the surface, inside the bevel; the refresh runs there.
    surface->onPaint = [this, client, surface](QPaintEvent*) {
        QPainter painter(client);
        painter.scale(surface->scale().ratio(), surface->scale().ratio());
        canvas_.begin(&painter);
        form_->FormPaint();
        canvas_.end();
    };

    auto* title = new QLabel(QString::fromUtf8(s::kTitle), client);
    title->setObjectName(QStringLiteral("Label1"));
    QFont verdana = title->font();
    verdana.setFamilies({QString::fromUtf8(s::kLabel1Face), QStringLiteral("DejaVu Sans")});
    verdana.setPixelSize(px(title, s::kLabel1FontPixels));
    title->setFont(verdana);
    place(title, {s::kLabel1.left, s::kLabel1.top, s::kLabel1ShownWidth, s::kLabel1.height});

    auto* bevel = new QFrame(client);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    // The map, to a screen reader: a picture whose description says what
    // its colours show.
    platform::setAccessibleRole(bevel, QAccessible::Graphic);
    bevel->setAccessibleName(QStringLiteral("Page-set map"));
    bevel->setFrameShape(QFrame::Box);
    bevel->setFrameShadow(QFrame::Sunken);
    place(bevel, s::kBevel1);

    memo_ = new QPlainTextEdit(client);
    memo_->setObjectName(QStringLiteral("TeMemo1"));
    memo_->setAccessibleName(QStringLiteral("Scrub log"));
    memo_->setReadOnly(true);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    place(memo_, s::kMemo1);

    button_ = new QPushButton(platform::mnemonic(s::kClose, s::kButtonKey), client);
    button_->setObjectName(QStringLiteral("TeButton1"));
    // The default button: Enter presses it (keyPressEvent, where the list has the keyboard).
    button_->setDefault(true);
    button_->setAutoDefault(true);
    place(button_, s::kButton1);
    setTabOrder(button_, memo_);

    lines_.emplace(memo_);
    mapDescription_.emplace(bevel);
    buttonAdapter_.emplace(button_, s::kButtonKey);
    TScrubForm::Services services{memory, clock, random,
                                  [this, &clock] { return std::make_unique<WorkerThread>(*heap_, clock); },
                                  [&ui, &clock](std::function<bool()> refresh) -> std::unique_ptr<platform::Thread> {
                                      return std::make_unique<UpdateThread>(ui, clock, std::move(refresh));
                                  }};
    form_.emplace(TScrubForm::Controls{.self = self_,
                                       .TeMemo1 = *lines_,
                                       .TeButton1 = *buttonAdapter_,
                                       .canvas = canvas_,
                                       .mapDescription = &*mapDescription_},
                  std::move(services));
    connect(button_, &QPushButton::clicked, this, [this] { form_->TeButton1Click(); });

    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

ScrubFormWidget::~ScrubFormWidget() {
    // Threads stop before the widgets they repaint go.
    if (form_) form_->FormClose();
}

void ScrubFormWidget::showModal() { platform::execModal(this); }

void ScrubFormWidget::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!e->spontaneous()) form_->FormShow();
}

void ScrubFormWidget::closeEvent(QCloseEvent* e) {
    form_->FormClose();
    e->accept();
}

void ScrubFormWidget::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Escape:
            form_->EscapePressed();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            button_->click();  // nothing while it is disabled
            break;
        default:
            QWidget::keyPressEvent(e);
            return;
    }
    e->accept();
}

}  // namespace kestrune
