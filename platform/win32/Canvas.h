#pragma once

#include "platform/Controls.h"

#include <windows.h>

namespace platform::win32 {

// The canvas interface over a GDI device context, in design pixels, active
// only while its window paints: outside a paint the calls do nothing.
class GdiCanvas final : public Canvas {
public:
    GdiCanvas() = default;
    ~GdiCanvas() override;
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    // Drawing at `dpi` dots an inch, its window's (platform/win32/Form.h).
    void begin(HDC dc, int dpi) {
        dc_ = dc;
        dpi_ = dpi;
    }
    void end() { dc_ = nullptr; }
    void setBrushColor(TColor c) override;
    void setPenColor(TColor c) override;
    void fillRect(int left, int top, int right, int bottom) override;
    void frameRect(int left, int top, int right, int bottom) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;

    // A colour as GDI lays it out: the same 0x00BBGGRR.
    static COLORREF colorRef(TColor c) { return RGB(redOf(c), greenOf(c), blueOf(c)); }

private:
    HBRUSH brush();
    HPEN pen();

    HDC dc_ = nullptr;
    int dpi_ = 96;
    TColor brushColor_ = rgb(255, 255, 255);
    TColor penColor_ = rgb(0, 0, 0);
    HBRUSH brush_ = nullptr;
    HPEN pen_ = nullptr;
    int x_ = 0;
    int y_ = 0;
};

// An off-screen bitmap a window keeps from one paint to the next: making one
// costs the display a round trip, which a window painted every second (or
// faster) should not pay each time.
class PaintBuffer {
public:
    PaintBuffer() = default;
    ~PaintBuffer();
    PaintBuffer(const PaintBuffer&) = delete;
    PaintBuffer& operator=(const PaintBuffer&) = delete;

    // A memory DC holding a bitmap of `width` by `height` compatible with
    // `screen`, made again only when the size changes; null when none can
    // be made.
    HDC get(HDC screen, int width, int height);

private:
    void release();

    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// An off-screen bitmap the size of a window's client area: a paint draws into
// it and copies it to the screen in one step, so nothing flickers. With a
// `kept` buffer the bitmap is that one, else one made for this paint.
class BufferedPaint {
public:
    explicit BufferedPaint(HWND window, PaintBuffer* kept = nullptr);
    ~BufferedPaint();
    BufferedPaint(const BufferedPaint&) = delete;
    BufferedPaint& operator=(const BufferedPaint&) = delete;

    HDC dc() const { return memory_ != nullptr ? memory_ : paint_.hdc; }
    const RECT& area() const { return area_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    RECT area_{};
    PaintBuffer own_;
    HDC memory_ = nullptr;
};

}  // namespace platform::win32
