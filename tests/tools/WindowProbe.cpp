// Reads a control of another program's window, for the black-box tests that
// drive kestrune.exe from outside: what xdotool cannot see of a native list.
//   window_probe CAPTION ID text       the control's text
//   window_probe CAPTION ID rows       a report list's first column, a row a line
//   window_probe CAPTION ID row N      the middle of row N on the screen, "x y"
//   window_probe CAPTION 0 reach       every shown button (push, radio, check) of
//                                      the window with where it is; exits 1 when
//                                      one lies outside the window's client area
//                                      (cut off, or scrolled away) or the screen's
//                                      work area
//   window_probe tray                  each notification-area icon the shell
//                                      drew: "x y visible|hidden tip", x y its
//                                      middle on the screen
// Texts are printed as UTF-8. Exits 1 when the window or control is not
// there, 2 on a wrong command line.
#include "platform/win32/Controls.h"
#include "support/win32/Win32Pump.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// Memory in the list's own process, where it writes what it is asked for.
class Remote {
public:
    Remote(HWND control, std::size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(control, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_ != nullptr) at_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~Remote() {
        if (at_ != nullptr) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
        if (process_ != nullptr) CloseHandle(process_);
    }
    Remote(const Remote&) = delete;
    Remote& operator=(const Remote&) = delete;
    bool ok() const { return at_ != nullptr; }
    char* at() const { return static_cast<char*>(at_); }
    bool put(std::size_t offset, const void* data, std::size_t n) const {
        return WriteProcessMemory(process_, at() + offset, data, n, nullptr) != FALSE;
    }
    bool get(std::size_t offset, void* data, std::size_t n) const {
        return offset + n <= size_ && ReadProcessMemory(process_, at() + offset, data, n, nullptr) != FALSE;
    }

private:
    std::size_t size_;
    HANDLE process_ = nullptr;
    void* at_ = nullptr;
};

int rows(HWND list) {
    constexpr std::size_t kChars = 512;
    Remote remote(list, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
    if (!remote.ok()) return 1;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = reinterpret_cast<wchar_t*>(remote.at() + sizeof item);
        item.cchTextMax = kChars;
        remote.put(0, &item, sizeof item);
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.at()));
        wchar_t text[kChars] = {};
        remote.get(sizeof item, text, sizeof text - sizeof(wchar_t));
        std::printf("%s\n", platform::win32::utf8(text).c_str());
    }
    return 0;
}

int rowCentre(HWND list, int row) {
    Remote remote(list, sizeof(RECT));
    if (!remote.ok()) return 1;
    RECT r{};
    r.left = LVIR_LABEL;
    remote.put(0, &r, sizeof r);
    if (!SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.at()))) return 1;
    remote.get(0, &r, sizeof r);
    POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(list, &centre);
    std::printf("%ld %ld\n", static_cast<long>(centre.x), static_cast<long>(centre.y));
    return 0;
}

// Wine's shell draws each tray icon as a window of its own (in its own tray
// window or docked in an X tray) and gives it a tooltip window that holds
// the icon's tip: the tip is read from there.
struct TrayIcon {
    HWND icon;
    std::wstring tip;
};

BOOL CALLBACK collectTip(HWND window, LPARAM found) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    if (lstrcmpiW(name, TOOLTIPS_CLASSW) != 0) return TRUE;
    const HWND owner = GetWindow(window, GW_OWNER);
    wchar_t ownerClass[64] = {};
    if (owner == nullptr || GetClassNameW(owner, ownerClass, static_cast<int>(std::size(ownerClass))) == 0) return TRUE;
    if (std::wcsstr(ownerClass, L"tray_icon") == nullptr) return TRUE;
    constexpr std::size_t kChars = 256;
    Remote remote(window, sizeof(TTTOOLINFOW) + kChars * sizeof(wchar_t));
    if (!remote.ok()) return TRUE;
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.lpszText = reinterpret_cast<wchar_t*>(remote.at() + sizeof info);
    remote.put(0, &info, sizeof info);
    const wchar_t none[1] = {};
    remote.put(sizeof info, none, sizeof none);
    wchar_t text[kChars] = {};
    if (SendMessageW(window, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(remote.at())))
        remote.get(sizeof info, text, sizeof text - sizeof(wchar_t));
    reinterpret_cast<std::vector<TrayIcon>*>(found)->push_back({owner, text});
    return TRUE;
}

