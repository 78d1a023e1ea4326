#include "platform/MemoryStatus.h"
#include "platform/Registry.h"
#include "platform/win32/Dpi.h"
#include "schedule/win32/SchedulerformWindow.h"
#include "support/CapturedStderr.h"
#include "support/Fakes.h"
#include "support/IsolatedStore.h"
#include "support/StoredValues.h"
#include "support/win32/Win32Pump.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace kestrune;
using namespace testsupport;
using platform::win32::toDevice;
using platform::win32::Win32MaskedText;

namespace id = schedulerform::id;

namespace {

// The window as the program makes it here, with what this system tells.
struct Scheduler {
    IsolatedStore isolated;
    CapturedStderr quiet;  // the store's word on a value it cannot read
    BoxRecorder boxes;
    SchedulerWindow w;
    explicit Scheduler(SchedulerOffers offers = {.pressure = platform::reportsMemoryPressure()}) : w(nullptr, offers) {}
    HWND at(int control) const {
        const HWND found = findControl(w.hwnd(), control);
        EXPECT_NE(found, nullptr) << control;
        return found;
    }
    void click(int button) const { SendMessageW(at(button), BM_CLICK, 0, 0); }
    void type(int box, const char* text) const {
        SendMessageW(at(box), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(platform::win32::wide(text).c_str()));
    }
    void choose(int list, int item) const { SendMessageW(at(list), CB_SETCURSEL, static_cast<WPARAM>(item), 0); }
    std::string cell(int row, int column) const {
        return platform::win32::Win32ListView(at(id::kTeListView1)).cell(row, column);
    }
    bool shown(int panel) const { return (GetWindowLongPtrW(at(panel), GWL_STYLE) & WS_VISIBLE) != 0; }
    LONG_PTR style(int control) const { return GetWindowLongPtrW(at(control), GWL_STYLE); }
};

void expectPlace(HWND control, const platform::Rect& design) {
    const RECT r = placeOf(control);
    EXPECT_EQ(r.left, toDevice(design.left)) << GetDlgCtrlID(control);
    EXPECT_EQ(r.top, toDevice(design.top)) << GetDlgCtrlID(control);
    EXPECT_EQ(r.right, toDevice(design.left + design.width)) << GetDlgCtrlID(control);
    EXPECT_EQ(r.bottom, toDevice(design.top + design.height)) << GetDlgCtrlID(control);
}

int items(HWND list) { return static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0)); }
std::string chosen(HWND list) { return platform::win32::Win32ComboText(list).text(); }

constexpr int kRadios[] = {id::kTeRadioButton2, id::kTeRadioButton1, id::kTeRadioButton3,
                           id::kTeRadioButton4, id::kTeRadioButton5, id::kLoadRadioButton};
constexpr int kPanels[] = {id::kTeGroupBox1, id::kTeGroupBox2, id::kTeGroupBox4,
                           id::kTeGroupBox5, id::kTeGroupBox6, id::kLoadGroupBox};

}  // namespace

