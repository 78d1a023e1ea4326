#include "platform/qt/UiDispatcher.h"

#include <QCoreApplication>
#include <QEvent>

namespace platform {
namespace {

const QEvent::Type kTaskEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class TaskEvent final : public QEvent {
public:
    explicit TaskEvent(std::function<void()> work) : QEvent(kTaskEvent), task(std::move(work)) {}
    std::function<void()> task;
};

}  // namespace

QtUiDispatcher::QtUiDispatcher() { setObjectName(QStringLiteral("uiDispatcher")); }

QtUiDispatcher::~QtUiDispatcher() {
    // Queued events are deleted with this object; their tasks count as dropped.
    QCoreApplication::removePostedEvents(this, kTaskEvent);
}

bool QtUiDispatcher::queue(std::function<void()> task) {
    if (QCoreApplication::instance() == nullptr) return false;
    QCoreApplication::postEvent(this, new TaskEvent(std::move(task)));
    return true;
}

bool QtUiDispatcher::event(QEvent* e) {
    if (e->type() != kTaskEvent) return QObject::event(e);
    auto task = std::move(static_cast<TaskEvent*>(e)->task);
    task();
    return true;
}

}  // namespace platform
