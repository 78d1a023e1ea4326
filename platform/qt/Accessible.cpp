#include "platform/qt/Accessible.h"

#include <QAbstractScrollArea>
#include <QAccessibleWidget>
#include <QVariant>
#include <QWidget>

namespace platform {
namespace {

constexpr const char* kRoleProperty = "kestruneAccessibleRole";

// Asked first for every object (the last factory installed is), at the most
// derived class: a widget given a role gets it; any other is left to Qt.
QAccessibleInterface* withGivenRole(const QString&, QObject* object) {
    auto* w = qobject_cast<QWidget*>(object);
    if (w == nullptr) return nullptr;
    const QVariant role = w->property(kRoleProperty);
    if (!role.isValid()) return nullptr;
    return new QAccessibleWidget(w, static_cast<QAccessible::Role>(role.toInt()));
}

}  // namespace

void setAccessibleRole(QWidget* w, QAccessible::Role role) {
    QAccessible::installFactory(&withGivenRole);  // once: a second install is ignored
    w->setProperty(kRoleProperty, static_cast<int>(role));
}

void nameScrollAreaParts(QAbstractScrollArea* area) {
    if (!area->accessibleName().isEmpty()) {
        setAccessibleRole(area->viewport(), QAccessible::Pane);
        area->viewport()->setAccessibleName(area->accessibleName());
    }
    for (QWidget* holder : area->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QString kind = holder->objectName();
        const char* name = kind == QLatin1String("qt_scrollarea_vcontainer")   ? "Vertical scroll bar"
                           : kind == QLatin1String("qt_scrollarea_hcontainer") ? "Horizontal scroll bar"
                                                                               : nullptr;
        if (name == nullptr) continue;
        setAccessibleRole(holder, QAccessible::Pane);
        holder->setAccessibleName(QString::fromUtf8(name));
    }
}

void QtDescription::setText(const std::string& text) {
    const QString t = QString::fromStdString(text);
    // Told only when it changes: each change is an event for a screen reader.
    if (t != w_->accessibleDescription()) w_->setAccessibleDescription(t);
}

std::string QtDescription::text() const { return w_->accessibleDescription().toStdString(); }

}  // namespace platform
