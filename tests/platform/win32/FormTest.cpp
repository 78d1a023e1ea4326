#include "platform/win32/Controls.h"
#include "platform/win32/Dpi.h"
#include "platform/win32/Form.h"
#include "support/win32/Win32Pump.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform::win32;

namespace {

// A window laid out larger than any screen, with a button at its far corner.
class Huge final : public Form {
public:
    Huge(int width, int height) {
        create(L"KestruneTestHuge", "Huge", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0, nullptr, width, height);
        corner = button("Close", 7, {width - 90, height - 40, 81, 33});
        self.attach(hwnd());
    }
    HWND corner;
    Win32Window self;
};

RECT workArea() {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

}  // namespace

TEST(FormFit, AWindowTheScreenCannotHoldFitsItsWorkAreaAndScrollsToEveryControl) {
    const RECT area = workArea();
    const int width = toDesign(area.right - area.left) + 400;
    const int height = toDesign(area.bottom - area.top) + 300;
    Huge w(width, height);
    ShowWindow(w.hwnd(), SW_SHOW);
    testsupport::win32Pump();

    RECT frame{};
    GetWindowRect(w.hwnd(), &frame);
    EXPECT_GE(frame.left, area.left);
    EXPECT_GE(frame.top, area.top);
    EXPECT_LE(frame.right, area.right);
    EXPECT_LE(frame.bottom, area.bottom);
    const auto style = GetWindowLongPtrW(w.hwnd(), GWL_STYLE);
    EXPECT_TRUE((style & WS_VSCROLL) != 0 && (style & WS_HSCROLL) != 0);
    EXPECT_TRUE(w.scrolls());
    // To the logic its client area is still the one laid out.
    EXPECT_EQ(w.self.clientWidth(), width);
    EXPECT_EQ(w.self.clientHeight(), height);

    // Scrolled to the end, the corner's button is inside the window.
    SendMessageW(w.hwnd(), WM_HSCROLL, SB_BOTTOM, 0);
    SendMessageW(w.hwnd(), WM_VSCROLL, SB_BOTTOM, 0);
    RECT client{};
    GetClientRect(w.hwnd(), &client);
    const RECT button = testsupport::placeOf(w.corner);
    EXPECT_GE(button.left, 0);
    EXPECT_LE(button.right, client.right);
    EXPECT_LE(button.bottom, client.bottom);
    EXPECT_EQ(w.scrollOffset().y, toDevice(height) - client.bottom);
}

TEST(FormFit, AWindowThatFitsIsLeftAsLaidOut) {
    Huge w(300, 200);
    SetWindowPos(w.hwnd(), nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(w.hwnd(), SW_SHOW);
    testsupport::win32Pump();
    EXPECT_FALSE(w.scrolls());
    EXPECT_EQ(GetWindowLongPtrW(w.hwnd(), GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL), 0);
    RECT frame{};
    GetWindowRect(w.hwnd(), &frame);
    EXPECT_EQ(frame.left, 10);
    EXPECT_EQ(w.self.clientWidth(), 300);
}

namespace {

// A button that is disabled while its work runs, and two after it.
class Buttons final : public Form {
public:
    Buttons() {
        create(L"KestruneTestButtons", "Buttons", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0, nullptr, 290, 60);
        first = button("First", 7, {8, 8, 81, 33});
        next = button("Next", 8, {100, 8, 81, 33});
        last = button("Last", 9, {192, 8, 81, 33});
    }
    HWND first;
    HWND next;
    HWND last;
    std::vector<int> pressed;

private:
    void command(int id, int code, HWND) override {
        if (code == BN_CLICKED) pressed.push_back(id);
    }
};

// Buttons in a panel beside a box that does not take Enter.
class Panelled final : public Form {
public:
    Panelled() {
        create(L"KestruneTestPanelled", "Panelled", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0, nullptr, 290, 60);
        const HWND p = panel(5, {0, 0, 290, 60});
        box = control(WC_EDITW, "", WS_TABSTOP, 6, {8, 8, 81, 23}, p);
        done = button("Done", 7, {100, 8, 81, 33}, p);
    }
    HWND box;
    HWND done;
    std::vector<int> pressed;

private:
    void command(int id, int code, HWND) override {
        if (code == BN_CLICKED) pressed.push_back(id);
    }
};

// As the message loop hands a key on: through the window's dialog handling.
void pressEnter(HWND window) {
    MSG msg{GetFocus(), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    IsDialogMessageW(window, &msg);
}

}  // namespace

// Enabled again while another window is active, a button that was disabled
// with the keyboard has it when its window comes back, unless the keyboard
// had been moved on from where it was handed.
TEST(FormKeyboard, AButtonEnabledWhileItsWindowIsInactiveTakesTheKeyboardBackOnReturn) {
    Buttons w, other;
    Win32Button first(w.first);
    for (const bool movedOn : {false, true}) {
        ShowWindow(w.hwnd(), SW_SHOW);
        SetForegroundWindow(w.hwnd());
        SetFocus(w.first);
        first.setEnabled(false);
        ASSERT_EQ(GetFocus(), w.next);
        if (movedOn) SetFocus(w.last);
        ShowWindow(other.hwnd(), SW_SHOW);
        SetForegroundWindow(other.hwnd());
        ASSERT_EQ(GetActiveWindow(), other.hwnd());
        first.setEnabled(true);
        EXPECT_NE(GetFocus(), w.first);  // not while the other window is the active one
        SetForegroundWindow(w.hwnd());
        EXPECT_EQ(GetFocus(), movedOn ? w.last : w.first) << movedOn;
    }
}

// None of our windows is a dialog with a default button of its own: Enter
// presses the push button that has the keyboard, and nothing elsewhere.
TEST(FormKeyboard, EnterPressesThePushButtonWithTheKeyboard) {
    Buttons w;
    ShowWindow(w.hwnd(), SW_SHOW);
    SetForegroundWindow(w.hwnd());
    SetFocus(w.next);
    pressEnter(w.hwnd());
    pressEnter(w.hwnd());  // again: the keyboard stayed on it
    EXPECT_EQ(w.pressed, (std::vector<int>{8, 8}));
    EnableWindow(w.next, FALSE);
    SetFocus(w.next);
    pressEnter(w.hwnd());
    EXPECT_EQ(w.pressed.size(), 2u);

    Panelled p;
    ShowWindow(p.hwnd(), SW_SHOW);
    SetForegroundWindow(p.hwnd());
    SetFocus(p.box);
    pressEnter(p.hwnd());
    EXPECT_TRUE(p.pressed.empty());
    SetFocus(p.done);
    pressEnter(p.hwnd());
    EXPECT_EQ(p.pressed, std::vector<int>{7});
}

namespace {

// A window that only hides when closed, as the program's own do, owned by
// `owner`.
class Owned final : public Form {
public:
    explicit Owned(HWND owner) {
        create(L"KestruneTestOwned", "Owned", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0, owner, 200, 60);
        button("Close", 7, {8, 8, 81, 33});
    }

private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_CLOSE) return defaultHandling(message, wParam, lParam);
        ShowWindow(hwnd(), SW_HIDE);
        return 0;
    }
};

}  // namespace

// Closed by the keyboard, a window hands the keyboard back to its owner, so
// the next key reaches it: one shown modally (its owner disabled while it
// was hidden) and one that was not.
TEST(FormKeyboard, AnOwnedWindowClosedHandsTheKeyboardBackToItsOwner) {
    Buttons main;
    ShowWindow(main.hwnd(), SW_SHOW);
    SetForegroundWindow(main.hwnd());
    SetFocus(main.next);
    Owned modal(main.hwnd());
    PostMessageW(modal.hwnd(), WM_CLOSE, 0, 0);
    runModal(modal.hwnd());
    EXPECT_EQ(GetActiveWindow(), main.hwnd());
    EXPECT_EQ(GetFocus(), main.next);

    Owned modeless(main.hwnd());
    ShowWindow(modeless.hwnd(), SW_SHOW);
    SetForegroundWindow(modeless.hwnd());
    ASSERT_EQ(GetActiveWindow(), modeless.hwnd());
    SendMessageW(modeless.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(GetActiveWindow(), main.hwnd());
    EXPECT_EQ(GetFocus(), main.next);
}
