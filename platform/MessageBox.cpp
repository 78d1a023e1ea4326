#include "platform/MessageBox.h"

#include "platform/ShellBackend.h"

#include <mutex>

namespace platform {
namespace {

std::mutex handlersMutex;
BoxHandler boxHandler;
ShellHandler shellHandler;
ShellBackend* toolkitShell = nullptr;

ShellBackend& shell() {
    std::lock_guard lock(handlersMutex);
    return toolkitShell != nullptr ? *toolkitShell : systemShell();
}

}  // namespace

void messageBox(WindowHandle owner, const std::string& text, const std::string& caption, BoxKind kind) {
    BoxHandler handler;
    {
        std::lock_guard lock(handlersMutex);
        handler = boxHandler;
    }
    const BoxCall call{owner, text, caption, kind};
    if (handler)
        handler(call);
    else
        shell().showBox(call);
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
    if (handler)
        handler(url);
    else
        shell().openUrl(url);
}

ShellHandler setShellHandler(ShellHandler handler) {
    std::lock_guard lock(handlersMutex);
    std::swap(shellHandler, handler);
    return handler;
}

void setShellBackend(ShellBackend* backend) {
    std::lock_guard lock(handlersMutex);
    toolkitShell = backend;
}

}  // namespace platform
