#include "platform/win32/Dpi.h"
#include "platform/win32/UiDispatcher.h"
#include "support/Fakes.h"
#include "support/win32/Win32Pump.h"
#include "trim/win32/ApplicationsformWindow.h"

#include <commctrl.h>

#include <gtest/gtest.h>

using namespace kestrune;
using namespace testsupport;
namespace id = applicationsform::id;

namespace {

// The real window under Wine's null display, over fake applications: which
// control is wired to which rule. The rules are the logic test's.
struct ApplicationsWindow32 {
    FakeApplications apps;
    SharedActivity activity;
    FakeClock clock;
    platform::win32::Win32UiDispatcher ui;
    TrimRunner runner{apps, activity, clock, ui};
    std::unique_ptr<ApplicationsFormWindow> w;

    ApplicationsWindow32() {
        apps.put(appMB("c:\\apps\\reader.exe", "reader", 600, 0));
        apps.put(appMB("c:\\apps\\notes.exe", "Bloc-notes \u2014 \u00e9dition", 100, 0));  // beyond ASCII
        w = std::make_unique<ApplicationsFormWindow>(nullptr, runner);
    }
    HWND h() const { return w->hwnd(); }
    HWND at(int control) const {
        const HWND found = findControl(h(), control);
        EXPECT_NE(found, nullptr) << control;
        return found;
    }
    std::string cell(int row, int column) const {
        return platform::win32::Win32Table(at(id::kAppList)).cell(row, column);
    }
    int rows() const { return ListView_GetItemCount(at(id::kAppList)); }
    // As the list tells its window of a click on a column's header.
    void clickHeader(int column) const {
        NMLISTVIEW click{};
        click.hdr.hwndFrom = at(id::kAppList);
        click.hdr.idFrom = id::kAppList;
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = column;
        SendMessageW(h(), WM_NOTIFY, id::kAppList, reinterpret_cast<LPARAM>(&click));
    }
    int headerFormat(int column) const {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(ListView_GetHeader(at(id::kAppList)), HDM_GETITEMW, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&item));
        return item.fmt;
    }
    // A key as the message loop hands it on: through the window's dialog handling.
    void key(UINT message, WPARAM code) const {
        MSG msg{at(id::kAppList), message, code, message == WM_SYSCHAR ? LPARAM{1} << 29 : 0, 0, {}};
        IsDialogMessageW(h(), &msg);
    }
    bool enabled(int control) const { return IsWindowEnabled(at(control)) != FALSE; }
};

}  // namespace

TEST(ApplicationsWindowWin32, LaidOutWithItsListColumnsAndButtons) {
    ApplicationsWindow32 a;
    using platform::win32::toDevice;
    EXPECT_EQ(textOf(a.h()), "Applications");
    RECT client{};
    GetClientRect(a.h(), &client);
    EXPECT_EQ(client.right, toDevice(applicationsform::kClientWidth));
    EXPECT_EQ(client.bottom, toDevice(applicationsform::kClientHeight));
    const RECT list = placeOf(a.at(id::kAppList));
    EXPECT_EQ(list.left, toDevice(applicationsform::kList.left));
    EXPECT_EQ(list.top, toDevice(applicationsform::kList.top));
    EXPECT_EQ(textOf(a.at(id::kTrimSelectedButton)), "Trim &Selected");
    EXPECT_EQ(textOf(a.at(id::kTrimIdleButton)), "Tr&im Idle");
    EXPECT_EQ(textOf(a.at(id::kCloseButton)), "&Close");
    // Many rows may be chosen at once.
    EXPECT_EQ(GetWindowLongPtrW(a.at(id::kAppList), GWL_STYLE) & LVS_SINGLESEL, 0);
    for (int column = 0; column < applicationsform::kColumnCount; ++column) {
        wchar_t text[32] = {};
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT | LVCF_FMT;
        c.pszText = text;
        c.cchTextMax = static_cast<int>(std::size(text));
        SendMessageW(a.at(id::kAppList), LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c));
        EXPECT_EQ(platform::win32::utf8(text), applicationsform::kListHeaders[column]);
        // Figures line up on their right.
        EXPECT_EQ(c.fmt & LVCFMT_JUSTIFYMASK, column == 0 ? LVCFMT_LEFT : LVCFMT_RIGHT) << column;
    }
}

