#include "app/qt/KestruneTray.h"

#include "app/Memmainform.h"
#include "platform/qt/Controls.h"

#include <QAction>
#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace kestrune {

bool KestruneTray::available() { return QSystemTrayIcon::isSystemTrayAvailable(); }

KestruneTray::KestruneTray(TrayLogic logic) : logic_(std::move(logic)), menu_(std::make_unique<QMenu>()) {
    menu_->setObjectName(QStringLiteral("TrayMenu"));
    using platform::mnemonic;
    QAction* show = menu_->addAction(mnemonic(tray::kShowItem, tray::kShowKey));
    show->setObjectName(QStringLiteral("TrayShow"));
    menu_->addSeparator();
    recover_ = menu_->addAction(mnemonic(mainform::kRecoverCaption, mainform::kRecoverKey));
    recover_->setObjectName(QStringLiteral("TrayRecover"));
    scrub_ = menu_->addAction(mnemonic(mainform::kScrubCaption, mainform::kScrubKey));
    scrub_->setObjectName(QStringLiteral("TrayScrub"));
    if (logic_.offersTrim()) {
        trim_ = menu_->addAction(mnemonic(tray::kTrimIdleItem, tray::kTrimIdleKey));
        trim_->setObjectName(QStringLiteral("TrayTrimIdle"));
    }
    menu_->addSeparator();
    if (logic_.offersStartAtLogin()) {
        atLogin_ = menu_->addAction(mnemonic(tray::kStartAtLoginItem, tray::kStartAtLoginKey));
        atLogin_->setObjectName(QStringLiteral("TrayStartAtLogin"));
        atLogin_->setCheckable(true);
        menu_->addSeparator();
    }
    QAction* exit = menu_->addAction(mnemonic(mainform::kExitItem, mainform::kExitKey));
    exit->setObjectName(QStringLiteral("TrayExit"));

    // Disabled buttons mean disabled actions: looked up each time the menu opens.
    connect(menu_.get(), &QMenu::aboutToShow, this, [this] {
        recover_->setEnabled(logic_.recoverEnabled());
        scrub_->setEnabled(logic_.scrubEnabled());
        if (trim_ != nullptr) trim_->setEnabled(logic_.trimEnabled());
        if (atLogin_ != nullptr) atLogin_->setChecked(logic_.startsAtLogin());
    });
    // Queued: a choice runs once the menu has finished with its click, so an
    // operation or the close never runs inside the menu's own handler.
    connect(
        show, &QAction::triggered, this, [this] { logic_.activated(); }, Qt::QueuedConnection);
    connect(
        recover_, &QAction::triggered, this, [this] { logic_.recoverMemory(); }, Qt::QueuedConnection);
    connect(
        scrub_, &QAction::triggered, this, [this] { logic_.scrubMemory(); }, Qt::QueuedConnection);
    connect(
        exit, &QAction::triggered, this, [this] { logic_.exit(); }, Qt::QueuedConnection);
    if (trim_ != nullptr) {
        connect(
            trim_, &QAction::triggered, this, [this] { logic_.trimIdle(); }, Qt::QueuedConnection);
    }
    if (atLogin_ != nullptr) {
        connect(
            atLogin_, &QAction::triggered, this, [this](bool on) { logic_.setStartAtLogin(on); }, Qt::QueuedConnection);
    }

    base_ = QIcon(QStringLiteral(":/kestrune/kestrune-32.png")).pixmap(32, 32);
    if (base_.isNull()) {
        base_ = QPixmap(32, 32);
        base_.fill(QColor(0x22, 0x40, 0x7a));
    }
    icon_ = new QSystemTrayIcon(this);
    icon_->setContextMenu(menu_.get());
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
        if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick) logic_.activated();
    });
    redraw();
}

void KestruneTray::showWhereDockable() {
    // X11 docks the icon whenever a tray appears, so it is shown from the
    // start; elsewhere Qt's fallback is the X11 one, which only warns, so the
    // icon waits for a tray the system reports.
    // Either way, only with a sample to show (TrayLogic::sampled).
    if (!icon_->isVisible() && logic_.sampled() &&
        (QGuiApplication::platformName() == QLatin1String("xcb") || available()))
        icon_->show();
}

KestruneTray::~KestruneTray() { hide(); }

void KestruneTray::hide() {
    hidden_ = true;
    icon_->hide();
}

bool KestruneTray::visible() const { return icon_->isVisible(); }

void KestruneTray::setLoad(std::uint32_t load) {
    logic_.trayPresence(&KestruneTray::available);
    if (logic_.setLoad(load)) redraw();
    if (!hidden_) showWhereDockable();
}

void KestruneTray::redraw() {
    // The program's icon with the load drawn across it.
    QPixmap pixmap = base_.copy();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setBrush(QColor(0, 0, 0, 170));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(3, 9, 26, 16), 4, 4);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(14);
    p.setFont(f);
    p.setPen(logic_.alarming() ? QColor(255, 96, 96) : QColor(255, 225, 74));
    p.drawText(QRect(0, 8, 32, 18), Qt::AlignCenter, QString::fromStdString(logic_.badge()));
    p.end();
    icon_->setIcon(QIcon(pixmap));
    icon_->setToolTip(QString::fromStdString(logic_.toolTip()));
}

}  // namespace kestrune