TEST(SchedulerWin32, LaidOutWithItsControlsAndInitialChoices) {
    Scheduler s;
    const HWND h = s.w.hwnd();
    EXPECT_EQ(textOf(h), "Scheduler");
    RECT client{};
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, toDevice(689));
    EXPECT_EQ(client.bottom, toDevice(343));
    const LONG_PTR frameStyle = GetWindowLongPtrW(h, GWL_STYLE);
    EXPECT_TRUE(frameStyle & WS_SYSMENU);
    EXPECT_FALSE(frameStyle & (WS_THICKFRAME | WS_MAXIMIZEBOX));
    // At the designed place, or as near it as keeps the whole frame on the screen.
    RECT frame{};
    GetWindowRect(h, &frame);
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_EQ(frame.left, std::max(area.left, std::min<LONG>(toDevice(737), area.right - (frame.right - frame.left))));
    EXPECT_EQ(frame.top, std::max(area.top, std::min<LONG>(toDevice(315), area.bottom - (frame.bottom - frame.top))));

    const char* radioTexts[] = {"&Hourly", "&Daily", "&Weekly", "&Monthly", "&Once", "By &load"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(textOf(s.at(kRadios[i])), radioTexts[i]);
        EXPECT_EQ(s.style(kRadios[i]) & BS_TYPEMASK, BS_AUTORADIOBUTTON);
        // One group, entered at its first.
        EXPECT_EQ((s.style(kRadios[i]) & WS_GROUP) != 0, i == 0) << i;
        EXPECT_EQ(SendMessageW(s.at(kRadios[i]), BM_GETCHECK, 0, 0), i == 1 ? BST_CHECKED : BST_UNCHECKED) << i;
        EXPECT_EQ(s.shown(kPanels[i]), i == 1) << i;
        expectPlace(s.at(kPanels[i]), {248, 16, i == 0 ? 425 : 433, 89});
    }
    expectPlace(s.at(id::kTeRadioButton5), {16, 71, 76, 17});
    EXPECT_EQ(GetParent(s.at(id::kTeRadioButton2)), s.at(id::kTeGroupBox3));

    EXPECT_EQ(textOf(s.at(id::kLabel13)), "&Run");
    EXPECT_EQ(s.style(id::kTeComboBox11) & 3, CBS_DROPDOWNLIST);
    EXPECT_EQ(items(s.at(id::kTeComboBox11)), 3);
    EXPECT_EQ(chosen(s.at(id::kTeComboBox11)), "Recovery");
    EXPECT_EQ(placeOf(s.at(id::kTeComboBox11)).left, toDevice(136));
    for (const int box : {id::kTeMaskEdit2, id::kTeMaskEdit3, id::kTeMaskEdit4, id::kTeMaskEdit5})
        EXPECT_EQ(textOf(s.at(box)), "10:00") << box;
    EXPECT_EQ(textOf(s.at(id::kTeMaskEdit1)), "30");
    for (const int amPm : {id::kTeComboBox3, id::kTeComboBox1, id::kTeComboBox7, id::kTeComboBox10}) {
        EXPECT_EQ(items(s.at(amPm)), 2) << amPm;
        EXPECT_EQ(chosen(s.at(amPm)), "AM") << amPm;
    }
    EXPECT_EQ(items(s.at(id::kTeComboBox6)), 7);
    EXPECT_EQ(chosen(s.at(id::kTeComboBox6)), "Friday");
    EXPECT_EQ(items(s.at(id::kTeComboBox9)), 31);
    EXPECT_EQ(chosen(s.at(id::kTeComboBox9)), "5");
    EXPECT_EQ(Win32DateText(s.at(id::kDateTimePicker1)).text(), "12/30/2003");
    EXPECT_EQ(s.style(id::kDateTimePicker1) & DTS_SHORTDATEFORMAT, DTS_SHORTDATEFORMAT);
    // The number boxes take digits only, their arrows the load trigger's range.
    EXPECT_EQ(textOf(s.at(id::kLoadPercentEdit)), "90");
    EXPECT_EQ(textOf(s.at(id::kLoadCooldownEdit)), "30");
    // Windows tells no memory pressure: only the load is offered.
    EXPECT_EQ(platform::win32::Win32ComboText(s.at(id::kLoadMeasureBox)).items(),
              std::vector<std::string>{"memory load"});
    EXPECT_EQ(chosen(s.at(id::kLoadMeasureBox)), "memory load");
    EXPECT_TRUE(s.style(id::kLoadCooldownEdit) & ES_NUMBER);
    int low = 0;
    int high = 0;
    SendMessageW(s.at(id::kLoadCooldownUpDown), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                 reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 1440);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(s.at(id::kLoadCooldownUpDown), UDM_GETBUDDY, 0, 0)),
              s.at(id::kLoadCooldownEdit));

    const HWND list = s.at(id::kTeListView1);
    // It holds no rows: the window gives the cells of those it shows.
    EXPECT_EQ(
        s.style(id::kTeListView1) & (LVS_TYPEMASK | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_EDITLABELS),
        LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS);
    EXPECT_TRUE(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
    const wchar_t* headers[] = {L"Scheduled Task", L"When"};
    const int widths[] = {200, 400};
    for (int column = 0; column < 2; ++column) {
        wchar_t text[32] = {};
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH;
        c.pszText = text;
        c.cchTextMax = static_cast<int>(std::size(text));
        ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c)));
        EXPECT_STREQ(text, headers[column]);
        EXPECT_EQ(c.cx, toDevice(widths[column]));
    }
    expectPlace(list, {8, 120, 673, 181});
    EXPECT_EQ(textOf(s.at(id::kTeButton1)), "&Schedule");
    expectPlace(s.at(id::kTeButton1), {340, 31, 81, 33});
    expectPlace(s.at(id::kTeButton4), {332, 31, 81, 33});
    EXPECT_EQ(textOf(s.at(id::kTeButton3)), "R&emove");
    expectPlace(s.at(id::kTeButton3), {24, 304, 81, 33});
    EXPECT_EQ(textOf(s.at(id::kTeButton2)), "&Close");
    expectPlace(s.at(id::kTeButton2), {600, 304, 73, 33});
    EXPECT_TRUE(s.boxes.calls().empty());
}

