#include "platform/win32/Form.h"

#include "platform/DesignScale.h"
#include "platform/MessageBox.h"
#include "platform/win32/Dpi.h"
#include "platform/windows/Text.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <vector>

namespace platform::win32 {
namespace {

constexpr const wchar_t* kPanelClass = L"KestrunePanel";

std::string& title() {
    static std::string t = "Kestrune";
    return t;
}

void reportEscaped(const char* message) {
    try {
        showException(message);
    } catch (...) {
        // Even the box could not be made (memory ran out): the loop goes on.
        std::fputs(message, stderr);
        std::fputc('\n', stderr);
    }
}

HWND topLevel(HWND w) { return w != nullptr ? GetAncestor(w, GA_ROOT) : nullptr; }

// A modal run's window is about to hide: the windows the run disabled come back.
void modalWindowHiding(HWND window);

// Asks a Form's window to give the control in wParam the keyboard.
UINT giveFocusMessage() {
    static const UINT message = RegisterWindowMessageW(L"KestruneGiveFocus");
    return message;
}

}  // namespace

void guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        reportEscaped(e.what());
    } catch (...) {
        reportEscaped("Unknown error");
    }
}

void setApplicationTitle(const std::string& t) { title() = t; }
const std::string& applicationTitle() { return title(); }

void showException(const std::string& message) {
    messageBox(GetActiveWindow(), message, applicationTitle(), BoxKind::Error);
}

HFONT dialogFont() { return dialogFontAt(screenDpi()); }

HFONT dialogFontAt(int dpi) {
    static std::map<int, HFONT> fonts;
    HFONT& font = fonts[dpi];
    if (font == nullptr) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        LOGFONTW face{};
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) != 0)
            face = metrics.lfMessageFont;
        else
            lstrcpynW(face.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE);
        face.lfHeight = -MulDiv(8, dpi, 72);
        face.lfWidth = 0;
        face.lfWeight = FW_NORMAL;
        face.lfItalic = FALSE;
        font = CreateFontIndirectW(&face);
    }
    return font;
}

HFONT dialogFontOfHeight(int height, HFONT largest) {
    static std::map<int, HFONT> fonts;
    LOGFONTW face{};
    GetObjectW(largest, sizeof face, &face);
    if (height >= -face.lfHeight) return largest;
    HFONT& font = fonts[height];
    if (font == nullptr) {
        face.lfHeight = -height;
        font = CreateFontIndirectW(&face);
    }
    return font != nullptr ? font : largest;
}

HFONT designFont(const char* faceName, int pixels, bool bold, int dpi) {
    LOGFONTW face{};
    face.lfHeight = -toDeviceAt(dpi, pixels);
    face.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    face.lfCharSet = DEFAULT_CHARSET;
    face.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(face.lfFaceName, windows::wide(faceName).c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&face);
}

Form::~Form() {
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void Form::create(const wchar_t* className, const char* caption, DWORD style, DWORD exStyle, HWND owner,
                  int clientWidth, int clientHeight) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    if (GetClassInfoExW(instance, className, &cls) == 0) {
        cls = {};
        cls.cbSize = sizeof cls;
        cls.style = CS_DBLCLKS;
        cls.lpfnWndProc = &Form::windowProc;
        cls.hInstance = instance;
        cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
        cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        cls.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        cls.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
        cls.lpszClassName = className;
        RegisterClassExW(&cls);
    }
    registerPanelClass();
    dpi_ = fittingDpi(style, exStyle, clientWidth, clientHeight);
    layout_ = {toDeviceAt(dpi_, clientWidth), toDeviceAt(dpi_, clientHeight)};
    RECT r{0, 0, layout_.cx, layout_.cy};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    hwnd_ =
        CreateWindowExW(exStyle | WS_EX_CONTROLPARENT, className, windows::wide(caption).c_str(), style, CW_USEDEFAULT,
                        CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, owner, nullptr, instance, this);
}

HWND Form::control(const wchar_t* cls, const std::string& text, DWORD style, int id, const Rect& design, HWND parent,
                   DWORD exStyle) {
    const Rect r = toDeviceAt(dpi_, design);
    const HWND w =
        CreateWindowExW(exStyle, cls, windows::wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                        r.width, r.height, parent != nullptr ? parent : hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (w != nullptr) SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFontAt(dpi_)), FALSE);
    return w;
}

