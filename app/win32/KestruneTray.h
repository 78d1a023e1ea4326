#pragma once

#include "app/TrayLogic.h"
#include "platform/Controls.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <string>

namespace kestrune {

namespace tray::id {
inline constexpr UINT kIcon = 1;
inline constexpr UINT kCallback = WM_APP + 10;  // the icon's clicks, to its window
inline constexpr UINT kShow = 40101;            // the menu's items
inline constexpr UINT kRecover = 40102;
inline constexpr UINT kScrub = 40103;
inline constexpr UINT kStartAtLogin = 40104;
inline constexpr UINT kExit = 40105;
inline constexpr UINT kTrimIdle = 40106;
}  // namespace tray::id

// The notification-area icon with the load drawn on it, its menu, and the
// desktop notices shown as its balloons. Its window (the main window) passes
// on the messages meant for it. The icon comes with the first sample and is
// added again when Explorer restarts.
class KestruneTray final : public platform::Notifier {
public:
    KestruneTray(HWND window, TrayLogic logic);
    ~KestruneTray() override;
    KestruneTray(const KestruneTray&) = delete;
    KestruneTray& operator=(const KestruneTray&) = delete;

    // Is there a taskbar to dock in?
    static bool available();
    TrayLogic& logic() { return logic_; }
    // The monitor's sample, on the UI thread, once a second.
    void setLoad(std::uint32_t load);
    // The window was minimised: true when it is to hide in the tray.
    bool minimised() { return logic_.minimised(available()); }
    // The window closes: the icon goes.
    void hide();
    bool visible() const { return added_; }
    // True when `message` was the tray's: its clicks, its menu's choices,
    // Explorer's restart.
    bool handle(UINT message, WPARAM wParam, LPARAM lParam);
    void notify(const std::string& title, const std::string& text) override;
    // The menu as it would open now: each item's text and state, for tests.
    HMENU buildMenu() const;

private:
    void add();
    void redraw();
    void openMenu();
    void choose(UINT item);

    HWND window_;
    TrayLogic logic_;
    UINT taskbarCreated_;
    HICON base_ = nullptr;  // the program's icon, loaded once
    HFONT font_ = nullptr;  // the badge's, made once: realising a face is dear
    HICON shown_ = nullptr;
    bool added_ = false;
};

}  // namespace kestrune
