#pragma once

#include <chrono>
#include <string_view>

struct xcb_connection_t;

namespace platform {

// What start-up must make sure of before the window toolkit connects, which
// on failure aborts the process.
enum class DisplayNeed {
    Toolkit,  // another platform was chosen: its plugin must be there
    X,        // the X server of DISPLAY must accept a connection
    Wayland,  // the Wayland compositor of WAYLAND_DISPLAY, else X where DISPLAY names one
    Missing,  // no graphical session at all
};

// From the environment's QT_QPA_PLATFORM, DISPLAY and WAYLAND_DISPLAY (empty
// when unset) and the platform the command line names (empty for none).
DisplayNeed displayNeed(std::string_view qpaPlatform, std::string_view display, std::string_view waylandDisplay,
                        std::string_view platformArgument);

// Checks the graphical session before the toolkit is made; on failure says
// why on stderr. An Xvfb refuses connections for a moment while it resets
// after its last client has gone, so a refused connection is tried again
// for a few seconds, and the one that succeeds is held until release(): the
// toolkit's own connection then never meets the reset this check's leaving
// would start.
class DisplayCheck {
public:
    DisplayCheck(int argc, char** argv, std::chrono::milliseconds patience = std::chrono::seconds(3));
    ~DisplayCheck();
    DisplayCheck(const DisplayCheck&) = delete;
    DisplayCheck& operator=(const DisplayCheck&) = delete;

    bool ready() const { return ready_; }
    // Once the toolkit holds its own connection.
    void release();

private:
    xcb_connection_t* held_ = nullptr;
    bool ready_ = false;
};

}  // namespace platform
