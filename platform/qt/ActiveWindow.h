#pragma once

// Which program the user is working in: the process that owns the window
// with the keyboard focus.
namespace platform {

// As the X11 window manager tells it (_NET_ACTIVE_WINDOW on the root window,
// then that window's _NET_WM_PID). 0 where nothing says: on Wayland, which
// keeps the focus to itself, without a window manager that tells, or for a
// window that does not name its process. UI thread only.
long activeWindowPid();

}  // namespace platform
