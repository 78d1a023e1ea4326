#pragma once

#include <functional>
#include <memory>

class QWidget;

namespace platform {

// Qt drops the window manager's close of a window that a modal window blocks
// (a message box, the scrub window): it raises the modal one instead, and the
// window's own close handling never hears of it. While it lives, this object
// hands such a request for `window` to `request` first: true takes it, false
// leaves it to Qt. It does nothing where the window system is not X11.
class BlockedCloseWatch {
public:
    BlockedCloseWatch(QWidget* window, std::function<bool()> request);
    ~BlockedCloseWatch();
    BlockedCloseWatch(const BlockedCloseWatch&) = delete;
    BlockedCloseWatch& operator=(const BlockedCloseWatch&) = delete;

private:
    class Filter;
    std::unique_ptr<Filter> filter_;
};

}  // namespace platform
