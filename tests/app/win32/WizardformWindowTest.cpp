#include "app/win32/WizardformWindow.h"
#include "platform/win32/Dpi.h"
#include "support/Fakes.h"
#include "support/win32/Win32Pump.h"

#include <gtest/gtest.h>

using namespace kestrune;
using namespace testsupport;
using platform::win32::toDevice;

namespace w = wizard;

namespace {

// A tutorial bound to a flag of the test's, as its opener binds it.
struct TutorialFixture {
    BoxRecorder boxes;  // none is expected; none may wait on screen
    bool flag = true;
    WizardFormWindow window;
    TutorialFixture() { window.form().showNextTimeFlag = &flag; }
    HWND h() const { return window.hwnd(); }
    HWND control(int id) const { return findControl(h(), id); }
    bool ticked() const { return SendMessageA(control(w::id::kTeCheckBox1), BM_GETCHECK, 0, 0) == BST_CHECKED; }
};

// A control's place in its parent, in the parent's design pixels but for its top.
void expectPlaceButTop(HWND control, HWND parent, const platform::Rect& design) {
    EXPECT_EQ(GetParent(control), parent);
    const RECT r = placeOf(control);
    EXPECT_EQ(r.left, toDevice(design.left));
    EXPECT_EQ(r.right - r.left, toDevice(design.width));
    EXPECT_EQ(r.bottom - r.top, toDevice(design.height));
}

void expectPlace(HWND control, HWND parent, const platform::Rect& design) {
    expectPlaceButTop(control, parent, design);
    EXPECT_EQ(placeOf(control).top, toDevice(design.top));
}

}  // namespace

TEST(TutorialWindowWin32, LaidOutAsDesignedInTwoRaisedPanels) {
    TutorialFixture f;
    const HWND h = f.h();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(textOf(h), "Memory Tutorial");
    RECT client{};
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, toDevice(w::kClientWidth));
    EXPECT_EQ(client.bottom, toDevice(w::kClientHeight));
    const auto style = GetWindowLongPtrA(h, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));  // a close box only

    const HWND panel1 = f.control(w::id::kTePanel1);
    const HWND panel2 = f.control(w::id::kTePanel2);
    expectPlace(panel1, h, w::kPanel1);
    EXPECT_EQ(placeOf(panel2).left, toDevice(w::kPanel2.left));  // its height follows the window's (below)
    EXPECT_EQ(placeOf(panel2).top, toDevice(w::kPanel2.top));
    EXPECT_EQ(placeOf(panel2).right, toDevice(w::kPanel2.left + w::kPanel2.width));
    const HWND heading = f.control(w::id::kLabel1);
    expectPlace(heading, panel1, w::kLabel1);
    EXPECT_EQ(textOf(heading), "Kestrune Help");
    LOGFONTA face{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(heading, WM_GETFONT, 0, 0)), sizeof face, &face);
    EXPECT_GE(face.lfWeight, FW_BOLD);
    EXPECT_EQ(face.lfHeight, -toDevice(w::kLabel1FontPixels));

    const HWND intro = f.control(w::id::kLabel2);
    expectPlace(intro, panel2, w::kLabel2);
    EXPECT_EQ(textOf(intro), w::kIntro);
    const HWND status = f.control(w::id::kLabel9);
    expectPlace(status, panel2, {w::kLabel9.left, w::kLabel9.top, w::kLabel9.width, w::kLabel9ShownHeight});
    EXPECT_EQ(textOf(status), w::kStatus);
    const HWND freeing = f.control(w::id::kLabel3);
    expectPlace(freeing, panel2, w::kLabel3);
    EXPECT_EQ(textOf(freeing), w::kFreeing);
    for (const HWND text : {intro, status, freeing})  // word-wrapped
        EXPECT_EQ(GetWindowLongPtrA(text, GWL_STYLE) & SS_TYPEMASK, SS_LEFT);

    const HWND done = f.control(w::id::kTeButton2);
    const HWND box = f.control(w::id::kTeCheckBox1);
    expectPlaceButTop(done, panel2, w::kButton2);
    expectPlaceButTop(box, panel2, w::kCheckBox1);
    EXPECT_EQ(textOf(done), "&Done");
    EXPECT_EQ(textOf(box), "&Show This Next Time");
    EXPECT_EQ(GetWindowLongPtrA(box, GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
    EXPECT_TRUE(f.ticked());  // as designed, before it is shown
    EXPECT_EQ(GetNextDlgTabItem(h, done, FALSE), box);

    // Each panel draws its raised edge inside itself.
    for (const HWND panel : {panel1, panel2}) {
        RECT r{};
        GetClientRect(panel, &r);
        const HDC screen = GetDC(nullptr);
        const HDC dc = CreateCompatibleDC(screen);
        const HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
        ReleaseDC(nullptr, screen);
        const HGDIOBJ previous = SelectObject(dc, bitmap);
        SendMessageA(panel, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        EXPECT_EQ(GetPixel(dc, 0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
        EXPECT_EQ(GetPixel(dc, r.right - 1, r.bottom - 1), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(GetPixel(dc, 4, 4), GetSysColor(COLOR_BTNFACE));
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
}

TEST(TutorialWindowWin32, ShownItLoadsTheFlagAndDoneCloseOrEscapeWriteItBackAndOnlyHide) {
    TutorialFixture f;
    const HWND h = f.h();
    f.flag = false;
    ShowWindow(h, SW_SHOW);
    EXPECT_FALSE(f.ticked());  // though ticked as designed
    click(h, w::id::kTeCheckBox1);
    click(h, w::id::kTeButton2);
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_TRUE(IsWindow(h));
    EXPECT_TRUE(f.flag);

    // Brought back with its owner: not a show by the opener, the box stays.
    click(h, w::id::kTeCheckBox1);
    f.flag = true;
    SendMessageA(h, WM_SHOWWINDOW, TRUE, SW_PARENTOPENING);
    EXPECT_FALSE(f.ticked());

    ShowWindow(h, SW_SHOW);
    EXPECT_TRUE(f.ticked());
    click(h, w::id::kTeCheckBox1);
    SendMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_FALSE(f.flag);

    ShowWindow(h, SW_SHOW);
    click(h, w::id::kTeCheckBox1);
    MSG escape{f.control(w::id::kTeCheckBox1), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(IsDialogMessageA(h, &escape));  // as the message loop hands it on
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_TRUE(f.flag);
    EXPECT_TRUE(f.boxes.calls().empty());
}

TEST(TutorialWindowWin32, TheBodyFollowsTheWindowsHeight) {
    TutorialFixture f;
    const auto tops = [&] {
        return std::vector<LONG>{placeOf(f.control(w::id::kTePanel2)).bottom - placeOf(f.control(w::id::kTePanel2)).top,
                                 placeOf(f.control(w::id::kTeCheckBox1)).top,
                                 placeOf(f.control(w::id::kTeButton2)).top};
    };
    EXPECT_EQ(tops(), (std::vector<LONG>{toDevice(320), toDevice(295), toDevice(265)}));
    platform::win32::Win32Window(f.h()).setClientSize(w::kClientWidth, 500);  // docked to a taller main window
    EXPECT_EQ(tops(), (std::vector<LONG>{toDevice(395), toDevice(370), toDevice(340)}));
}
