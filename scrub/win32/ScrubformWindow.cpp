#include "scrub/win32/ScrubformWindow.h"

#include "platform/win32/Dpi.h"
#include "scrub/Updatethread.h"

#include <commctrl.h>

#include <map>

namespace kestrune {
namespace {

namespace s = scrubform;
using namespace platform::win32;

RECT deviceRect(HWND window, const platform::Rect& design) {
    const platform::Rect r = toDevice(window, design);
    return {r.left, r.top, r.left + r.width, r.top + r.height};
}

// One for every scrub window of the process at a scale: a fresh window
// comes with each scrub.
HFONT titleFont(int dpi) {
    static std::map<int, HFONT> fonts;
    HFONT& font = fonts[dpi];
    if (font == nullptr) font = designFont(s::kLabel1Face, s::kLabel1FontPixels, false, dpi);
    return font;
}

}  // namespace

void ScrubFormWindow::MapRepaint::repaintNow() {
    RECT bevel = deviceRect(w_, s::kBevel1);
    if (const Form* form = Form::of(w_)) OffsetRect(&bevel, -form->scrollOffset().x, -form->scrollOffset().y);
    RedrawWindow(w_, &bevel, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

ScrubFormWindow::ScrubFormWindow(HWND owner, platform::MemorySource& memory, platform::Clock& clock,
                                 platform::UiDispatcher& ui, RandomSource& random)
    : heap_(std::make_unique<platform::BudgetHeap>(memory)) {
    // The map is painted by the window itself: its controls are left out of it.
    create(L"KestruneScrubForm", s::kCaption,
           WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0, owner, s::kClientWidth,
           s::kClientHeight);
    const HWND title =
        label(s::kTitle, s::id::kLabel1, {s::kLabel1.left, s::kLabel1.top, s::kLabel1ShownWidth, s::kLabel1.height});
    SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont(dpi())), FALSE);
    // The button before the memo: it comes first in the tab order. It is
    // the default button (Enter presses it), with a letter each caption has.
    const HWND button = this->button(platform::withMnemonic(s::kClose, s::kButtonKey), s::id::kTeButton1, s::kButton1,
                                     nullptr, BS_DEFPUSHBUTTON);
    const HWND memo = control(WC_EDITW, "", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
                              s::id::kTeMemo1, s::kMemo1, nullptr, WS_EX_CLIENTEDGE);

    self_.attach(hwnd());
    lines_ = Win32LineList(memo);
    button_ = Win32Button(button, s::kButtonKey);
    TScrubForm::Services services{memory, clock, random,
                                  [this, &clock] { return std::make_unique<WorkerThread>(*heap_, clock); },
                                  [&ui, &clock](std::function<bool()> refresh) -> std::unique_ptr<platform::Thread> {
                                      return std::make_unique<UpdateThread>(ui, clock, std::move(refresh));
                                  }};
    form_.emplace(TScrubForm::Controls{.self = self_, .TeMemo1 = lines_, .TeButton1 = button_, .canvas = canvas_},
                  std::move(services));

    centreOnScreen(hwnd());
}

ScrubFormWindow::~ScrubFormWindow() {
    // Threads stop before the controls they repaint go.
    if (form_) form_->FormClose();
}

void ScrubFormWindow::showModal() { runModal(hwnd()); }

void ScrubFormWindow::paint(HDC dc, const RECT& area) {
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    // Drawn where the window is scrolled to, when the screen has cut it.
    SetWindowOrgEx(dc, scrollOffset().x, scrollOffset().y, nullptr);
    RECT bevel = deviceRect(hwnd(), s::kBevel1);
    DrawEdge(dc, &bevel, BDR_SUNKENOUTER, BF_RECT);
    // The refresh changes the memo and the button, and the system may paint
    // the window again from inside that: the nested paint leaves the rules
    // alone, and one more refresh follows this one.
    if (painting_) {
        SetWindowOrgEx(dc, 0, 0, nullptr);
        paintAgain_ = true;
        return;
    }
    painting_ = true;
    canvas_.begin(dc, dpi());
    form_->FormPaint();
    canvas_.end();
    painting_ = false;
    SetWindowOrgEx(dc, 0, 0, nullptr);
    if (paintAgain_) {
        paintAgain_ = false;
        OffsetRect(&bevel, -scrollOffset().x, -scrollOffset().y);
        InvalidateRect(hwnd(), &bevel, FALSE);
    }
}

LRESULT ScrubFormWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SHOWWINDOW:
            // Shown by its opener, not brought back with a restored owner.
            if (wParam != FALSE && lParam == 0) form_->FormShow();
            break;
        case WM_CLOSE:
            // The button's close and the system menu's alike; the owner
            // destroys the window once the modal display returns.
            form_->FormClose();
            ShowWindow(hwnd(), SW_HIDE);
            return 0;
        case DM_GETDEFID:
            // Enter, wherever the keyboard is in the window, presses the button.
            return MAKELRESULT(s::id::kTeButton1, DC_HASDEFID);
        case WM_COMMAND:
            // Escape, through the dialog keys.
            if (LOWORD(wParam) == IDCANCEL && lParam == 0) {
                form_->EscapePressed();
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            return 1;  // the paint covers it all, in one step
        case WM_PAINT: {
            const BufferedPaint buffer(hwnd(), &buffer_);
            paint(buffer.dc(), buffer.area());
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT area{};
            GetClientRect(hwnd(), &area);
            paint(reinterpret_cast<HDC>(wParam), area);
            return 0;
        }
        case WM_CTLCOLORSTATIC:
            // The read-only memo keeps the look of one that can be written.
            if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == s::id::kTeMemo1) {
                const auto dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                SetBkColor(dc, GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
            }
            break;
        default:
            break;
    }
    return defaultHandling(message, wParam, lParam);
}

void ScrubFormWindow::command(int id, int code, HWND) {
    if (id == s::id::kTeButton1 && code == BN_CLICKED) form_->TeButton1Click();
}

}  // namespace kestrune
