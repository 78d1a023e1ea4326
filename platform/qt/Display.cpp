#include "platform/qt/Display.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <xcb/xcb.h>

namespace platform {
namespace {

// Read before any thread of the program starts.
std::string_view env(const char* name) {
    const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe)
    return value == nullptr ? std::string_view{} : std::string_view{value};
}

xcb_connection_t* connectX(std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection) == 0) return connection;
        xcb_disconnect(connection);
        if (std::chrono::steady_clock::now() >= deadline) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace

DisplayNeed displayNeed(std::string_view qpaPlatform, std::string_view display, std::string_view waylandDisplay,
                        bool platformArgument) {
    if (platformArgument) return DisplayNeed::Toolkit;
    // "xcb:option" and "xcb;wayland" lists: only the first choice decides.
    const std::string_view first = qpaPlatform.substr(0, qpaPlatform.find_first_of(":;"));
    if (!first.empty() && first != "xcb") return DisplayNeed::Toolkit;
    if (first.empty() && !waylandDisplay.empty()) return DisplayNeed::Toolkit;
    return display.empty() ? DisplayNeed::Missing : DisplayNeed::X;
}

DisplayCheck::DisplayCheck(int argc, char** argv, std::chrono::milliseconds patience) {
    bool platformArgument = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) platformArgument = true;
    }
    const std::string_view display = env("DISPLAY");
    switch (displayNeed(env("QT_QPA_PLATFORM"), display, env("WAYLAND_DISPLAY"), platformArgument)) {
        case DisplayNeed::Toolkit:
            ready_ = true;
            return;
        case DisplayNeed::X:
            held_ = connectX(patience);
            ready_ = held_ != nullptr;
            if (!ready_) {
                std::fprintf(stderr, "Kestrune cannot connect to the X display %.*s.\n",
                             static_cast<int>(display.size()), display.data());
            }
            return;
        case DisplayNeed::Missing:
            std::fputs(
                "Kestrune needs a graphical session (X11 or Wayland); "
                "to run it on a virtual display: xvfb-run -a kestrune\n",
                stderr);
            return;
    }
}

DisplayCheck::~DisplayCheck() { release(); }

void DisplayCheck::release() {
    if (held_ != nullptr) xcb_disconnect(held_);
    held_ = nullptr;
}

}  // namespace platform
