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
#include <cwchar>
#include <deque>
#include <iterator>

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
    wchar_t text[96];
    std::swprintf(text, std::size(text), L"%llu MB free of %llu MB", static_cast<unsigned long long>(freeBytes >> 20),
                  static_cast<unsigned long long>(totalBytes >> 20));
    SetWindowTextW(state.figures[i], text);
    const int used = totalBytes > 0 ? static_cast<int>((totalBytes - freeBytes) * 100 / totalBytes) : 0;
    SendMessageW(state.bars[i], PBM_SETPOS, static_cast<WPARAM>(used), 0);
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
    wchar_t text[48];
    std::swprintf(text, std::size(text), L"Memory load: %lu %%", static_cast<unsigned long>(m.dwMemoryLoad));
    SendMessageW(state.status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text));
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

HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h) {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

void build(HWND window) {
    child(window, L"BUTTON", L"Memory History", BS_GROUPBOX, 8, 32, 513, 121);
    const std::array<const wchar_t*, 4> titles{L"Virtual Memory", L"PageFile", L"Physical Memory", L"Total Memory"};
    for (size_t i = 0; i < titles.size(); ++i) {
        const int top = 152 + 48 * static_cast<int>(i);
        child(window, L"BUTTON", titles[i], BS_GROUPBOX, 6, top, 315, 41);
        state.figures[i] = child(window, L"STATIC", L"", SS_LEFT, 22, top + 16, 120, 13);
        state.bars[i] = child(window, PROGRESS_CLASSW, L"", 0, 150, top + 16, 161, 17);
    }
    state.status = child(window, STATUSCLASSNAMEW, L"", 0, 0, 0, 0, 0);
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
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    WNDCLASSW cls{};
    cls.lpfnWndProc = &windowProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = L"BareFigures";
    RegisterClassW(&cls);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, kWidth, kHeight};
    AdjustWindowRect(&frame, style, FALSE);
    const HWND window =
        CreateWindowExW(0, cls.lpszClassName, L"Bare figures", style, CW_USEDEFAULT, CW_USEDEFAULT,
                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, show);
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
