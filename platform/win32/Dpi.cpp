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

int toDeviceAt(int dpi, int design) { return MulDiv(design, dpi, 96); }
int toDesignAt(int dpi, int device) { return MulDiv(device, 96, dpi); }

Rect toDeviceAt(int dpi, const Rect& d) {
    // Edges, not sizes, are scaled, so neighbours that touch still touch.
    const int left = toDeviceAt(dpi, d.left);
    const int top = toDeviceAt(dpi, d.top);
    return {left, top, toDeviceAt(dpi, d.left + d.width) - left, toDeviceAt(dpi, d.top + d.height) - top};
}

Rect toDesignAt(int dpi, const Rect& d) {
    const int left = toDesignAt(dpi, d.left);
    const int top = toDesignAt(dpi, d.top);
    return {left, top, toDesignAt(dpi, d.left + d.width) - left, toDesignAt(dpi, d.top + d.height) - top};
}

int toDevice(int design) { return toDeviceAt(screenDpi(), design); }
int toDesign(int device) { return toDesignAt(screenDpi(), device); }
Rect toDevice(const Rect& d) { return toDeviceAt(screenDpi(), d); }
Rect toDesign(const Rect& d) { return toDesignAt(screenDpi(), d); }

}  // namespace platform::win32
