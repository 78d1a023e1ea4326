#include "platform/qt/Notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QString>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QVariantMap>

namespace platform {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr int kShownMs = 10000;

}  // namespace

void QtNotifier::notify(const std::string& title, const std::string& text) {
    const QString summary = QString::fromStdString(title);
    const QString body = QString::fromStdString(text);
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = QString::fromLatin1(kService);
    if (bus.isConnected() && bus.interface() != nullptr && bus.interface()->isServiceRegistered(service)) {
        QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/Notifications"),
                                                           service, QStringLiteral("Notify"));
        call << QStringLiteral("Kestrune") << 0u << QStringLiteral("kestrune") << summary << body << QStringList()
             << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("kestrune")}} << kShownMs;
        // Sent without waiting: a slow notification daemon never holds up the window.
        if (bus.send(call)) return;
    }
    if (tray_ != nullptr && tray_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable() &&
        QSystemTrayIcon::supportsMessages())
        tray_->showMessage(summary, body, QSystemTrayIcon::Information, kShownMs);
}

}  // namespace platform
