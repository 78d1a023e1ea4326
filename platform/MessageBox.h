#pragma once

#include <functional>
#include <string>

// The toolkit the views are built with, which the build names.
#if defined(KESTRUNE_TOOLKIT_WIN32)
struct HWND__;  // NOLINT(bugprone-reserved-identifier): the system headers name it so
#elif defined(KESTRUNE_TOOLKIT_QT)
class QWidget;
#else
#error "no toolkit: the build defines KESTRUNE_TOOLKIT_QT or KESTRUNE_TOOLKIT_WIN32"
#endif

namespace platform {

// The window that owns a box; empty for none: the native views' window
// handle, or the Qt widget.
#if defined(KESTRUNE_TOOLKIT_WIN32)
using WindowHandle = HWND__*;
#else
using WindowHandle = QWidget*;
#endif

enum class BoxKind {
    Question,  // question-mark icon and OK: every box the program itself raises
    Error,     // the application object's report of an escaped exception
    About,     // the program's own icon, its web address one a click opens
};

struct BoxCall {
    WindowHandle owner = nullptr;
    std::string text;
    std::string caption;
    BoxKind kind = BoxKind::Question;
};

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
