#pragma once

#include "app/TrayLogic.h"

#include <QObject>
#include <QPixmap>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace kestrune {

// The system tray icon, shown with the first sample. On X11 shown tray or
// none: Qt docks it whenever a tray appears; elsewhere shown once the system
// has a tray.
class KestruneTray final : public QObject {
public:
    explicit KestruneTray(TrayLogic logic);
    ~KestruneTray() override;

    static bool available();
    TrayLogic& logic() { return logic_; }
    // The monitor's sample arrives here, on the UI thread, once a second; the
    // tray's presence is looked at with it (Qt tells of no tray going away).
    void setLoad(std::uint32_t load);
    // The window was minimised: true when it is to hide in the tray.
    bool minimised() { return logic_.minimised(available()); }
    // The window closes: the icon goes, the object stays until the window's end.
    void hide();
    bool visible() const;
    QMenu& menu() { return *menu_; }
    QSystemTrayIcon* icon() { return icon_; }

private:
    void redraw();
    void showWhereDockable();

    TrayLogic logic_;
    std::unique_ptr<QMenu> menu_;
    QAction* recover_ = nullptr;
    QAction* scrub_ = nullptr;
    QAction* trim_ = nullptr;
    QAction* atLogin_ = nullptr;
    QSystemTrayIcon* icon_ = nullptr;
    bool hidden_ = false;  // for good: the window has closed
    QPixmap base_;         // the program's icon, decoded once: the load is drawn on a copy
};

}  // namespace kestrune
