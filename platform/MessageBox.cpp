#include "MessageBox.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include <mutex>

namespace platform {
namespace {

std::mutex handlersMutex;
BoxHandler boxHandler;
ShellHandler shellHandler;

void showBox(const BoxCall& call) {
    QMessageBox box(call.kind == BoxKind::Error ? QMessageBox::Critical : QMessageBox::Question,
                    QString::fromStdString(call.caption), QString::fromStdString(call.text),
                    QMessageBox::Ok, call.owner);
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
}

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
    else showBox(call);
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
    else QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

ShellHandler setShellHandler(ShellHandler handler) {
    std::lock_guard lock(handlersMutex);
    std::swap(shellHandler, handler);
    return handler;
}

}  // namespace platform
