// The bare Win32 anchor for bench/idle-wine.sh: a plain window of the main
// window's size showing what it shows each second (four figures, four bars, a
// scrolling history graph and a status line) from GlobalMemoryStatusEx, on a
// one-second SetTimer with plain GDI, so the program's idle cost under Wine
// has a fair floor rather than a window that never wakes.
#include <windows.h>
// After <windows.h>, which it needs.
#include <commctrl.h>

#include <array>
#include <cstdio>
#include <deque>

namespace {

// The main window's client area and graph, in pixels.
constexpr int kWidth = 536;
constexpr int kHeight = 402;
constexpr RECT kGraph{16, 49, 16 + 441, 49 + 96};
constexpr UINT_PTR kTimer = 1;

struct State {
    std::array<HWND, 4> figures{};
    std::array<HWND, 4> bars{};
    HWND status = nullptr;
    std::deque<int> points;
};
State state;

void showKind(size_t i, DWORDLONG freeBytes, DWORDLONG totalBytes) {
    char text[96];
    std::snprintf(text, sizeof text, "%llu MB free of %llu MB", static_cast<unsigned long long>(freeBytes >> 20),
                  static_cast<unsigned long long>(totalBytes >> 20));
    SetWindowTextA(state.figures[i], text);
    const int used = totalBytes > 0 ? static_cast<int>((totalBytes - freeBytes) * 100 / totalBytes) : 0;
    SendMessageA(state.bars[i], PBM_SETPOS, static_cast<WPARAM>(used), 0);
}

void refresh(HWND window) {
    MEMORYSTATUSEX m{};
    m.dwLength = sizeof m;
    if (!GlobalMemoryStatusEx(&m)) return;
    showKind(0, m.ullAvailVirtual, m.ullTotalVirtual);
    showKind(1, m.ullAvailPageFile - m.ullAvailPhys, m.ullTotalPageFile - m.ullTotalPhys);
    showKind(2, m.ullAvailPhys, m.ullTotalPhys);
    showKind(3, m.ullAvailPageFile, m.ullTotalPageFile);
    state.points.push_back(static_cast<int>(m.dwMemoryLoad));
    if (state.points.size() > static_cast<size_t>((kGraph.right - kGraph.left) / 2)) state.points.pop_front();
    InvalidateRect(window, &kGraph, FALSE);
    char text[48];
    std::snprintf(text, sizeof text, "Memory load: %lu %%", static_cast<unsigned long>(m.dwMemoryLoad));
    SendMessageA(state.status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text));
}

void paintGraph(HDC dc) {
    const int width = kGraph.right - kGraph.left;
    const int height = kGraph.bottom - kGraph.top;
    FillRect(dc, &kGraph, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const HPEN grid = CreatePen(PS_SOLID, 1, RGB(0, 128, 0));
    const HGDIOBJ old = SelectObject(dc, grid);
    for (int y = 0; y < height; y += 12) {
        MoveToEx(dc, kGraph.left, kGraph.top + y, nullptr);
        LineTo(dc, kGraph.right, kGraph.top + y);
    }
    for (int x = width - 1; x >= 0; x -= 12) {
        MoveToEx(dc, kGraph.left + x, kGraph.top, nullptr);
        LineTo(dc, kGraph.left + x, kGraph.bottom);
    }
    const HPEN line = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    SelectObject(dc, line);
    int x = kGraph.left + width - 2 * static_cast<int>(state.points.size());
    bool first = true;
    for (const int v : state.points) {
        const int y = kGraph.bottom - 1 - v * (height - 1) / 100;
        if (first)
            MoveToEx(dc, x, y, nullptr);
        else
            LineTo(dc, x, y);
        first = false;
        x += 2;
    }
    SelectObject(dc, old);
    DeleteObject(line);
    DeleteObject(grid);
}

HWND child(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w, int h) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

void build(HWND window) {
    child(window, "BUTTON", "Memory History", BS_GROUPBOX, 8, 32, 513, 121);
    const std::array<const char*, 4> titles{"Virtual Memory", "PageFile", "Physical Memory", "Total Memory"};
    for (size_t i = 0; i < titles.size(); ++i) {
        const int top = 152 + 48 * static_cast<int>(i);
        child(window, "BUTTON", titles[i], BS_GROUPBOX, 6, top, 315, 41);
        state.figures[i] = child(window, "STATIC", "", SS_LEFT, 22, top + 16, 120, 13);
        state.bars[i] = child(window, PROGRESS_CLASSA, "", 0, 150, top + 16, 161, 17);
    }
    state.status = child(window, STATUSCLASSNAMEA, "", 0, 0, 0, 0, 0);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            build(window);
            refresh(window);
            SetTimer(window, kTimer, 1000, nullptr);
            return 0;
        case WM_TIMER:
            refresh(window);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            const HDC dc = BeginPaint(window, &ps);
            paintGraph(dc);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_DESTROY:
            KillTimer(window, kTimer);
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    WNDCLASSA cls{};
    cls.lpfnWndProc = &windowProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = "BareFigures";
    RegisterClassA(&cls);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, kWidth, kHeight};
    AdjustWindowRect(&frame, style, FALSE);
    const HWND window =
        CreateWindowExA(0, cls.lpszClassName, "Bare figures", style, CW_USEDEFAULT, CW_USEDEFAULT,
                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, show);
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