int trayIcons() {
    std::vector<TrayIcon> icons;
    EnumWindows(collectTip, reinterpret_cast<LPARAM>(&icons));
    for (const TrayIcon& icon : icons) {
        RECT r{};
        GetWindowRect(icon.icon, &r);
        std::printf("%ld %ld %s %s\n", static_cast<long>((r.left + r.right) / 2),
                    static_cast<long>((r.top + r.bottom) / 2), IsWindowVisible(icon.icon) ? "visible" : "hidden",
                    platform::win32::utf8(icon.tip).c_str());
    }
    return icons.empty() ? 1 : 0;
}

}  // namespace

BOOL CALLBACK collectButton(HWND w, LPARAM list) {
    wchar_t cls[32] = {};
    GetClassNameW(w, cls, static_cast<int>(std::size(cls)));
    const auto kind = GetWindowLongPtrW(w, GWL_STYLE) & BS_TYPEMASK;
    if (lstrcmpiW(cls, L"Button") == 0 && kind != BS_GROUPBOX && IsWindowVisible(w))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

int reach(HWND window) {
    std::vector<HWND> buttons;
    EnumChildWindows(window, &collectButton, reinterpret_cast<LPARAM>(&buttons));
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    const auto inside = [](const RECT& r, const RECT& box) {
        return r.left >= box.left && r.top >= box.top && r.right <= box.right && r.bottom <= box.bottom;
    };
    int out = 0;
    for (const HWND b : buttons) {
        RECT r{};
        GetWindowRect(b, &r);
        wchar_t text[256] = {};
        GetWindowTextW(b, text, std::size(text));
        const bool ok = inside(r, client) && inside(r, monitor.rcWork);
        out += ok ? 0 : 1;
        std::printf("%d %s %ldx%ld+%ld+%ld%s\n", GetDlgCtrlID(b), platform::win32::utf8(text).c_str(), r.right - r.left,
                    r.bottom - r.top, r.left, r.top, ok ? "" : " OUT OF REACH");
    }
    if (buttons.empty()) std::fprintf(stderr, "window_probe: no buttons shown\n");
    return out == 0 && !buttons.empty() ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "tray") == 0) return trayIcons();
    if (argc < 4) {
        std::fprintf(stderr, "usage: window_probe CAPTION ID text|rows|row N|reach, or window_probe tray\n");
        return 2;
    }
    const HWND window = FindWindowW(nullptr, platform::win32::wide(argv[1]).c_str());
    if (window == nullptr) {
        std::fprintf(stderr, "window_probe: no window \"%s\"\n", argv[1]);
        return 1;
    }
    if (std::strcmp(argv[3], "reach") == 0) {
        // The shown one of that caption (the main window's hidden companions
        // share its title).
        HWND shown = window;
        while (shown != nullptr && !IsWindowVisible(shown))
            shown = FindWindowExW(nullptr, shown, nullptr, platform::win32::wide(argv[1]).c_str());
        return reach(shown != nullptr ? shown : window);
    }
    const HWND control = testsupport::findControl(window, std::atoi(argv[2]));
    if (control == nullptr) {
        std::fprintf(stderr, "window_probe: no control %s in \"%s\"\n", argv[2], argv[1]);
        return 1;
    }
    if (std::strcmp(argv[3], "text") == 0) {
        wchar_t text[2048] = {};
        SendMessageW(control, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
        std::printf("%s\n", platform::win32::utf8(text).c_str());
        return 0;
    }
    if (std::strcmp(argv[3], "rows") == 0) return rows(control);
    if (std::strcmp(argv[3], "row") == 0 && argc > 4) return rowCentre(control, std::atoi(argv[4]));
    std::fprintf(stderr, "window_probe: unknown request %s\n", argv[3]);
    return 2;
}
