#include "platform/qt/ShellBackend.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace platform {

void QtShellBackend::showBox(const BoxCall& call) {
    QMessageBox box(call.kind == BoxKind::Error ? QMessageBox::Critical : QMessageBox::Question,
                    QString::fromStdString(call.caption), QString::fromStdString(call.text), QMessageBox::Ok,
                    call.owner);
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
}

void QtShellBackend::openUrl(const std::string& url) { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); }

}  // namespace platform
