#include "MessageBox.h"

#include "ShellBackend.h"

#include <mutex>

namespace platform {
namespace {

std::mutex handlersMutex;
BoxHandler boxHandler;
ShellHandler shellHandler;

}  // namespace

void messageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                BoxKind kind) {
    BoxHandler handler;
    {
        std::lock_guard lock(handlersMutex);
        handler = boxHandler;
    }
    const BoxCall call{owner, text, caption, kind};
    if (handler) handler(call);
    else backend::showBox(call);
}

BoxHandler setMessageBoxHandler(BoxHandler handler) {
    std::lock_guard lock(handlersMutex);
    std::swap(boxHandler, handler);
    return handler;
}

void shellOpen(const std::string& url) {
    ShellHandler handler;
    {
        std::lock_guard lock(handlersMutex);
        handler = shellHandler;
    }
    if (handler) handler(url);
    else backend::openUrl(url);
}

ShellHandler setShellHandler(ShellHandler handler) {
    std::lock_guard lock(handlersMutex);
    std::swap(shellHandler, handler);
    return handler;
}

}  // namespace platform
