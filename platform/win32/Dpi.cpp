#include "platform/win32/Dpi.h"

namespace platform::win32 {

int screenDpi() {
    static const int dpi = [] {
        const HDC screen = GetDC(nullptr);
        const int read = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen != nullptr) ReleaseDC(nullptr, screen);
        return read > 0 ? read : 96;
    }();
    return dpi;
}

int toDevice(int design) { return MulDiv(design, screenDpi(), 96); }
int toDesign(int device) { return MulDiv(device, 96, screenDpi()); }

Rect toDevice(const Rect& d) {
    // Edges, not sizes, are scaled, so neighbours that touch still touch.
    const int left = toDevice(d.left);
    const int top = toDevice(d.top);
    return {left, top, toDevice(d.left + d.width) - left, toDevice(d.top + d.height) - top};
}

Rect toDesign(const Rect& d) {
    const int left = toDesign(d.left);
    const int top = toDesign(d.top);
    return {left, top, toDesign(d.left + d.width) - left, toDesign(d.top + d.height) - top};
}

}  // namespace platform::win32
