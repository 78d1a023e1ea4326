#pragma once

#include "platform/Controls.h"

class QSystemTrayIcon;

namespace platform {

// Desktop notices through the freedesktop notification service on the
// session bus; where no such service runs, as a balloon from the tray icon
// while one is docked; otherwise dropped.
class QtNotifier final : public Notifier {
public:
    void setTrayIcon(QSystemTrayIcon* icon) { tray_ = icon; }
    void notify(const std::string& title, const std::string& text) override;

private:
    QSystemTrayIcon* tray_ = nullptr;
};

}  // namespace platform