TEST(ApplicationsWindowWin32, TheListItsHeaderTheButtonsAndTheTimerReachTheLogic) {
    ApplicationsWindow32 a;
    a.w->showInFront();
    ASSERT_EQ(a.rows(), 2);
    EXPECT_EQ(a.cell(0, 0), "reader");  // the largest first
    EXPECT_EQ(a.cell(0, 1), "600 MB");
    EXPECT_EQ(a.cell(1, 0), "Bloc-notes \u2014 \u00e9dition");
    EXPECT_NE(a.headerFormat(1) & HDF_SORTDOWN, 0);

    a.clickHeader(0);  // "Application"
    EXPECT_EQ(a.cell(0, 0), "Bloc-notes \u2014 \u00e9dition");
    EXPECT_NE(a.headerFormat(0) & HDF_SORTUP, 0);
    EXPECT_EQ(a.headerFormat(1) & (HDF_SORTUP | HDF_SORTDOWN), 0);

    // The refresh timer's tick reads the applications again.
    a.apps.put(appMB("c:\\apps\\reader.exe", "reader", 700, 0));
    SendMessageW(a.h(), WM_TIMER, id::kRefreshTimer, 0);
    EXPECT_EQ(a.cell(1, 1), "700 MB");

    // A row the user selects reaches the logic, which offers its trim.
    EXPECT_FALSE(a.enabled(id::kTrimSelectedButton));
    ListView_SetItemState(a.at(id::kAppList), 1, LVIS_SELECTED, LVIS_SELECTED);  // "reader"
    EXPECT_TRUE(a.enabled(id::kTrimSelectedButton));
    SetFocus(a.at(id::kTrimSelectedButton));
    click(a.h(), id::kTrimSelectedButton);
    // Disabled while the trim runs, the button hands the keyboard on, so
    // Escape and the letters still reach the window; enabled again, it
    // takes it back.
    EXPECT_EQ(GetFocus(), a.at(id::kCloseButton));
    const HWND status = a.at(id::kStatusLabel);
    ASSERT_TRUE(win32PumpUntil([&] { return textOf(status).rfind("Trimmed", 0) == 0; }));
    EXPECT_EQ(textOf(status).rfind("Trimmed 700 MB: 700 MB of file cache. The file cache", 0), 0u) << textOf(status);
    EXPECT_EQ(platform::win32::Win32Table(a.at(id::kAppList)).selectedRows(), std::vector<int>{1});
    EXPECT_EQ(GetFocus(), a.at(id::kTrimSelectedButton));
    // Moved on by the user meanwhile, the keyboard stays where it went.
    click(a.h(), id::kTrimSelectedButton);
    SetFocus(a.at(id::kAppList));
    ASSERT_TRUE(win32PumpUntil([&] { return textOf(status).rfind("Trimmed", 0) == 0; }));
    EXPECT_EQ(GetFocus(), a.at(id::kAppList));

    // Its keyboard letter: Trim Idle, with nothing known to be idle yet.
    a.key(WM_SYSCHAR, 'i');
    EXPECT_EQ(textOf(status).rfind("Trimmed 0 MB: nothing is known to be idle yet", 0), 0u) << textOf(status);

    // Escape closes it, and nothing is read any more.
    const std::string trimmed = a.cell(1, 1);
    a.key(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_FALSE(IsWindowVisible(a.h()));
    a.apps.put(appMB("c:\\apps\\reader.exe", "reader", 800, 0));
    SendMessageW(a.h(), WM_TIMER, id::kRefreshTimer, 0);  // one the system had queued
    EXPECT_EQ(a.cell(1, 1), trimmed);

    // Shown again it reads afresh; Close and the title bar's close hide it.
    a.w->showInFront();
    EXPECT_EQ(a.cell(1, 1), "800 MB");
    click(a.h(), id::kCloseButton);
    EXPECT_FALSE(IsWindowVisible(a.h()));
    a.w->showInFront();
    SendMessageW(a.h(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindowVisible(a.h()));
    EXPECT_TRUE(IsWindow(a.h()));  // kept for the next time
}

TEST(ApplicationsWindowWin32, WhereTrimmingDoesNotWorkTheSentenceTakesTheListsPlace) {
    ApplicationsWindow32 a;
    a.apps.setUnavailable("Trimming needs a thing this system lacks.");
    a.w->showInFront();
    EXPECT_TRUE(IsWindowVisible(a.at(id::kNoticePanel)));
    EXPECT_EQ(textOf(a.at(id::kNoticeLabel)), "Trimming needs a thing this system lacks.");
    EXPECT_FALSE(IsWindowVisible(a.at(id::kAppList)));
    EXPECT_FALSE(a.enabled(id::kTrimIdleButton));
    EXPECT_FALSE(a.enabled(id::kTrimSelectedButton));
}
