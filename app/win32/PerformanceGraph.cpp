#include "app/win32/PerformanceGraph.h"

#include "platform/win32/Canvas.h"
#include "platform/win32/Controls.h"
#include "platform/win32/Dpi.h"
#include "platform/win32/Form.h"

#include <cmath>
#include <vector>

namespace kestrune {
namespace {

constexpr const wchar_t* kClassName = L"KestrunePerformanceGraph";
using platform::win32::GdiCanvas;

TRIVERTEX vertex(int x, int y, platform::TColor c) {
    TRIVERTEX v{};
    v.x = x;
    v.y = y;
    v.Red = static_cast<COLOR16>(platform::redOf(c) << 8);
    v.Green = static_cast<COLOR16>(platform::greenOf(c) << 8);
    v.Blue = static_cast<COLOR16>(platform::blueOf(c) << 8);
    return v;
}

}  // namespace

PerformanceGraph::PerformanceGraph(HWND parent, int id, const platform::Rect& design) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW cls{};
    if (GetClassInfoW(instance, kClassName, &cls) == 0) {
        cls.lpfnWndProc = &PerformanceGraph::windowProc;
        cls.hInstance = instance;
        cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
        cls.lpszClassName = kClassName;
        RegisterClassW(&cls);
    }
    const platform::Rect r = platform::win32::toDevice(parent, design);
    hwnd_ = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, r.left, r.top, r.width, r.height, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (hwnd_ != nullptr) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

PerformanceGraph::~PerformanceGraph() {
    if (hwnd_ != nullptr) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
}

void PerformanceGraph::dataPoint(platform::TColor color, int value) {
    RECT r{};
    GetClientRect(hwnd_, &r);
    history_.add(color, value, r.right);
}

void PerformanceGraph::redraw() { InvalidateRect(hwnd_, nullptr, FALSE); }

void PerformanceGraph::setName(const std::string& name) {
    if (name == name_) return;
    SetWindowTextW(hwnd_, platform::win32::wide(name).c_str());
    name_ = name;
}

void PerformanceGraph::paint(HDC dc, int w, int h) const {
    using H = GraphHistory;
    // Screen pixels here: the history keeps as many points as fit them.
    const RECT all{0, 0, w, h};
    const HBRUSH background = CreateSolidBrush(GdiCanvas::colorRef(H::kBackground));
    FillRect(dc, &all, background);
    DeleteObject(background);
    const HBRUSH grid = CreateSolidBrush(GdiCanvas::colorRef(H::kGridColor));
    for (int x = w - 1 - history_.gridShift(); x >= 0; x -= H::kGridPitch) {
        const RECT line{x, 0, x + 1, h};
        FillRect(dc, &line, grid);
    }
    for (int y = h - 1; y >= 0; y -= H::kGridPitch) {
        const RECT line{0, y, w, y + 1};
        FillRect(dc, &line, grid);
    }
    DeleteObject(grid);
    const auto& points = history_.points();
    if (points.empty()) return;

    // The area under the line: a vertical gradient clipped to its outline.
    const int n = static_cast<int>(points.size());
    std::vector<POINT> outline;
    outline.reserve(points.size() + 2);
    for (int i = 0; i < n; ++i)
        outline.push_back({history_.xOf(i, w), std::lround(H::yOf(points[static_cast<std::size_t>(i)].value, h))});
    outline.push_back({w, h});
    outline.push_back({history_.xOf(0, w), h});
    const HRGN area = CreatePolygonRgn(outline.data(), static_cast<int>(outline.size()), WINDING);
    if (area != nullptr) {
        SelectClipRgn(dc, area);
        TRIVERTEX ends[2] = {vertex(0, 0, foreground_), vertex(w, h, H::fadedColor(foreground_, gradient_))};
        GRADIENT_RECT rect{0, 1};
        GradientFill(dc, ends, 2, &rect, 1, GRADIENT_FILL_RECT_V);
        SelectClipRgn(dc, nullptr);
        DeleteObject(area);
    }
    // Each segment in the colour of the point it leads to, with a new pen
    // only where the colour changes.
    HPEN pen = nullptr;
    HGDIOBJ old = nullptr;
    platform::TColor penColor = 0;
    for (int i = 1; i < n; ++i) {
        const platform::TColor color = points[static_cast<std::size_t>(i)].color;
        if (pen == nullptr || color != penColor) {
            const HPEN next = CreatePen(PS_SOLID, 1, GdiCanvas::colorRef(color));
            const HGDIOBJ replaced = SelectObject(dc, next);
            if (pen == nullptr)
                old = replaced;
            else
                DeleteObject(pen);
            pen = next;
            penColor = color;
        }
        const POINT from = outline[static_cast<std::size_t>(i - 1)];
        const POINT to = outline[static_cast<std::size_t>(i)];
        MoveToEx(dc, from.x, from.y, nullptr);
        LineTo(dc, to.x, to.y);
    }
    if (pen != nullptr) {
        SelectObject(dc, old);
        DeleteObject(pen);
    }
}

LRESULT CALLBACK PerformanceGraph::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<PerformanceGraph*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel
        case WM_PAINT: {
            platform::win32::BufferedPaint paint(window, self != nullptr ? &self->buffer_ : nullptr);
            if (self != nullptr) self->paint(paint.dc(), paint.area().right, paint.area().bottom);
            return 0;
        }
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace kestrune
