#include "platform/qt/CloseRequests.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    if (reply == nullptr) return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

}  // namespace

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
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr) return;
    xcb_connection_t* c = x11->connection();
    filter_ = std::make_unique<Filter>(window, std::move(request), internAtom(c, "WM_PROTOCOLS"),
                                       internAtom(c, "WM_DELETE_WINDOW"));
    QCoreApplication::instance()->installNativeEventFilter(filter_.get());
}

BlockedCloseWatch::~BlockedCloseWatch() {
    if (filter_ && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(filter_.get());
}

}  // namespace platform