HWND Form::panel(int id, const Rect& design, const char* title, HWND parent) {
    const HWND p = control(kPanelClass, "", WS_CLIPSIBLINGS, id, design, parent, WS_EX_CONTROLPARENT);
    if (title != nullptr) {
        // Beneath everything the panel will hold, so its frame never paints
        // over them.
        const HWND frame = control(WC_BUTTONW, title, BS_GROUPBOX, -1, {0, 0, design.width, design.height}, p);
        SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return p;
}

HWND Form::label(const std::string& text, int id, const Rect& design, HWND parent, DWORD style) {
    return control(WC_STATICW, text, style | SS_NOPREFIX, id, design, parent);
}

HWND Form::button(const std::string& text, int id, const Rect& design, HWND parent, DWORD style) {
    return control(WC_BUTTONW, text, style | WS_TABSTOP, id, design, parent);
}

HWND Form::progressBar(const std::string& name, int id, const Rect& design, HWND parent) {
    const HWND bar = control(PROGRESS_CLASSW, name, 0, id, design, parent);
    SetWindowTheme(bar, L" ", L" ");  // a blank name: no style at all
    // Unstyled it takes a thin sunken edge: its frame is worked out again.
    SetWindowPos(bar, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    return bar;
}

LRESULT Form::handle(UINT message, WPARAM wParam, LPARAM lParam) { return defaultHandling(message, wParam, lParam); }

void Form::command(int, int, HWND) {}

LRESULT Form::notify(const NMHDR&) { return 0; }

Form* Form::of(HWND window) {
    wchar_t name[64] = {};
    if (window == nullptr || GetClassNameW(window, name, static_cast<int>(std::size(name))) == 0) return nullptr;
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &cls) == 0 || cls.lpfnWndProc != &Form::windowProc)
        return nullptr;
    return reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

namespace {

RECT workAreaOf(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info) != 0) return info.rcWork;
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

}  // namespace

int Form::fittingDpi(DWORD style, DWORD exStyle, int clientWidth, int clientHeight) const {
    // The frame the window will have, and the work area of the primary
    // monitor, where it is first shown.
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const auto fullArea = [] {
        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        return work;
    }();
    const Rect area{fullArea.left, fullArea.top, fullArea.right - fullArea.left, fullArea.bottom - fullArea.top};
    if (area.width <= 0 || area.height <= 0) return screenDpi();
    const DesignScale scale = fittingScale(DesignScale(screenDpi() / 96.0, 1.0), clientWidth, clientHeight,
                                           frame.right - frame.left, frame.bottom - frame.top, area);
    // Whole dots an inch, rounded down, so that it still fits.
    return std::min(screenDpi(), std::max(96, static_cast<int>(scale.ratio() * 96)));
}

int dpiOf(HWND window) {
    const Form* form = Form::of(topLevel(window));
    return form != nullptr ? form->dpi() : screenDpi();
}

int toDevice(HWND window, int design) { return toDeviceAt(dpiOf(window), design); }
Rect toDevice(HWND window, const Rect& design) { return toDeviceAt(dpiOf(window), design); }
int toDesign(HWND window, int device) { return toDesignAt(dpiOf(window), device); }
Rect toDesign(HWND window, const Rect& device) { return toDesignAt(dpiOf(window), device); }