// What each panel's controls stand for is the logic test's; here each
// control's adapter and each button reach it.
TEST(SchedulerWin32, EachPanelsControlsAndButtonsReachTheLogic) {
    Scheduler s({.pressure = true});  // so that choosing the pressure reaches it too
    ShowWindow(s.w.hwnd(), SW_SHOWNA);
    s.click(id::kTeButton1);
    EXPECT_EQ(storedText(platform::kScheduleKey, "0"), "R 10 0 every day 0 0 0");
    EXPECT_EQ(s.cell(0, 0), "Memory Recovery");
    EXPECT_EQ(s.cell(0, 1), "Every day at 10:00AM");

    for (int i = 0; i < 6; ++i) {
        s.click(kRadios[i]);
        for (int j = 0; j < 6; ++j) EXPECT_EQ(s.shown(kPanels[j]), i == j) << i << " " << j;
    }

    s.type(id::kTeMaskEdit1, "45");
    s.click(id::kTeButton4);
    EXPECT_EQ(storedText(platform::kScheduleKey, "1"), "R 0 45 every hour 0 0 0");

    s.type(id::kTeMaskEdit3, "2:30");
    s.choose(id::kTeComboBox1, 1);
    s.choose(id::kTeComboBox6, 1);
    s.click(id::kTeButton5);
    EXPECT_EQ(storedText(platform::kScheduleKey, "2"), "R 14 30 every week 0 1 0");

    s.choose(id::kTeComboBox11, 1);
    s.type(id::kTeMaskEdit4, "09:15");
    s.choose(id::kTeComboBox9, 6);
    s.click(id::kTeButton6);
    EXPECT_EQ(storedText(platform::kScheduleKey, "3"), "S 9 15 every month 0 7 0");

    s.choose(id::kTeComboBox11, 2);
    s.type(id::kTeMaskEdit5, "11:00");
    s.choose(id::kTeComboBox10, 1);
    s.click(id::kTeButton7);
    EXPECT_EQ(storedText(platform::kScheduleKey, "4"), "SR 23 0 on 12 30 2003");  // whatever the locale's date form

    s.type(id::kTeMaskEdit2, "07:05");
    s.choose(id::kTeComboBox3, 1);
    s.choose(id::kTeComboBox11, 0);
    s.click(id::kTeButton1);
    EXPECT_EQ(storedText(platform::kScheduleKey, "5"), "R 19 5 every day 0 0 0");

    s.type(id::kLoadPercentEdit, "85");
    s.type(id::kLoadCooldownEdit, "5");
    s.click(id::kLoadButton);
    EXPECT_EQ(storedText(platform::kLoadTriggerKey, "0"), "R 85 5 0");
    EXPECT_EQ(s.cell(6, 0), "Memory Recovery");
    // "memory pressure" chosen, as its list tells its window: the percent
    // left at the load's 90 moves to the pressure's 20.
    s.type(id::kLoadPercentEdit, "90");
    const HWND measure = s.at(id::kLoadMeasureBox);
    s.choose(id::kLoadMeasureBox, 1);
    SendMessageW(GetParent(measure), WM_COMMAND, MAKEWPARAM(id::kLoadMeasureBox, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(measure));
    s.click(id::kLoadButton);
    EXPECT_EQ(storedText(platform::kLoadTriggerKey, "1"), "R 20 5 0 pressure");

    // A row selected as a click selects it, then Remove.
    LVITEMW select{};
    select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    select.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(s.at(id::kTeListView1), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&select));
    s.click(id::kTeButton3);
    EXPECT_EQ(storedText(platform::kScheduleKey, "1"), "(none)");
    EXPECT_EQ(ListView_GetItemCount(s.at(id::kTeListView1)), 7);
    EXPECT_TRUE(s.boxes.calls().empty());
}

