#include "platform/qt/ShellBackend.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QUrl>

namespace platform {
namespace {

// Plain text as rich text, its lines kept and its web addresses links.
QString withLinks(const std::string& text) {
    QString html = QString::fromStdString(text).toHtmlEscaped();
    static const QRegularExpression address(QStringLiteral(R"((https?://[^\s<]+))"));
    html.replace(address, QStringLiteral(R"(<a href="\1">\1</a>)"));
    return html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
}

}  // namespace

void QtShellBackend::showBox(const BoxCall& call) {
    QMessageBox box(call.kind == BoxKind::Error ? QMessageBox::Critical : QMessageBox::Question,
                    QString::fromStdString(call.caption), QString::fromStdString(call.text), QMessageBox::Ok,
                    call.owner);
    box.setObjectName(QStringLiteral("messageBox"));
    if (call.kind == BoxKind::About) {
        box.setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
        box.setTextFormat(Qt::RichText);
        box.setText(withLinks(call.text));
        box.setTextInteractionFlags(Qt::TextBrowserInteraction);
    }
    // Qt leaves the box's icon and its row of buttons nameless: a screen
    // reader is told what the icon stands for, and whose buttons they are.
    if (auto* icon = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label")))
        icon->setAccessibleName(QString::fromUtf8(call.kind == BoxKind::Error   ? "Error"
                                                  : call.kind == BoxKind::About ? "Kestrune"
                                                                                : "Question"));
    if (auto* buttons = box.findChild<QDialogButtonBox*>())
        buttons->setAccessibleName(QString::fromStdString(call.caption));
    box.exec();
}

void QtShellBackend::openUrl(const std::string& url) { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); }

}  // namespace platform