void Form::fitToScreen() {
    const bool wasCut = scrolls();
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
    const auto oldStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
    DWORD style = oldStyle & ~static_cast<DWORD>(WS_HSCROLL | WS_VSCROLL);
    RECT want{0, 0, layout_.cx, layout_.cy};
    AdjustWindowRectEx(&want, style, GetMenu(hwnd_) != nullptr, exStyle);
    const RECT work = workAreaOf(hwnd_);
    const Rect area{work.left, work.top, work.right - work.left, work.bottom - work.top};
    const Fit fit = fitWithin(want.right - want.left, want.bottom - want.top, area, GetSystemMetrics(SM_CXVSCROLL));
    scrollsAcross_ = fit.scrollsAcross;
    scrollsDown_ = fit.scrollsDown;
    if (!wasCut && !scrolls()) return;  // fits as laid out: nothing to do

    if (scrollsAcross_) style |= WS_HSCROLL;
    if (scrollsDown_) style |= WS_VSCROLL;
    if (style != oldStyle) SetWindowLongPtrW(hwnd_, GWL_STYLE, static_cast<LONG_PTR>(style));
    RECT now{};
    GetWindowRect(hwnd_, &now);
    const Rect placed = placeWithin({now.left, now.top, fit.width, fit.height}, area, fit);
    SetWindowPos(hwnd_, nullptr, placed.left, placed.top, placed.width, placed.height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    // Back to the start, then the bars' ranges for what is now shown.
    scrollTo(SB_HORZ, 0);
    scrollTo(SB_VERT, 0);
    RECT client{};
    GetClientRect(hwnd_, &client);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMax = layout_.cx - 1;
    info.nPage = static_cast<UINT>(client.right);
    if (scrollsAcross_) SetScrollInfo(hwnd_, SB_HORZ, &info, TRUE);
    info.nMax = layout_.cy - 1;
    info.nPage = static_cast<UINT>(client.bottom);
    if (scrollsDown_) SetScrollInfo(hwnd_, SB_VERT, &info, TRUE);
}

void Form::limitToWorkArea(MINMAXINFO& limits) const {
    const RECT work = workAreaOf(hwnd_);
    const LONG width = work.right - work.left;
    const LONG height = work.bottom - work.top;
    limits.ptMinTrackSize.x = std::min(limits.ptMinTrackSize.x, width);
    limits.ptMinTrackSize.y = std::min(limits.ptMinTrackSize.y, height);
    // Room for a vertical scroll bar beside a fixed width.
    if (scrollsDown_) limits.ptMaxTrackSize.x += GetSystemMetrics(SM_CXVSCROLL);
    limits.ptMaxTrackSize.x = std::min(limits.ptMaxTrackSize.x, width);
}

void Form::scrollTo(int bar, int position) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const LONG extent = bar == SB_HORZ ? layout_.cx - client.right : layout_.cy - client.bottom;
    const LONG to = std::max<LONG>(0, std::min<LONG>(position, std::max<LONG>(0, extent)));
    LONG& now = bar == SB_HORZ ? scroll_.x : scroll_.y;
    if (to == now) return;
    const LONG by = now - to;
    now = to;
    ScrollWindowEx(hwnd_, bar == SB_HORZ ? by : 0, bar == SB_VERT ? by : 0, nullptr, nullptr, nullptr, nullptr,
                   SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    SetScrollPos(hwnd_, bar, to, TRUE);
}

LRESULT Form::defaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == giveFocusMessage()) {
        const auto control = reinterpret_cast<HWND>(wParam);
        const auto onlyFrom = reinterpret_cast<HWND>(lParam);
        if (GetActiveWindow() == hwnd_) {
            if (onlyFrom == nullptr || GetFocus() == onlyFrom) SetFocus(control);
        } else if (onlyFrom == nullptr || focus_ == onlyFrom) {
            focus_ = control;  // WM_ACTIVATE hands it on
        }
        return 1;
    }
    switch (message) {
        case WM_HSCROLL:
        case WM_VSCROLL: {
            // The window's own bars only; a control's come with its handle.
            if (lParam != 0 || !scrolls()) break;
            const int bar = message == WM_HSCROLL ? SB_HORZ : SB_VERT;
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_ALL;
            GetScrollInfo(hwnd_, bar, &info);
            const int line = toDeviceAt(dpi_, 16);
            int to = info.nPos;
            switch (LOWORD(wParam)) {
                case SB_LINEUP:
                    to -= line;
                    break;
                case SB_LINEDOWN:
                    to += line;
                    break;
                case SB_PAGEUP:
                    to -= static_cast<int>(info.nPage);
                    break;
                case SB_PAGEDOWN:
                    to += static_cast<int>(info.nPage);
                    break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION:
                    to = info.nTrackPos;
                    break;
                case SB_TOP:
                    to = 0;
                    break;
                case SB_BOTTOM:
                    to = info.nMax;
                    break;
                default:
                    break;
            }
            scrollTo(bar, to);
            return 0;
        }
        case WM_MOUSEWHEEL:
            if (!scrollsDown_) break;
            scrollTo(SB_VERT, scroll_.y - GET_WHEEL_DELTA_WPARAM(wParam) * toDeviceAt(dpi_, 48) / WHEEL_DELTA);
            return 0;
        case WM_COMMAND:
            if (lParam != 0) {
                command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
                return 0;
            }
            if (LOWORD(wParam) == IDOK && HIWORD(wParam) == 0) {
                // Enter, through the dialog keys, where no button is the
                // window's default: a dialog would have made the push button
                // with the keyboard its default, so that one is pressed.
                const HWND focus = GetFocus();
                if (focus != nullptr && IsChild(hwnd_, focus) && IsWindowEnabled(focus) &&
                    (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON) != 0)
                    SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
                                 reinterpret_cast<LPARAM>(focus));
                return 0;
            }
            break;
        case WM_NOTIFY:
            return notify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_NEXTDLGCTL: {
            // The dialog keys send it for a label's keyboard letter: the
            // label, then the next control. Handled as a dialog does, so the
            // letter takes the keyboard to the control the label names.
            HWND to = reinterpret_cast<HWND>(wParam);
            if (LOWORD(lParam) == 0) {
                const HWND from = GetFocus();
                to = GetNextDlgTabItem(hwnd_, from != nullptr && IsChild(hwnd_, from) ? from : nullptr, wParam != 0);
            }
            if (to != nullptr && IsChild(hwnd_, to)) {
                if ((SendMessageW(to, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) SendMessageW(to, EM_SETSEL, 0, -1);
                SetFocus(to);
            }
            return 0;
        }
        case WM_ACTIVATE:
            // The keyboard comes back to the control that had it, or goes to
            // the first one, as a dialog's would.
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus != nullptr && IsChild(hwnd_, focus)) focus_ = focus;
            } else if (HIWORD(wParam) == 0) {
                HWND to = focus_ != nullptr && IsWindow(focus_) && IsChild(hwnd_, focus_) ? focus_ : nullptr;
                if (to == nullptr || !IsWindowVisible(to) || !IsWindowEnabled(to))
                    to = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
                if (to != nullptr) SetFocus(to);
                return 0;
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Form::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_WINDOWPOSCHANGING && (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_HIDEWINDOW) != 0)
        modalWindowHiding(window);
    LRESULT result = 0;
    bool handled = false;
    guarded([&] {
        result = self->handle(message, wParam, lParam);
        handled = true;
        // Shown, and placed by its own show handling: kept on the screen.
        if (message == WM_SHOWWINDOW && wParam != FALSE && self->hwnd_ != nullptr) self->fitToScreen();
    });
    return handled ? result : DefWindowProcW(window, message, wParam, lParam);
}