// The time and minutes boxes as typed into, and as the rules read them.
TEST(SchedulerWin32, ShapedBoxesKeepTheirShapeAndReadInFixedPositions) {
    Scheduler s;
    const HWND time = s.at(id::kTeMaskEdit2);
    auto key = [&](HWND box, WPARAM c) { SendMessageW(box, WM_CHAR, c, 1); };
    const Win32MaskedText read(time, schedulerform::kTimeShape);

    s.type(id::kTeMaskEdit2, "2:30");  // a set text is fitted field by field
    EXPECT_EQ(textOf(time), "_2:30");
    EXPECT_EQ(read.text(), " 2:30");

    // Typing over a whole selection: the places emptied, the digit at the first.
    SendMessageW(time, EM_SETSEL, 0, -1);
    key(time, '2');
    EXPECT_EQ(textOf(time), "2_:__");
    SendMessageW(time, EM_SETSEL, 3, 3);
    key(time, '4');
    key(time, 'x');  // no letter, sign or colon gets in
    key(time, ':');
    key(time, '5');
    key(time, '9');  // past the last place: nothing
    EXPECT_EQ(textOf(time), "2_:45");
    EXPECT_EQ(read.text(), " 2:45");

    // The caret passes over the colon, both ways; Delete unfills without moving.
    SendMessageW(time, EM_SETSEL, 1, 1);
    key(time, '1');
    EXPECT_EQ(textOf(time), "21:45");
    DWORD caret = 0;
    SendMessageW(time, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
    EXPECT_EQ(caret, 3u);
    key(time, '\b');
    EXPECT_EQ(textOf(time), "2_:45");
    SendMessageW(time, EM_SETSEL, 3, 3);
    SendMessageW(time, WM_KEYDOWN, VK_DELETE, 1);
    EXPECT_EQ(textOf(time), "2_:_5");
    EXPECT_EQ(read.text(), " 2: 5");

    const HWND minutes = s.at(id::kTeMaskEdit1);
    SendMessageW(minutes, EM_SETSEL, 0, -1);
    key(minutes, '7');
    EXPECT_EQ(textOf(minutes), "7_");
    EXPECT_EQ(Win32MaskedText(minutes, schedulerform::kMinutesShape).text(), " 7");

    // The picker's date in and out as month/day/year, whatever it shows.
    Win32DateText date(s.at(id::kDateTimePicker1));
    date.setText("2/3/2024");
    SYSTEMTIME held{};
    ASSERT_EQ(SendMessageW(s.at(id::kDateTimePicker1), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&held)),
              GDT_VALID);
    EXPECT_EQ(held.wYear, 2024);
    EXPECT_EQ(held.wMonth, 2);
    EXPECT_EQ(held.wDay, 3);
    EXPECT_EQ(date.text(), "2/3/2024");
    date.setText("not a date");
    EXPECT_EQ(date.text(), "2/3/2024");
}

namespace {

HWND watched = nullptr;
bool timedOut = false;
void CALLBACK giveUp(HWND, UINT, UINT_PTR, DWORD) {
    timedOut = true;
    ShowWindow(watched, SW_HIDE);
}

// Runs the window modally with `message` waiting for it; true when that
// message, not the watchdog, ended it.
bool endsTheModalLoop(Scheduler& s, HWND to, UINT message, WPARAM wParam) {
    watched = s.w.hwnd();
    timedOut = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 3000, &giveUp);
    PostMessageW(to, message, wParam, 0);
    s.w.showModal();
    KillTimer(nullptr, timer);
    return !timedOut && !IsWindowVisible(s.w.hwnd());
}

}  // namespace

