#include "platform/qt/ActiveWindow.h"

#include "platform/qt/X11.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace platform {
namespace {

// One 32-bit value of `window`'s property `name` of type `type`.
std::optional<std::uint32_t> property32(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, 1), nullptr);
    if (reply == nullptr) return std::nullopt;
    std::optional<std::uint32_t> value;
    if (reply->type == type && reply->format == 32 && xcb_get_property_value_length(reply) >= 4) {
        std::uint32_t v = 0;
        std::memcpy(&v, xcb_get_property_value(reply), sizeof v);
        value = v;
    }
    std::free(reply);
    return value;
}

}  // namespace

long activeWindowPid() {
    xcb_connection_t* c = x11::connection();
    if (c == nullptr) return 0;
    // The atoms never change while the server runs: asked for once.
    static const xcb_atom_t active = x11::internAtom(c, "_NET_ACTIVE_WINDOW");
    static const xcb_atom_t pid = x11::internAtom(c, "_NET_WM_PID");
    if (active == XCB_ATOM_NONE || pid == XCB_ATOM_NONE) return 0;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (screen == nullptr) return 0;
    const std::optional<std::uint32_t> window = property32(c, screen->root, active, XCB_ATOM_WINDOW);
    if (!window || *window == XCB_WINDOW_NONE) return 0;
    const std::optional<std::uint32_t> owner = property32(c, *window, pid, XCB_ATOM_CARDINAL);
    return owner ? static_cast<long>(*owner) : 0;
}

}  // namespace platform
