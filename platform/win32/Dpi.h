#pragma once

#include "platform/Controls.h"

#include <windows.h>

// The windows are laid out in design pixels, at 96 dots an inch. The program
// is system-DPI aware (its manifest says so): Windows does not stretch its
// bitmaps, and every figure is scaled here by the screen's DPI, read once.
namespace platform::win32 {

int screenDpi();
// Design pixels to the screen's, and back; rounded to the nearest.
int toDevice(int design);
int toDesign(int device);
Rect toDevice(const Rect& design);
Rect toDesign(const Rect& device);
// The same at `dpi` dots an inch: a window that had to shrink to fit the
// screen is drawn at less than the screen's (platform/win32/Form.h).
int toDeviceAt(int dpi, int design);
int toDesignAt(int dpi, int device);
Rect toDeviceAt(int dpi, const Rect& design);
Rect toDesignAt(int dpi, const Rect& device);

}  // namespace platform::win32
