#include "app/win32/KestruneTray.h"

#include "app/Memmainform.h"
#include "platform/win32/Controls.h"

#include <cstring>
#include <iterator>

namespace kestrune {
namespace {

constexpr int kSide = 32;  // the badge is drawn at this size; the shell scales it down
constexpr std::size_t kPixels = std::size_t{kSide} * kSide;

using platform::win32::wide;

template <std::size_t N>
void copyText(wchar_t (&to)[N], const std::string& text) {
    lstrcpynW(to, wide(text).c_str(), static_cast<int>(N));
}

NOTIFYICONDATAW iconData(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = tray::id::kIcon;
    return data;
}

HFONT badgeFont() {
    LOGFONTW face{};
    face.lfHeight = -14;
    face.lfWeight = FW_BOLD;
    face.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynW(face.lfFaceName, L"Tahoma", LF_FACESIZE);
    return CreateFontIndirectW(&face);
}

// The program's icon with the badge across it, in `font`, as a new icon.
HICON badged(HICON base, HFONT font, const std::string& badge, bool alarming) {
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kSide;
    info.bmiHeader.biHeight = -kSide;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HBITMAP color = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HBITMAP mask = CreateBitmap(kSide, kSide, 1, 1, nullptr);
    ReleaseDC(nullptr, screen);
    if (dc == nullptr || color == nullptr || mask == nullptr) {
        if (dc != nullptr) DeleteDC(dc);
        if (color != nullptr) DeleteObject(color);
        if (mask != nullptr) DeleteObject(mask);
        return nullptr;
    }
    const HGDIOBJ old = SelectObject(dc, color);
    std::memset(bits, 0, kPixels * 4);
    if (base != nullptr) DrawIconEx(dc, 0, 0, base, kSide, kSide, 0, nullptr, DI_NORMAL);
    // GDI's shapes and text leave the alpha at 0: what they paint is made
    // opaque afterwards, by comparing with a copy taken first.
    std::basic_string<std::uint32_t> before(static_cast<const std::uint32_t*>(bits), kPixels);
    const HBRUSH plate = CreateSolidBrush(RGB(24, 24, 24));
    const HGDIOBJ oldBrush = SelectObject(dc, plate);
    const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    RoundRect(dc, 3, 9, 30, 26, 8, 8);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(plate);
    const HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, alarming ? RGB(255, 96, 96) : RGB(255, 225, 74));
    RECT box{0, 8, kSide, 26};
    DrawTextW(dc, wide(badge).c_str(), -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    GdiFlush();
    auto* pixel = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0; i < kPixels; ++i)
        if (pixel[i] != before[i]) pixel[i] |= 0xFF000000u;
    SelectObject(dc, old);
    DeleteDC(dc);
    ICONINFO made{};
    made.fIcon = TRUE;
    made.hbmColor = color;
    made.hbmMask = mask;
    const HICON icon = CreateIconIndirect(&made);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

}  // namespace

bool KestruneTray::available() { return FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr; }

KestruneTray::KestruneTray(HWND window, TrayLogic logic)
    : window_(window),
      logic_(std::move(logic)),
      taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")),
      base_(static_cast<HICON>(
          LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, kSide, kSide, LR_DEFAULTCOLOR))),
      font_(badgeFont()) {}

KestruneTray::~KestruneTray() {
    hide();
    if (shown_ != nullptr) DestroyIcon(shown_);
    if (base_ != nullptr) DestroyIcon(base_);
    if (font_ != nullptr) DeleteObject(font_);
}

