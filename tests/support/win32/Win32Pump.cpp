#include "support/win32/Win32Pump.h"

#include "platform/win32/Controls.h"

namespace testsupport {

void win32Pump() {
    // A bounded batch, as Qt's processEvents serves only what was there: a
    // thread on a fake clock posts its next call as soon as one is served.
    MSG msg{};
    for (int served = 0; served < 200 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++served) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool win32PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    while (!done()) {
        if (GetTickCount64() > until) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        win32Pump();
    }
    return true;
}

namespace {

struct Search {
    int id;
    HWND found;
};

BOOL CALLBACK match(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    if (GetDlgCtrlID(w) != s->id) return TRUE;
    s->found = w;
    return FALSE;
}

}  // namespace

HWND findControl(HWND window, int id) {
    Search s{id, nullptr};
    EnumChildWindows(window, &match, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::string textOf(HWND control) { return platform::win32::windowText(control); }

RECT placeOf(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void click(HWND window, int id) { SendMessageW(findControl(window, id), BM_CLICK, 0, 0); }

}  // namespace testsupport
