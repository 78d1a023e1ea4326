#include "recovery/win32/WaitformWindow.h"

#include "platform/win32/Dpi.h"

#include <commctrl.h>

namespace kestrune {
namespace {

namespace w = waitform;
using namespace platform::win32;

bool isUserInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

}  // namespace

void Form2Window::Redraw::repaintNow() {
    Win32Window::repaintNow();
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // For the loop that runs once the recovery is over.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (isUserInput(msg.message)) continue;  // no click or key reaches any window meanwhile
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

Form2Window::Form2Window(HWND owner) {
    // A caption but no close box: the window cannot be closed by the user.
    create(L"KestruneForm2", w::kCaption, WS_POPUP | WS_CAPTION, WS_EX_TOPMOST | WS_EX_DLGMODALFRAME, owner,
           w::kClientWidth, w::kClientHeight);
    const HWND step =
        label(w::kDesignStep, w::id::kTeLabel1,
              {w::kLabel1.left - 8, w::kLabel1.top, w::kLabel1.width + 16, w::kLabel1.height + 2}, nullptr, SS_CENTER);
    const HWND bar = progressBar("", w::id::kTeProgressBar1, w::kBar1);
    const HWND counter = label(w::kDesignCounter, w::id::kTeLabel2,
                               {w::kLabel2.left, w::kLabel2.top, w::kLabel2.width + 12, w::kLabel2.height + 2});
    self_.attach(hwnd());
    l1_ = Win32StaticText(step);
    l2_ = Win32StaticText(counter);
    b1_ = Win32ProgressBar(bar);
    form_.emplace(TForm2::Controls{.self = self_, .TeLabel1 = l1_, .TeProgressBar1 = b1_, .TeLabel2 = l2_});

    centreOnScreen(hwnd());
}

LRESULT Form2Window::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            // Alt+F4 and the window manager's close: the window's rule decides.
            if (form_ && form_->FormCloseQuery()) ShowWindow(hwnd(), SW_HIDE);
            return 0;
        default:
            return defaultHandling(message, wParam, lParam);
    }
}

}  // namespace kestrune
