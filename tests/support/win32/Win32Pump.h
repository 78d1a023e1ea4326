#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace testsupport {

// Serves the thread's messages until `done` holds or `timeoutMs` has passed.
bool win32PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
// Serves the messages waiting, at most a batch of them.
void win32Pump();
// A control anywhere inside `window`, by its control ID.
HWND findControl(HWND window, int id);
std::string textOf(HWND control);
// A control's rectangle within its parent, in the parent's client pixels.
RECT placeOf(HWND control);
// Clicks a button as the user would: BM_CLICK, answered before it returns.
void click(HWND window, int id);

}  // namespace testsupport
