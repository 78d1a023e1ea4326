#include "ShellBackend.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace platform::backend {

void showBox(const BoxCall& call) {
    QMessageBox box(call.kind == BoxKind::Error ? QMessageBox::Critical : QMessageBox::Question,
                    QString::fromStdString(call.caption), QString::fromStdString(call.text),
                    QMessageBox::Ok, call.owner);
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
}

void openUrl(const std::string& url) { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); }

}  // namespace platform::backend
