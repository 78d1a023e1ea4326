#include "app/win32/WizardformWindow.h"
#include "platform/win32/Dpi.h"
#include "support/Fakes.h"
#include "support/win32/Win32Pump.h"

#include <gtest/gtest.h>

using namespace kestrune;
using namespace testsupport;
using platform::win32::toDesign;

namespace w = wizard;

namespace {

// A tutorial bound to a flag of the test's, as its opener binds it.
struct TutorialFixture {
    BoxRecorder boxes;  // none may wait on screen
    bool flag = true;
    WizardFormWindow window;
    TutorialFixture() { window.form().showNextTimeFlag = &flag; }
    HWND h() const { return window.hwnd(); }
    HWND control(int id) const { return findControl(h(), id); }
    bool ticked() const { return SendMessageW(control(w::id::kTeCheckBox1), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    platform::Rect place(int id) const {
        const RECT r = placeOf(control(id));
        return toDesign(platform::Rect{r.left, r.top, r.right - r.left, r.bottom - r.top});
    }
};

}  // namespace

TEST(TutorialWindowWin32, LaidOutAsDesignedInTwoRaisedPanelsWhoseBodyFollowsTheWindowsHeight) {
    TutorialFixture f;
    EXPECT_EQ(textOf(f.h()), "Memory Tutorial");
    const struct {
        int id, parent;
        const char* text;
        platform::Rect place;
    } controls[] = {
        {w::id::kTePanel1, 0, "", w::kPanel1},
        {w::id::kLabel1, w::id::kTePanel1, "Kestrune Help", w::kLabel1},
        {w::id::kLabel2, w::id::kTePanel2, w::kIntro, w::kLabel2},
        {w::id::kLabel9, w::id::kTePanel2, w::kStatus, {16, 144, 200, w::kLabel9ShownHeight}},
        {w::id::kLabel3, w::id::kTePanel2, w::kFreeing, w::kLabel3},
        // These three follow the window's height, from the start.
        {w::id::kTePanel2, 0, "", {8, 80, 233, 320}},
        {w::id::kTeButton2, w::id::kTePanel2, "&Done", {64, 265, 97, 25}},
        {w::id::kTeCheckBox1, w::id::kTePanel2, "&Show This Next Time", {48, 295, 137, 17}},
    };
    for (const auto& c : controls) {
        EXPECT_EQ(GetParent(f.control(c.id)), c.parent != 0 ? f.control(c.parent) : f.h()) << c.id;
        EXPECT_EQ(textOf(f.control(c.id)), c.text);
        EXPECT_EQ(f.place(c.id), c.place) << c.id;
    }
    LOGFONTW face{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(f.control(w::id::kLabel1), WM_GETFONT, 0, 0)), sizeof face, &face);
    EXPECT_GE(face.lfWeight, FW_BOLD);
    EXPECT_TRUE(f.ticked());  // as designed, before it is shown

    // A panel's own paint: raised, its edge inside it and visible on every
    // side against the face (a highlight alone is not, on a near-white one).
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, CreateBitmap(w::kPanel1.width, w::kPanel1.height, 1, 32, nullptr));
    SendMessageW(f.control(w::id::kTePanel1), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    const int right = w::kPanel1.width - 1, bottom = w::kPanel1.height - 1;
    for (const POINT edge : {POINT{0, 20}, POINT{100, 0}, POINT{right, 20}, POINT{100, bottom}})
        EXPECT_EQ(GetPixel(dc, edge.x, edge.y), GetSysColor(COLOR_BTNSHADOW)) << edge.x << "," << edge.y;
    EXPECT_EQ(GetPixel(dc, 1, 20), GetSysColor(COLOR_BTNHIGHLIGHT));  // raised: light inside top and left
    EXPECT_EQ(GetPixel(dc, right - 1, 20), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(GetPixel(dc, 4, 4), GetSysColor(COLOR_BTNFACE));
    DeleteObject(SelectObject(dc, previous));
    DeleteDC(dc);

    platform::win32::Win32Window(f.h()).setClientSize(w::kClientWidth, 500);  // docked to a taller main window
    EXPECT_EQ(f.place(w::id::kTePanel2).height, 395);
    EXPECT_EQ(f.place(w::id::kTeCheckBox1).top, 370);
    EXPECT_EQ(f.place(w::id::kTeButton2).top, 340);
}

TEST(TutorialWindowWin32, ShownItLoadsTheFlagAndDoneCloseOrEscapeWriteItBackAndOnlyHide) {
    TutorialFixture f;
    f.flag = false;
    ShowWindow(f.h(), SW_SHOW);
    EXPECT_FALSE(f.ticked());
    click(f.h(), w::id::kTeCheckBox1);
    click(f.h(), w::id::kTeButton2);
    EXPECT_FALSE(IsWindowVisible(f.h()));
    EXPECT_TRUE(f.flag);

    ShowWindow(f.h(), SW_SHOW);
    EXPECT_TRUE(f.ticked());
    click(f.h(), w::id::kTeCheckBox1);
    SendMessageW(f.h(), WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    EXPECT_FALSE(IsWindowVisible(f.h()));
    EXPECT_FALSE(f.flag);

    ShowWindow(f.h(), SW_SHOW);
    MSG escape{f.control(w::id::kTeCheckBox1), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    IsDialogMessageW(f.h(), &escape);  // as the message loop hands it on
    EXPECT_FALSE(IsWindowVisible(f.h()));
    EXPECT_TRUE(IsWindow(f.h()));
    EXPECT_TRUE(f.boxes.calls().empty());
}