TEST(SchedulerWin32, ShowingReadsTheListAndCloseEscapeAndTheTitleBarEndIt) {
    Scheduler s;
    ASSERT_TRUE(storeText(platform::kScheduleKey, "0", "S 10 0 every day 0 0 0"));
    EXPECT_TRUE(endsTheModalLoop(s, s.at(id::kTeButton2), BM_CLICK, 0));
    EXPECT_EQ(s.cell(0, 0), "Memory Scrub");

    EXPECT_TRUE(endsTheModalLoop(s, s.at(id::kTeButton3), WM_KEYDOWN, VK_ESCAPE));
    EXPECT_TRUE(endsTheModalLoop(s, s.w.hwnd(), WM_SYSCOMMAND, SC_CLOSE));
    EXPECT_TRUE(endsTheModalLoop(s, s.w.hwnd(), WM_CLOSE, 0));
    // Hidden, not gone: the opener destroys it.
    EXPECT_TRUE(IsWindow(s.w.hwnd()));
    EXPECT_TRUE(s.boxes.calls().empty());
}

TEST(SchedulerWin32, ClosedListsAreAsHighAsTheBoxesAndTheBoxesTextSitsInTheirMiddle) {
    Scheduler s;
    for (const int list : {id::kTeComboBox11, id::kTeComboBox3, id::kTeComboBox6, id::kTeComboBox9}) {
        RECT closed{};
        GetWindowRect(s.at(list), &closed);
        EXPECT_EQ(closed.bottom - closed.top, platform::win32::toDevice(schedulerform::kBoxHeight)) << list;
    }
    for (const int box : {id::kTeMaskEdit1, id::kTeMaskEdit2, id::kLoadPercentEdit}) {
        RECT frame{}, text{};
        GetWindowRect(s.at(box), &frame);
        GetClientRect(s.at(box), &text);
        MapWindowPoints(s.at(box), nullptr, reinterpret_cast<POINT*>(&text), 2);
        EXPECT_LE(std::abs((text.top - frame.top) - (frame.bottom - text.bottom)), 1) << box;
    }
}

TEST(SchedulerWin32, KeyboardLettersReachTheirControls) {
    Scheduler s;
    ShowWindow(s.w.hwnd(), SW_SHOWNA);
    auto alt = [&](char letter) {
        PostMessageW(s.at(id::kTeButton3), WM_SYSCHAR, static_cast<WPARAM>(letter), 1 << 29);
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!IsDialogMessageW(s.w.hwnd(), &msg)) DispatchMessageW(&msg);
    };
    // Tab comes into the periods on the checked one, from either side.
    EXPECT_EQ(GetNextDlgTabItem(s.w.hwnd(), nullptr, FALSE), s.at(id::kTeRadioButton1));
    EXPECT_EQ(GetNextDlgTabItem(s.w.hwnd(), s.at(id::kTeComboBox11), TRUE), s.at(id::kTeRadioButton1));
    // Run's letter takes the keyboard to its list, where Down changes it.
    alt('r');
    EXPECT_EQ(GetFocus(), s.at(id::kTeComboBox11));
    SendMessageW(s.at(id::kTeComboBox11), WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(platform::win32::Win32ComboText(s.at(id::kTeComboBox11)).text(), "Scrub");
    alt('w');
    EXPECT_TRUE(s.shown(id::kTeGroupBox4));
    EXPECT_EQ(GetNextDlgTabItem(s.w.hwnd(), s.at(id::kTeComboBox11), TRUE), s.at(id::kTeRadioButton3));
    // Every panel's button has the letter S: the one shown takes it.
    alt('s');
    EXPECT_EQ(storedText(platform::kScheduleKey, "0"), "S 10 0 every week 0 5 0");
    EXPECT_EQ(storedText(platform::kScheduleKey, "1"), "(none)");
}
