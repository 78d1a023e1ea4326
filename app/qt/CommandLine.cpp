#include "app/qt/CommandLine.h"

namespace kestrune {

ToolkitOptions qtOptions() {
    static constexpr ToolkitOption kOptions[] = {
        {"platform", "name", "The window system plugin: xcb, wayland, offscreen, …"},
        {"platformpluginpath", "path", "Where to look for window system plugins."},
        {"platformtheme", "name", "The desktop's theme plugin (qt6ct, gtk3, …), for its font, style and colours."},
        {"plugin", "name", "An input plugin to load as well."},
        {"display", "display", "The X display to show the windows on."},
        {"style", "style", "The widget style: Fusion, Windows, or one installed on the desktop."},
        {"stylesheet", "file", "A Qt style sheet to draw the widgets with."},
        {"geometry", "geometry", "The first window's size and place, as WxH+X+Y."},
        {"qwindowgeometry", "geometry", "The same as -geometry."},
        {"qwindowicon", "file", "The windows' icon."},
        {"qwindowtitle", "title", "The first window's title."},
        {"session", "id", "The session to restore."},
        {"reverse", nullptr, "Lay the windows out from right to left."},
        {"widgetcount", nullptr, "Say at exit how many widgets were left undestroyed."},
        {"sync", nullptr, "Talk to the X server synchronously, for debugging."},
        {"nograb", nullptr, "Never grab the mouse or the keyboard."},
        {"dograb", nullptr, "Grab the mouse and keyboard even under a debugger."},
    };
    return {.helpAllWhat = "Displays help including Qt specific options.", .options = kOptions};
}

}  // namespace kestrune
