#pragma once

#include "platform/BoxCall.h"

#include <functional>
#include <string>

namespace platform {

// Shows a modal box with an OK button and returns when the user has closed it.
// Every box of the program goes through here, so tests can capture them.
void messageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                BoxKind kind = BoxKind::Question);

// Replaces the production box (tests record instead of waiting for a user);
// returns the previous handler. An empty handler restores the production box.
using BoxHandler = std::function<void(const BoxCall&)>;
BoxHandler setMessageBoxHandler(BoxHandler handler);

// Opens `url` in the user's browser; a failure is not reported.
void shellOpen(const std::string& url);
using ShellHandler = std::function<void(const std::string&)>;
ShellHandler setShellHandler(ShellHandler handler);

}  // namespace platform
