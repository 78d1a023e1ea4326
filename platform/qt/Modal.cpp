#include "platform/qt/Modal.h"

#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

namespace platform {
namespace {

class HideWatcher final : public QObject {
public:
    HideWatcher(QWidget* w, QEventLoop& loop) : loop_(loop) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Hide) loop_.quit();
        return false;
    }

private:
    QEventLoop& loop_;
};

}  // namespace

void execModal(QWidget* window) {
    QPointer<QWidget> guard(window);
    window->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    HideWatcher watcher(window, loop);
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->show();
    if (window->isVisible()) loop.exec(QEventLoop::DialogExec);
    if (guard) guard->removeEventFilter(&watcher);
}

}  // namespace platform
