#include "app/win32/WizardformWindow.h"

#include <commctrl.h>

#include <map>

namespace kestrune {
namespace {

namespace w = wizard;
using namespace platform::win32;

// The dialog face, bold, for the heading; one for every tutorial of the
// process at a scale.
HFONT headingFont(int dpi) {
    static std::map<int, HFONT> fonts;
    HFONT& font = fonts[dpi];
    if (font == nullptr) {
        LOGFONTW face{};
        GetObjectW(dialogFontAt(dpi), sizeof face, &face);
        font = designFont(platform::win32::utf8(face.lfFaceName).c_str(), w::kLabel1FontPixels, true, dpi);
    }
    return font;
}

// Raised: an outline in the shadow colour all round, so its edge shows on
// any face (a highlight alone vanishes on a near-white one), and inside it
// the light top and left and the shadowed bottom and right of a raised bevel.
void drawRaised(HWND panel, HDC dc, bool withBackground) {
    RECT r{};
    GetClientRect(panel, &r);
    if (withBackground) FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
    InflateRect(&r, -1, -1);
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
}

// A panel with a raised edge drawn inside its own rectangle, so its
// controls keep the places they were given.
LRESULT CALLBACK raisedPanel(HWND panel, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps{};
            const HDC dc = BeginPaint(panel, &ps);
            drawRaised(panel, dc, false);
            EndPaint(panel, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            drawRaised(panel, reinterpret_cast<HDC>(wParam), true);
            return 0;
        case WM_SIZE:
            // The edge moves with the size: what was drawn before goes.
            InvalidateRect(panel, nullptr, TRUE);
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(panel, &raisedPanel, id);
            break;
        default:
            break;
    }
    return DefSubclassProc(panel, message, wParam, lParam);
}

HWND raised(HWND panel) {
    SetWindowSubclass(panel, &raisedPanel, 0, 0);
    return panel;
}

}  // namespace

WizardFormWindow::WizardFormWindow(HWND owner) {
    create(L"KestruneWizardForm", w::kCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, owner,
           w::kClientWidth, w::kClientHeight);
    const HWND panel1 = raised(panel(w::id::kTePanel1, w::kPanel1));
    const HWND panel2 = raised(panel(w::id::kTePanel2, w::kPanel2));
    const HWND heading = label(w::kHeading, w::id::kLabel1, w::kLabel1, panel1);
    SendMessageW(heading, WM_SETFONT, reinterpret_cast<WPARAM>(headingFont(dpi())), FALSE);
    label(w::kIntro, w::id::kLabel2, w::kLabel2, panel2);
    label(w::kStatus, w::id::kLabel9, {w::kLabel9.left, w::kLabel9.top, w::kLabel9.width, w::kLabel9ShownHeight},
          panel2);
    label(w::kFreeing, w::id::kLabel3, w::kLabel3, panel2);
    const HWND done = button(platform::withMnemonic(w::kDone, w::kDoneKey), w::id::kTeButton2, w::kButton2, panel2);
    const HWND box = button(platform::withMnemonic(w::kShowNextTime, w::kShowNextTimeKey), w::id::kTeCheckBox1,
                            w::kCheckBox1, panel2, BS_AUTOCHECKBOX);
    SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);

    self_.attach(hwnd());
    box_ = Win32CheckBox(box);
    panelPlace_ = Win32Placement(panel2);
    boxPlace_ = Win32Placement(box);
    donePlace_ = Win32Placement(done);
    form_.emplace(TWizardForm::Controls{.self = self_,
                                        .TeCheckBox1 = box_,
                                        .TePanel2 = panelPlace_,
                                        .TeCheckBox1Place = boxPlace_,
                                        .TeButton2 = donePlace_});
    // The body follows the window's height from the start, as after any resize.
    form_->FormResize();

    centreOnScreen(hwnd());
}

LRESULT WizardFormWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SHOWWINDOW:
            // Shown by its opener, not brought back with a restored owner.
            if (wParam != FALSE && lParam == 0) form_->FormShow();
            break;
        case WM_CLOSE:
            if (form_->FormCloseQuery()) ShowWindow(hwnd(), SW_HIDE);
            return 0;
        case WM_SIZE:
            if (form_) form_->FormResize();
            break;
        case WM_COMMAND:
            // Escape, through the dialog keys, closes it as the close box does.
            if (LOWORD(wParam) == IDCANCEL && lParam == 0) {
                SendMessageW(hwnd(), WM_CLOSE, 0, 0);
                return 0;
            }
            break;
        default:
            break;
    }
    return defaultHandling(message, wParam, lParam);
}

void WizardFormWindow::command(int id, int code, HWND) {
    if (id == w::id::kTeButton2 && code == BN_CLICKED) form_->TeButton2Click();
}

}  // namespace kestrune
