#include "recovery/win32/WaitformWindow.h"
#include "support/win32/Win32Pump.h"

#include <commctrl.h>

#include <gtest/gtest.h>

using namespace kestrune;
using namespace testsupport;

namespace id = waitform::id;

TEST(ProgressWindowWin32, LaidOutOnTopAndTheUserCannotCloseIt) {
    Form2Window w;
    const HWND h = w.hwnd();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(textOf(h), "Kestrune");
    RECT client{};
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, 262);
    EXPECT_EQ(client.bottom, 85);
    EXPECT_TRUE(GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongPtrW(h, GWL_STYLE) & WS_SYSMENU);  // no close box
    const RECT bar = placeOf(findControl(h, id::kTeProgressBar1));
    EXPECT_EQ(bar.left, 24);
    EXPECT_EQ(bar.top, 32);
    EXPECT_EQ(bar.right - bar.left, 209);
    EXPECT_EQ(textOf(findControl(h, id::kTeLabel2)), "Step 3 of 3");

    w.form().c.self.show();
    SendMessageW(h, WM_CLOSE, 0, 0);  // Alt+F4 and the window manager's close arrive as this
    EXPECT_TRUE(IsWindowVisible(h));
    // The recovery's redraw lets no click through to another window.
    const HWND other = CreateWindowW(WC_BUTTONW, L"x", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                     nullptr, nullptr);
    PostMessageW(other, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageW(other, WM_KEYDOWN, VK_SPACE, 0);
    PostMessageW(other, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"served"));  // not input: served
    w.form().c.self.repaintNow();
    MSG left{};
    EXPECT_FALSE(PeekMessageW(&left, other, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(SendMessageW(other, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
    DestroyWindow(other);
}
