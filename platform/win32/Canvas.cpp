#include "platform/win32/Canvas.h"

#include "platform/win32/Dpi.h"

namespace platform::win32 {

GdiCanvas::~GdiCanvas() {
    if (brush_ != nullptr) DeleteObject(brush_);
    if (pen_ != nullptr) DeleteObject(pen_);
}

void GdiCanvas::setBrushColor(TColor c) {
    if (c == brushColor_) return;
    brushColor_ = c;
    if (brush_ != nullptr) DeleteObject(brush_);
    brush_ = nullptr;
}

void GdiCanvas::setPenColor(TColor c) {
    if (c == penColor_) return;
    penColor_ = c;
    if (pen_ != nullptr) DeleteObject(pen_);
    pen_ = nullptr;
}

HBRUSH GdiCanvas::brush() {
    if (brush_ == nullptr) brush_ = CreateSolidBrush(colorRef(brushColor_));
    return brush_;
}

HPEN GdiCanvas::pen() {
    if (pen_ == nullptr) pen_ = CreatePen(PS_SOLID, 1, colorRef(penColor_));
    return pen_;
}

namespace {

// A shape's far edge ends one scaled pixel before where the design pixel
// after it starts. Each edge rounded on its own, the one-pixel gaps between
// the map's cells would be 1 and 2 device pixels by turns at 144 dpi; so
// they are all alike at any scale (the map has no shapes that touch).
RECT devicePlace(int dpi, int left, int top, int right, int bottom) {
    return {toDeviceAt(dpi, left), toDeviceAt(dpi, top), toDeviceAt(dpi, right + 1) - toDeviceAt(dpi, 1),
            toDeviceAt(dpi, bottom + 1) - toDeviceAt(dpi, 1)};
}

}  // namespace

void GdiCanvas::fillRect(int left, int top, int right, int bottom) {
    if (dc_ == nullptr) return;
    const RECT r = devicePlace(dpi_, left, top, right, bottom);
    FillRect(dc_, &r, brush());
}

void GdiCanvas::frameRect(int left, int top, int right, int bottom) {
    if (dc_ == nullptr) return;
    const RECT r = devicePlace(dpi_, left, top, right, bottom);
    FrameRect(dc_, &r, brush());
}

void GdiCanvas::moveTo(int x, int y) {
    x_ = x;
    y_ = y;
}

void GdiCanvas::lineTo(int x, int y) {
    if (dc_ != nullptr) {
        const HGDIOBJ old = SelectObject(dc_, pen());
        MoveToEx(dc_, toDeviceAt(dpi_, x_), toDeviceAt(dpi_, y_), nullptr);
        LineTo(dc_, toDeviceAt(dpi_, x), toDeviceAt(dpi_, y));
        SelectObject(dc_, old);
    }
    x_ = x;
    y_ = y;
}

PaintBuffer::~PaintBuffer() { release(); }

void PaintBuffer::release() {
    if (dc_ != nullptr) {
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    previous_ = nullptr;
    width_ = height_ = 0;
}

HDC PaintBuffer::get(HDC screen, int width, int height) {
    if (dc_ != nullptr && width == width_ && height == height_) return dc_;
    release();
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, width, height);
    if (dc_ == nullptr || bitmap_ == nullptr) {
        // Out of GDI objects: the caller draws straight to the screen.
        release();
        return nullptr;
    }
    previous_ = SelectObject(dc_, bitmap_);
    width_ = width;
    height_ = height;
    return dc_;
}

BufferedPaint::BufferedPaint(HWND window, PaintBuffer* kept) : window_(window) {
    BeginPaint(window_, &paint_);
    GetClientRect(window_, &area_);
    if (paint_.hdc == nullptr || area_.right <= 0 || area_.bottom <= 0) return;
    memory_ = (kept != nullptr ? *kept : own_).get(paint_.hdc, area_.right, area_.bottom);
}

BufferedPaint::~BufferedPaint() {
    if (memory_ != nullptr) BitBlt(paint_.hdc, 0, 0, area_.right, area_.bottom, memory_, 0, 0, SRCCOPY);
    EndPaint(window_, &paint_);
}

}  // namespace platform::win32
