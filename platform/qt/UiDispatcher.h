#pragma once

#include "platform/UiSync.h"

#include <QObject>
#include <QThread>

namespace platform {

// Runs dispatched tasks on the thread that created it (the UI thread), through
// its event loop. Tasks still queued when it is destroyed are dropped.
class QtUiDispatcher final : public QObject, public UiDispatcher {
public:
    QtUiDispatcher();
    ~QtUiDispatcher() override;

    bool onUiThread() const override { return QThread::currentThread() == thread(); }

protected:
    bool queue(std::function<void()> task) override;
    bool event(QEvent* e) override;
};

}  // namespace platform
