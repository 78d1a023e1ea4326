#pragma once

#include <xcb/xcb.h>

// The X11 connection Qt holds, for what Qt itself does not ask the server.
namespace platform::x11 {

// Null where Qt does not run on X11 (Wayland, offscreen).
xcb_connection_t* connection();
// XCB_ATOM_NONE on failure.
xcb_atom_t internAtom(xcb_connection_t* c, const char* name);

}  // namespace platform::x11
