#pragma once

#include "platform/BoxCall.h"

#include <string>

namespace platform {

// What messageBox and shellOpen do when no test handler stands in.
class ShellBackend {
public:
    ShellBackend() = default;
    ShellBackend(const ShellBackend&) = delete;
    ShellBackend& operator=(const ShellBackend&) = delete;
    virtual ~ShellBackend() = default;

    // Returns when the user has closed the box.
    virtual void showBox(const BoxCall& call) = 0;
    // What comes of it is not reported.
    virtual void openUrl(const std::string& url) = 0;
};

// The system's own: the Windows shell; on Linux, where boxes need a window
// toolkit, the console.
ShellBackend& systemShell();

// A window toolkit's back end, installed at start-up in place of the
// system's and outliving every box; nullptr gives the system's back.
void setShellBackend(ShellBackend* backend);

}  // namespace platform
