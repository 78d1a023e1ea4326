#pragma once

#include "platform/Autostart.h"
#include "platform/Controls.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kestrune {

// The tray menu's own items; its operations and Exit take the main window's
// captions and keyboard letters.
namespace tray {
inline constexpr const char* kShowItem = "Kestrune";
inline constexpr const char* kStartAtLoginItem = "Start Kestrune at login";
inline constexpr const char* kTrimIdleItem = "Trim Idle Applications";
inline constexpr char kShowKey = 'K';
inline constexpr char kStartAtLoginKey = 'l';
inline constexpr char kTrimIdleKey = 'T';
}  // namespace tray

// What the tray icon shows and offers. It follows the sample the monitor
// takes for the main window; its actions are the main window's handlers and
// are offered only while the matching button is enabled. Trays come and go
// (a panel often starts after the programs of a login): the icon is always
// there to dock, minimising goes to the tray only when one is there at that
// moment, and a tray that goes away gives back the window hidden in it.
class TrayLogic {
public:
    struct Actions {
        std::function<void()> restore;
        std::function<void()> recoverMemory;
        std::function<void()> scrubMemory;
        std::function<void()> exit;
        // Trims the idle applications in the background; empty where
        // trimming does not work, and then the menu does not offer it.
        std::function<void()> trimIdle = {};
        // No trim is in progress; empty: always.
        std::function<bool()> trimFree = {};
    };
    // `autostart` is where start at login is kept; without one the menu
    // does not offer it.
    TrayLogic(platform::Button& recover, platform::Button& scrub, Actions actions,
              const platform::Autostart* autostart = nullptr)
        : recover_(recover), scrub_(scrub), actions_(std::move(actions)), autostart_(autostart) {}

    // True when the load differs from what the icon shows (so it is redrawn
    // only then).
    bool setLoad(std::uint32_t load);
    std::uint32_t load() const { return load_; }
    // The icon appears only once it has a sample to show: a placeholder
    // "0%" would read as a real figure.
    bool sampled() const { return shown_; }
    std::string toolTip() const { return "Memory Load: " + std::to_string(load_) + "%"; }
    // The number drawn on the icon: the load, at most "99" so it stays legible.
    std::string badge() const { return std::to_string(load_ > 99 ? 99 : load_); }
    // The badge turns to its warning colour from this load up.
    static constexpr std::uint32_t kAlarmLoad = 90;
    bool alarming() const { return load_ >= kAlarmLoad; }

    bool recoverEnabled() const { return recover_.enabled(); }
    bool scrubEnabled() const { return scrub_.enabled(); }

    void activated() {
        inTray_ = false;
        actions_.restore();
    }
    // The window was minimised: true when it is to leave for the tray.
    bool minimised(bool trayPresent) {
        inTray_ = trayPresent;
        return inTray_;
    }
    // The tray's presence, looked at as each sample arrives, but only while
    // the window is in it: asking costs a round trip to the display.
    void trayPresence(const std::function<bool()>& present) {
        if (inTray_ && !present()) activated();
    }
    bool inTray() const { return inTray_; }
    void recoverMemory() {
        if (recover_.enabled()) actions_.recoverMemory();
    }
    void scrubMemory() {
        if (scrub_.enabled()) actions_.scrubMemory();
    }
    void exit() { actions_.exit(); }
    bool offersTrim() const { return static_cast<bool>(actions_.trimIdle); }
    bool trimEnabled() const { return offersTrim() && (!actions_.trimFree || actions_.trimFree()); }
    void trimIdle() {
        if (trimEnabled()) actions_.trimIdle();
    }

    bool offersStartAtLogin() const { return autostart_ != nullptr; }
    // Read from the system each time: the user may change it outside Kestrune.
    bool startsAtLogin() const { return autostart_ != nullptr && autostart_->enabled(); }
    // A failure is reported in a box and changes nothing.
    void setStartAtLogin(bool on);

private:
    platform::Button& recover_;
    platform::Button& scrub_;
    Actions actions_;
    const platform::Autostart* autostart_;
    std::uint32_t load_ = 0;
    bool shown_ = false;
    bool inTray_ = false;
};

}  // namespace kestrune
