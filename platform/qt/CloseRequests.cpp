#include "platform/qt/CloseRequests.h"

#include "platform/qt/X11.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace platform {

using x11::internAtom;

// WM_DELETE_WINDOW arrives as a WM_PROTOCOLS client message; the filter sees
// it before Qt's own handling turns it away.
class BlockedCloseWatch::Filter final : public QAbstractNativeEventFilter {
public:
    Filter(QWidget* window, std::function<bool()> request, xcb_atom_t protocols, xcb_atom_t deleteWindow)
        : window_(window), request_(std::move(request)), protocols_(protocols), deleteWindow_(deleteWindow) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
        const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (m->format != 32 || m->type != protocols_ || m->data.data32[0] != deleteWindow_) return false;
        // Not blocked: Qt delivers the close itself.
        if (QGuiApplication::modalWindow() == nullptr) return false;
        const QWindow* handle = window_->windowHandle();
        if (handle == nullptr || m->window != handle->winId()) return false;
        return request_();
    }

private:
    QWidget* window_;
    std::function<bool()> request_;
    xcb_atom_t protocols_, deleteWindow_;
};

BlockedCloseWatch::BlockedCloseWatch(QWidget* window, std::function<bool()> request) {
    xcb_connection_t* c = x11::connection();
    if (c == nullptr) return;
    filter_ = std::make_unique<Filter>(window, std::move(request), internAtom(c, "WM_PROTOCOLS"),
                                       internAtom(c, "WM_DELETE_WINDOW"));
    QCoreApplication::instance()->installNativeEventFilter(filter_.get());
}

BlockedCloseWatch::~BlockedCloseWatch() {
    if (filter_ && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(filter_.get());
}

}  // namespace platform
