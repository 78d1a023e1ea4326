#pragma once

#include "platform/Controls.h"

#include <windows.h>

#include <functional>
#include <string>

namespace platform::win32 {

// Runs `handler` and reports an exception it throws in the program's error
// box, as the application object does: no exception may unwind through the
// system's window procedures.
void guarded(const std::function<void()>& handler);
// What the error box says an escaped exception is; the program's title.
void setApplicationTitle(const std::string& title);
const std::string& applicationTitle();
void showException(const std::string& message);

// The dialog font: the system's message face at 8 points, for the screen's
// DPI, or for `dpi`; made once for each.
HFONT dialogFont();
HFONT dialogFontAt(int dpi);
// The dialog face at `height` device pixels, no larger than `largest`'s;
// made once for each height.
HFONT dialogFontOfHeight(int height, HFONT largest);
// A face, bold or not, `pixels` high in design pixels at `dpi`.
HFONT designFont(const char* face, int pixels, bool bold, int dpi);

// The dots an inch `window`'s top-level window of ours is drawn at: the
// screen's, or less where it had to shrink to fit the screen's work area.
int dpiOf(HWND window);
// Design pixels within `window`'s top-level window to device pixels, and back.
int toDevice(HWND window, int design);
Rect toDevice(HWND window, const Rect& design);
int toDesign(HWND window, int device);
Rect toDesign(HWND window, const Rect& device);

// A top-level window of the program: registers its window class, routes its
// messages to `handle`, and makes its controls in design pixels. Controls
// are children of the window or of a panel (a container that passes its
// controls' notifications on to the window), found by their control IDs.
class Form {
public:
    Form() = default;
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND hwnd() const { return hwnd_; }
    // What its controls and faces are drawn at (platform/win32/Dpi.h).
    int dpi() const { return dpi_; }
    // The form a window of ours belongs to; null for any other window.
    static Form* of(HWND window);

    // The client area as laid out, in device pixels; the window shows part
    // of it, scrolled to scrollOffset(), where the screen cannot hold it all.
    SIZE layoutSize() const { return layout_; }
    void setLayoutSize(SIZE size) { layout_ = size; }
    bool scrolls() const { return scrollsAcross_ || scrollsDown_; }
    POINT scrollOffset() const { return scroll_; }
    // Cuts the window to its monitor's work area where it does not fit, with
    // scroll bars for what is cut off, and keeps a cut side within the area;
    // undoes that where it fits again. Every window runs it when shown.
    void fitToScreen();
    // Limits a window's tracking size to its monitor's work area.
    void limitToWorkArea(MINMAXINFO& limits) const;

protected:
    // Creates the window, hidden, with a client area of the design size.
    void create(const wchar_t* className, const char* caption, DWORD style, DWORD exStyle, HWND owner, int clientWidth,
                int clientHeight);
    // A control in design pixels within `parent` (the window when null).
    HWND control(const wchar_t* cls, const std::string& text, DWORD style, int id, const Rect& design,
                 HWND parent = nullptr, DWORD exStyle = 0);
    // A container whose children sit in its own coordinates; with a title,
    // it draws a group box around them.
    HWND panel(int id, const Rect& design, const char* title = nullptr, HWND parent = nullptr);
    HWND label(const std::string& text, int id, const Rect& design, HWND parent = nullptr, DWORD style = SS_LEFT);
    HWND button(const std::string& text, int id, const Rect& design, HWND parent = nullptr,
                DWORD style = BS_PUSHBUTTON);
    // A horizontal bar from 0 to 100 with a border that fills in blocks, not
    // smoothly: the system's visual style draws every bar smooth, so this
    // one goes without it.
    HWND progressBar(const std::string& name, int id, const Rect& design, HWND parent = nullptr);

    // The window's messages; the default is the system's.
    virtual LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    // A control's WM_COMMAND, from the window or a panel.
    virtual void command(int id, int code, HWND control);
    // A control's WM_NOTIFY.
    virtual LRESULT notify(const NMHDR& header);
    LRESULT defaultHandling(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK panelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static void registerPanelClass();
    int fittingDpi(DWORD style, DWORD exStyle, int clientWidth, int clientHeight) const;
    void scrollTo(int bar, int position);

    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    SIZE layout_{};
    POINT scroll_{};
    bool scrollsAcross_ = false;
    bool scrollsDown_ = false;
    HWND focus_ = nullptr;  // the control that had the keyboard when the window lost it
};

// The window's whole rectangle, client size, placement on the screen, as the
// window logic reads them (design pixels).
class Win32Window : public Window {
public:
    explicit Win32Window(HWND w = nullptr) : w_(w) {}
    void attach(HWND w) { w_ = w; }
    Rect frame() const override;
    void moveTo(int left, int top) override;
    void setFrameHeight(int height) override;
    int clientWidth() const override;
    int clientHeight() const override;
    void setClientSize(int width, int height) override;
    bool visible() const override;
    void show() override;
    void hide() override;
    void close() override;
    void repaintNow() override;
    int screenWidth() const override;
    int screenHeight() const override;
    Rect availableArea() const override;
    WindowHandle handle() const override { return w_; }

protected:
    HWND w_;
};

// The message loop: runs until WM_QUIT, giving each window's keyboard
// navigation (Tab, arrows, Alt+letter) its dialog handling.
int runMessageLoop();
// Shows `window` and serves messages until it is hidden or destroyed, with
// every other window of the program disabled meanwhile. A WM_QUIT that comes
// meanwhile ends the loop and is posted again for the outer one.
void runModal(HWND window);
// Makes a one-line edit box draw its text in the middle of its height, not
// at its top, as drop-down lists and labels beside it do.
void centreTextVertically(HWND edit);
// Moves a window, frame and all, to the middle of the screen.
void centreOnScreen(HWND window);
// Gives `control` the keyboard: at once when its window is the active one,
// else as soon as that window is activated (a Form's window only). With
// `onlyFrom`, only where the keyboard is at that window now, or is to come
// back to it there.
void giveFocus(HWND control, HWND onlyFrom = nullptr);

}  // namespace platform::win32
