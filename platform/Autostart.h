#pragma once

#include "platform/Result.h"

#include <string>

namespace platform {

// Starting the program when the user logs in. On Linux that is an entry in
// the user's XDG autostart folder ($XDG_CONFIG_HOME/autostart, else
// ~/.config/autostart), which desktops read at login; the entry's presence is
// the setting's only state, so a user who removes it by hand turns it off.
class Autostart {
public:
    // `executable` is the program the entry starts, with --minimized.
    explicit Autostart(std::string executable);

    const std::string& path() const { return path_; }
    // True when the entry is there and not switched off inside it (Hidden=true
    // or X-GNOME-Autostart-enabled=false, as desktops' own settings write).
    bool enabled() const;
    // Writes the entry whole (never half a file) or removes it; when that
    // fails, an error with a reason a user can read.
    Result<void> setEnabled(bool on) const;

    // The entry's Exec line for `executable`, quoted as desktop entries need.
    static std::string execLine(const std::string& executable);
    // The entry's TryExec value: the program's path, by which a desktop
    // tells whether it is still installed.
    static std::string tryExecValue(const std::string& executable);

private:
    std::string executable_;
    std::string path_;
};

}  // namespace platform
