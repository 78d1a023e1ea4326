#pragma once

#include "Tray.h"

#include <QObject>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace kestrune {

// The system tray icon, where the desktop has a tray; nothing otherwise.
class KestruneTray final : public QObject {
public:
    explicit KestruneTray(TrayLogic logic);
    ~KestruneTray() override;

    static bool available();
    TrayLogic& logic() { return logic_; }
    // The monitor's sample arrives here, on the UI thread.
    void setLoad(std::uint32_t load);
    bool visible() const;

private:
    void redraw();

    TrayLogic logic_;
    std::unique_ptr<QMenu> menu_;
    QAction* recover_ = nullptr;
    QAction* scrub_ = nullptr;
    QSystemTrayIcon* icon_ = nullptr;
};

}  // namespace kestrune