void KestruneTray::add() {
    NOTIFYICONDATAW data = iconData(window_);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = tray::id::kCallback;
    data.hIcon = shown_;
    copyText(data.szTip, logic_.toolTip());
    // Without a taskbar this fails; TaskbarCreated brings it back.
    added_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void KestruneTray::hide() {
    if (!added_) return;
    NOTIFYICONDATAW data = iconData(window_);
    Shell_NotifyIconW(NIM_DELETE, &data);
    added_ = false;
}

void KestruneTray::setLoad(std::uint32_t load) {
    logic_.trayPresence(&KestruneTray::available);
    const bool first = !logic_.sampled();
    if (!logic_.setLoad(load)) return;
    redraw();
    // Added with its first sample; a taskbar that comes later sends
    // TaskbarCreated.
    if (first) add();
}

void KestruneTray::redraw() {
    const HICON next = badged(base_, font_, logic_.badge(), logic_.alarming());
    if (next == nullptr) return;
    if (added_) {
        NOTIFYICONDATAW data = iconData(window_);
        data.uFlags = NIF_ICON | NIF_TIP;
        data.hIcon = next;
        copyText(data.szTip, logic_.toolTip());
        Shell_NotifyIconW(NIM_MODIFY, &data);
    }
    if (shown_ != nullptr) DestroyIcon(shown_);
    shown_ = next;
}

void KestruneTray::notify(const std::string& title, const std::string& text) {
    if (!added_) return;  // nothing to show it on
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = tray::id::kIcon;
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_INFO;
    copyText(data.szInfoTitle, title);
    copyText(data.szInfo, text);
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

HMENU KestruneTray::buildMenu() const {
    using platform::win32::appendMenuItem;
    const HMENU menu = CreatePopupMenu();
    appendMenuItem(menu, MF_STRING, tray::id::kShow, tray::kShowItem, tray::kShowKey);
    SetMenuDefaultItem(menu, tray::id::kShow, FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    // Disabled buttons mean disabled items: looked up each time the menu opens.
    appendMenuItem(menu, MF_STRING | (logic_.recoverEnabled() ? 0 : MF_GRAYED), tray::id::kRecover,
                   mainform::kRecoverCaption, mainform::kRecoverKey);
    appendMenuItem(menu, MF_STRING | (logic_.scrubEnabled() ? 0 : MF_GRAYED), tray::id::kScrub, mainform::kScrubCaption,
                   mainform::kScrubKey);
    if (logic_.offersTrim())
        appendMenuItem(menu, MF_STRING | (logic_.trimEnabled() ? 0 : MF_GRAYED), tray::id::kTrimIdle,
                       tray::kTrimIdleItem, tray::kTrimIdleKey);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    if (logic_.offersStartAtLogin()) {
        appendMenuItem(menu, MF_STRING | (logic_.startsAtLogin() ? MF_CHECKED : 0), tray::id::kStartAtLogin,
                       tray::kStartAtLoginItem, tray::kStartAtLoginKey);
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    }
    appendMenuItem(menu, MF_STRING, tray::id::kExit, mainform::kExitItem, mainform::kExitKey);
    return menu;
}

void KestruneTray::openMenu() {
    const HMENU menu = buildMenu();
    POINT at{};
    GetCursorPos(&at);
    // The shell's rule for a tray menu: its window in front while it is up,
    // and a message after it, or the menu does not close when clicked away.
    SetForegroundWindow(window_);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr));
    PostMessageW(window_, WM_NULL, 0, 0);
    DestroyMenu(menu);
    // Posted: a choice runs once the menu has finished with its click, so an
    // operation or the close never runs inside the menu's own loop.
    if (chosen != 0) PostMessageW(window_, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
}

void KestruneTray::choose(UINT item) {
    switch (item) {
        case tray::id::kShow:
            logic_.activated();
            break;
        case tray::id::kRecover:
            logic_.recoverMemory();
            break;
        case tray::id::kScrub:
            logic_.scrubMemory();
            break;
        case tray::id::kStartAtLogin:
            logic_.setStartAtLogin(!logic_.startsAtLogin());
            break;
        case tray::id::kExit:
            logic_.exit();
            break;
        case tray::id::kTrimIdle:
            logic_.trimIdle();
            break;
        default:
            break;
    }
}

bool KestruneTray::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == taskbarCreated_) {
        // Explorer started again: its new tray knows nothing of the icon.
        added_ = false;
        if (logic_.sampled()) add();
        return true;
    }
    if (message == tray::id::kCallback) {
        switch (LOWORD(lParam)) {
            case WM_LBUTTONUP:
            case WM_LBUTTONDBLCLK:
                logic_.activated();
                break;
            case WM_RBUTTONUP:
            case WM_CONTEXTMENU:
                openMenu();
                break;
            default:
                break;
        }
        return true;
    }
    if (message == WM_COMMAND && lParam == 0 && HIWORD(wParam) == 0 && LOWORD(wParam) >= tray::id::kShow &&
        LOWORD(wParam) <= tray::id::kTrimIdle) {
        choose(LOWORD(wParam));
        return true;
    }
    return false;
}

}  // namespace kestrune
