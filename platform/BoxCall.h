#pragma once

// What a message box is asked to show, apart from messageBox() itself so that
// the shell back ends which show it need not see the handlers.
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

}  // namespace platform