void Form::registerPanelClass() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW cls{};
    if (GetClassInfoW(instance, kPanelClass, &cls) != 0) return;
    cls.lpfnWndProc = &Form::panelProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = kPanelClass;
    RegisterClassW(&cls);
}

LRESULT CALLBACK Form::panelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        // Its controls talk to the window that owns the rules.
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_DRAWITEM:
            return SendMessageW(GetParent(window), message, wParam, lParam);
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

// --- Win32Window

Rect Win32Window::frame() const {
    RECT r{};
    GetWindowRect(w_, &r);
    return toDesign(Rect{r.left, r.top, r.right - r.left, r.bottom - r.top});
}

void Win32Window::moveTo(int left, int top) {
    SetWindowPos(w_, nullptr, toDevice(left), toDevice(top), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::setFrameHeight(int height) {
    RECT r{};
    GetWindowRect(w_, &r);
    SetWindowPos(w_, nullptr, 0, 0, r.right - r.left, toDevice(height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A window cut to the screen scrolls over its whole client area as laid out:
// that is its client area to the logic.
int Win32Window::clientWidth() const {
    const Form* form = Form::of(w_);
    if (form != nullptr && form->scrolls()) return toDesign(w_, form->layoutSize().cx);
    RECT r{};
    GetClientRect(w_, &r);
    return toDesign(w_, r.right);
}

int Win32Window::clientHeight() const {
    const Form* form = Form::of(w_);
    if (form != nullptr && form->scrolls()) return toDesign(w_, form->layoutSize().cy);
    RECT r{};
    GetClientRect(w_, &r);
    return toDesign(w_, r.bottom);
}

void Win32Window::setClientSize(int width, int height) {
    if (Form* form = Form::of(w_)) {
        form->setLayoutSize({toDevice(w_, width), toDevice(w_, height)});
        if (form->scrolls()) {
            form->fitToScreen();
            return;
        }
    }
    RECT r{0, 0, toDevice(w_, width), toDevice(w_, height)};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(w_, GWL_STYLE)), GetMenu(w_) != nullptr,
                       static_cast<DWORD>(GetWindowLongPtrW(w_, GWL_EXSTYLE)));
    SetWindowPos(w_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Win32Window::visible() const { return IsWindowVisible(w_) != FALSE; }
void Win32Window::show() { ShowWindow(w_, SW_SHOW); }
void Win32Window::hide() { ShowWindow(w_, SW_HIDE); }
void Win32Window::close() { SendMessageW(w_, WM_CLOSE, 0, 0); }

void Win32Window::repaintNow() { RedrawWindow(w_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN); }

int Win32Window::screenWidth() const { return toDesign(GetSystemMetrics(SM_CXSCREEN)); }
int Win32Window::screenHeight() const { return toDesign(GetSystemMetrics(SM_CYSCREEN)); }
Rect Win32Window::availableArea() const {
    const RECT work = workAreaOf(w_);
    return toDesign(Rect{work.left, work.top, work.right - work.left, work.bottom - work.top});
}

// --- loops

namespace {

void dispatch(MSG& msg) {
    const HWND top = topLevel(msg.hwnd);
    if (top != nullptr && IsDialogMessageW(top, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

BOOL CALLBACK collectEnabled(HWND w, LPARAM list) {
    if (IsWindowVisible(w) && IsWindowEnabled(w)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

}  // namespace

namespace {

// A modal window and the windows its run disabled.
struct ModalRun {
    HWND window;
    std::vector<HWND> disabled;
};

std::vector<ModalRun*>& modalRuns() {
    static std::vector<ModalRun*> runs;
    return runs;
}

void enableOthers(ModalRun& run) {
    for (const HWND w : run.disabled)
        if (w != run.window && IsWindow(w)) EnableWindow(w, TRUE);
    run.disabled.clear();
}

void modalWindowHiding(HWND window) {
    // The others come back before it goes, as a dialog's do when it ends:
    // the system then activates its owner in its place. Left disabled until
    // after, none could take the keyboard and it would be lost until a click.
    for (ModalRun* run : modalRuns())
        if (run->window == window) enableOthers(*run);
}

}  // namespace

int runMessageLoop() {
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) dispatch(msg);
    return static_cast<int>(msg.wParam);
}

void runModal(HWND window) {
    ModalRun run{window, {}};
    EnumThreadWindows(GetCurrentThreadId(), &collectEnabled, reinterpret_cast<LPARAM>(&run.disabled));
    for (const HWND w : run.disabled)
        if (w != window) EnableWindow(w, FALSE);
    modalRuns().push_back(&run);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    MSG msg{};
    bool quit = false;
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        dispatch(msg);
    }
    // Left shown (a quit ended the run): the others come back now.
    enableOthers(run);
    modalRuns().erase(std::find(modalRuns().begin(), modalRuns().end(), &run));
    if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
}

namespace {

// The edit box's client area is its text's height, in the middle: the rest
// becomes frame, which this paints in the box's own colour.
LRESULT CALLBACK centredEdit(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    switch (message) {
        case WM_NCCALCSIZE: {
            const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
            RECT& client = wParam != FALSE ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                                           : *reinterpret_cast<RECT*>(lParam);
            const HDC dc = GetDC(edit);
            const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)));
            TEXTMETRICW metrics{};
            GetTextMetricsW(dc, &metrics);
            SelectObject(dc, previous);
            ReleaseDC(edit, dc);
            const LONG spare = (client.bottom - client.top) - metrics.tmHeight;
            if (spare > 1) {
                client.top += spare / 2;
                client.bottom = client.top + metrics.tmHeight;
            }
            return result;
        }
        case WM_NCPAINT: {
            const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
            // Between the border and the text: the box's face, above and below.
            RECT window{}, client{};
            GetWindowRect(edit, &window);
            GetClientRect(edit, &client);
            MapWindowPoints(edit, nullptr, reinterpret_cast<POINT*>(&client), 2);
            OffsetRect(&client, -window.left, -window.top);
            OffsetRect(&window, -window.left, -window.top);
            InflateRect(&window, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
            const HDC dc = GetWindowDC(edit);
            const HBRUSH face = GetSysColorBrush(IsWindowEnabled(edit) ? COLOR_WINDOW : COLOR_BTNFACE);
            RECT above{window.left, window.top, window.right, client.top};
            RECT below{window.left, client.bottom, window.right, window.bottom};
            RECT left{window.left, client.top, client.left, client.bottom};
            RECT right{client.right, client.top, window.right, client.bottom};
            for (const RECT* r : {&above, &below, &left, &right})
                if (r->right > r->left && r->bottom > r->top) FillRect(dc, r, face);
            ReleaseDC(edit, dc);
            return result;
        }
        case WM_SETFONT: {
            const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
            SetWindowPos(edit, nullptr, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
            return result;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(edit, &centredEdit, id);
            break;
        default:
            break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace

void centreTextVertically(HWND edit) {
    SetWindowSubclass(edit, &centredEdit, 0, 0);
    SetWindowPos(edit, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void giveFocus(HWND control, HWND onlyFrom) {
    if (const HWND top = topLevel(control))
        SendMessageW(top, giveFocusMessage(), reinterpret_cast<WPARAM>(control), reinterpret_cast<LPARAM>(onlyFrom));
}

void centreOnScreen(HWND window) {
    RECT frame{};
    GetWindowRect(window, &frame);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace platform::win32
