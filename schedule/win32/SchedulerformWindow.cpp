#include "schedule/win32/SchedulerformWindow.h"

#include "platform/win32/Dpi.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace kestrune {
namespace {

namespace sf = schedulerform;
using namespace platform::win32;
using platform::Rect;
using platform::withMnemonic;

static_assert(sf::kUnfilled == kUnfilledPlace, "the rules read an unfilled place as the box shows it");

// A text's size in design pixels in the dialog font.
SIZE designExtent(HWND w, const char* text) {
    const HDC dc = GetDC(w);
    const HGDIOBJ old = SelectObject(dc, dialogFontAt(dpiOf(w)));
    SIZE size{};
    const std::wstring shown = platform::win32::wide(text);
    GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    return {toDesign(w, size.cx) + 1, toDesign(w, size.cy)};
}

using Handler = void (TScheduler::*)();
struct Click {
    int id;
    Handler handler;
};
constexpr Click kClicks[] = {
    {sf::id::kTeRadioButton2, &TScheduler::TeRadioButton2Click},
    {sf::id::kTeRadioButton1, &TScheduler::TeRadioButton1Click},
    {sf::id::kTeRadioButton3, &TScheduler::TeRadioButton3Click},
    {sf::id::kTeRadioButton4, &TScheduler::TeRadioButton4Click},
    {sf::id::kTeRadioButton5, &TScheduler::TeRadioButton5Click},
    {sf::id::kLoadRadioButton, &TScheduler::LoadRadioButtonClick},
    {sf::id::kTeButton4, &TScheduler::TeButton4Click},
    {sf::id::kTeButton1, &TScheduler::TeButton1Click},
    {sf::id::kTeButton5, &TScheduler::TeButton5Click},
    {sf::id::kTeButton6, &TScheduler::TeButton6Click},
    {sf::id::kTeButton7, &TScheduler::TeButton7Click},
    {sf::id::kLoadButton, &TScheduler::LoadButtonClick},
    {sf::id::kTeButton3, &TScheduler::TeButton3Click},
    {sf::id::kTeButton2, &TScheduler::TeButton2Click},
};

}  // namespace

void Win32DateText::setText(const std::string& text) {
    SYSTEMTIME date{};
    try {
        date.wMonth = static_cast<WORD>(TScheduler::dateMonth(text));
        date.wDay = static_cast<WORD>(TScheduler::dateDay(text));
        date.wYear = static_cast<WORD>(TScheduler::dateYear(text));
    } catch (const ConversionError&) {
        return;
    }
    SendMessageW(w_, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&date));
}

std::string Win32DateText::text() const {
    SYSTEMTIME date{};
    if (SendMessageW(w_, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&date)) != GDT_VALID) return {};
    return std::to_string(date.wMonth) + "/" + std::to_string(date.wDay) + "/" + std::to_string(date.wYear);
}

HWND SchedulerWindow::word(const char* text, int left, int top, HWND parent) {
    const SIZE size = designExtent(hwnd(), text);
    return label(text, -1, {left, top, static_cast<int>(size.cx), static_cast<int>(size.cy)}, parent);
}

HWND SchedulerWindow::dropDown(int id, const char* const* items, std::size_t count, const char* initial, const Rect& r,
                               HWND parent) {
    const HWND box = control(WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, id, r, parent);
    for (std::size_t i = 0; i < count; ++i)
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::win32::wide(items[i]).c_str()));
    Win32ComboText(box).setText(initial);
    // Closed, it is as high as the edit boxes beside it: the system sizes it
    // by the font, so its selection field is made up the difference, step by
    // step, as the two heights do not go one to one on every system.
    RECT closed{};
    GetWindowRect(box, &closed);
    auto field = static_cast<int>(SendMessageW(box, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    for (int tries = 0; tries < 4 && closed.bottom - closed.top != toDevice(box, r.height); ++tries) {
        field += toDevice(box, r.height) - (closed.bottom - closed.top);
        if (field <= 0) break;
        SendMessageW(box, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
        GetWindowRect(box, &closed);
    }
    // The height a drop-down list is made with is its height when open.
    const auto item = static_cast<int>(SendMessageW(box, CB_GETITEMHEIGHT, 0, 0));
    SetWindowPos(box, nullptr, 0, 0, closed.right - closed.left,
                 closed.bottom - closed.top + sf::kDropDownRows * item + 2, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return box;
}

HWND SchedulerWindow::timeBox(int id, HWND parent) {
    const HWND box = control(WC_EDITW, sf::kInitialTime, ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, id,
                             {sf::kTimeLeft, sf::kRowTop, sf::kTimeWidth, sf::kBoxHeight}, parent, WS_EX_CLIENTEDGE);
    keepShape(box, sf::kTimeShape);
    centreTextVertically(box);
    return box;
}

HWND SchedulerWindow::amPm(int id, HWND parent) {
    return dropDown(id, sf::kAmPmItems, std::size(sf::kAmPmItems), sf::kInitialAmPm,
                    {sf::kAmPmLeft, sf::kRowTop, sf::kAmPmWidth, sf::kBoxHeight}, parent);
}

HWND SchedulerWindow::numberBox(int id, int upDownId, int low, int high, int initial, int left, int top, HWND parent) {
    const HWND box = control(WC_EDITW, "", ES_LEFT | ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP, id,
                             {left, top, sf::kNumberBoxWidth, sf::kBoxHeight}, parent, WS_EX_CLIENTEDGE);
    // Inside the box's right end, which it narrows.
    const HWND upDown = control(UPDOWN_CLASSW, "", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                                upDownId, {0, 0, 0, 0}, parent);
    centreTextVertically(box);
    SendMessageW(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(box), 0);
    SendMessageW(upDown, UDM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
    SendMessageW(upDown, UDM_SETPOS32, 0, static_cast<LPARAM>(initial));
    return box;
}

HWND SchedulerWindow::periodPanel(int id, int width) {
    const HWND p = panel(id, {sf::kPanel.left, sf::kPanel.top, width, sf::kPanel.height}, "");
    ShowWindow(p, SW_HIDE);
    return p;
}

HWND SchedulerWindow::scheduleButton(int id, HWND panel, int panelWidth) {
    return button(
        withMnemonic(sf::kScheduleCaption, sf::kScheduleKey), id,
        {panelWidth - sf::kScheduleWidth - sf::kScheduleRight, sf::kScheduleTop, sf::kScheduleWidth, sf::kButtonHeight},
        panel);
}

SchedulerWindow::SchedulerWindow(HWND owner, SchedulerOffers offers) {
    namespace id = sf::id;
    namespace lt = loadtrigger;
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_DATE_CLASSES | ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&classes);
    create(L"KestruneScheduler", sf::kCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, owner,
           sf::kClientWidth, sf::kClientHeight);
    self_.attach(hwnd());

    // The keyboard goes in the order made: the periods, Run, each panel's
    // line, the list, Remove, Close. Hidden panels' controls are passed over.
    const HWND periods = panel(id::kTeGroupBox3, sf::kPeriods, "");
    constexpr int kRadioIds[] = {id::kTeRadioButton2, id::kTeRadioButton1, id::kTeRadioButton3,
                                 id::kTeRadioButton4, id::kTeRadioButton5, id::kLoadRadioButton};
    static_assert(std::size(kRadioIds) == sf::kPeriodCount);
    for (int i = 0; i < static_cast<int>(sf::kPeriodCount); ++i) {
        const HWND radio =
            button(withMnemonic(sf::kPeriodCaptions[i], sf::kPeriodKeys[i]), kRadioIds[i],
                   {sf::kRadioLeft, sf::kRadioTop + sf::kRadioPitch * i, sf::kRadioWidth, sf::kRadioHeight}, periods,
                   BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0));
        // Only the checked choice is a tab stop: Tab enters the group there.
        // Checking one (a click, an arrow) moves the stop to it.
        const LONG_PTR style = GetWindowLongPtrW(radio, GWL_STYLE) & ~WS_TABSTOP;
        SetWindowLongPtrW(radio, GWL_STYLE, i == sf::kInitialPeriod ? style | WS_TABSTOP : style);
        if (i == sf::kInitialPeriod) SendMessageW(radio, BM_SETCHECK, BST_CHECKED, 0);
    }

    // Its keyboard letter takes the keyboard to the list after it.
    const std::string runCaption = withMnemonic(sf::kRunCaption, sf::kRunKey);
    const SIZE runSize = designExtent(hwnd(), sf::kRunCaption);
    control(
        WC_STATICW, runCaption, SS_LEFT, id::kLabel13,
        {sf::kRunLabelLeft, sf::kRun.top + sf::kTextDrop, static_cast<int>(runSize.cx), static_cast<int>(runSize.cy)});
    const HWND run =
        dropDown(id::kTeComboBox11, sf::kRunItems, std::size(sf::kRunItems), sf::kRunItems[0], sf::kRun, nullptr);
    SetWindowLongPtrW(run, GWL_STYLE, GetWindowLongPtrW(run, GWL_STYLE) | WS_GROUP);

    const int text = sf::kRowTop + sf::kTextDrop;
    const HWND hourly = periodPanel(id::kTeGroupBox1, sf::kHourlyPanelWidth);
    word(sf::kAtWord, sf::kAtLeft, text, hourly);
    const HWND minutes =
        control(WC_EDITW, sf::kInitialMinutes, ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, id::kTeMaskEdit1,
                {sf::kMinutesLeft, sf::kRowTop, sf::kMinutesWidth, sf::kBoxHeight}, hourly, WS_EX_CLIENTEDGE);
    keepShape(minutes, sf::kMinutesShape);
    centreTextVertically(minutes);
    word(sf::kMinutesWords, sf::kMinutesWordsLeft, text, hourly);
    scheduleButton(id::kTeButton4, hourly, sf::kHourlyPanelWidth);

    const HWND daily = periodPanel(id::kTeGroupBox2, sf::kPanel.width);
    word(sf::kAtWord, sf::kAtLeft, text, daily);
    const HWND dailyTime = timeBox(id::kTeMaskEdit2, daily);
    const HWND dailyAmPm = amPm(id::kTeComboBox3, daily);
    scheduleButton(id::kTeButton1, daily, sf::kPanel.width);

    const HWND weekly = periodPanel(id::kTeGroupBox4, sf::kPanel.width);
    word(sf::kAtWord, sf::kAtLeft, text, weekly);
    const HWND weeklyTime = timeBox(id::kTeMaskEdit3, weekly);
    const HWND weeklyAmPm = amPm(id::kTeComboBox1, weekly);
    word(sf::kOnWord, sf::kOnLeft, text, weekly);
    const HWND weekday =
        dropDown(id::kTeComboBox6, sf::kWeekdayItems, std::size(sf::kWeekdayItems), sf::kInitialWeekday,
                 {sf::kWeekdayLeft, sf::kRowTop, sf::kWeekdayWidth, sf::kBoxHeight}, weekly);
    scheduleButton(id::kTeButton5, weekly, sf::kPanel.width);

    const HWND monthly = periodPanel(id::kTeGroupBox5, sf::kPanel.width);
    word(sf::kAtWord, sf::kAtLeft, text, monthly);
    const HWND monthlyTime = timeBox(id::kTeMaskEdit4, monthly);
    const HWND monthlyAmPm = amPm(id::kTeComboBox7, monthly);
    word(sf::kOnTheWords, sf::kOnTheLeft, text, monthly);
    std::vector<std::string> days;
    for (int d = 1; d <= sf::kMonthDays; ++d) days.push_back(std::to_string(d));
    std::vector<const char*> dayItems;
    dayItems.reserve(days.size());
    for (const std::string& d : days) dayItems.push_back(d.c_str());
    const HWND monthDay = dropDown(id::kTeComboBox9, dayItems.data(), dayItems.size(), sf::kInitialMonthDay,
                                   {sf::kMonthDayLeft, sf::kRowTop, sf::kMonthDayWidth, sf::kBoxHeight}, monthly);
    word(sf::kDayOfMonthWords, sf::kDayOfMonthLeft, text, monthly);
    scheduleButton(id::kTeButton6, monthly, sf::kPanel.width);

    const HWND once = periodPanel(id::kTeGroupBox6, sf::kPanel.width);
    word(sf::kAtWord, sf::kAtLeft, text, once);
    const HWND onceTime = timeBox(id::kTeMaskEdit5, once);
    const HWND onceAmPm = amPm(id::kTeComboBox10, once);
    word(sf::kOnWord, sf::kOnLeft, text, once);
    const HWND date = control(DATETIMEPICK_CLASSW, "", DTS_SHORTDATEFORMAT | WS_TABSTOP, id::kDateTimePicker1,
                              {sf::kDateLeft, sf::kRowTop, sf::kDateWidth, sf::kBoxHeight}, once);
    scheduleButton(id::kTeButton7, once, sf::kPanel.width);

    // Each line's box sits just after its words, however wide they come out:
    // "when the [memory load] exceeds [90] %," and "at most once every [30] minutes."
    const HWND byLoad = periodPanel(id::kLoadGroupBox, sf::kPanel.width);
    auto after = [this](const char* words, int left) {
        return left + static_cast<int>(designExtent(hwnd(), words).cx) + sf::kLoadBoxGap;
    };
    const int first = sf::kLoadBoxTops[0];
    word(sf::kLoadWords[0], sf::kLoadWordsLeft, first + sf::kTextDrop, byLoad);
    const int measureLeft = after(sf::kLoadWords[0], sf::kLoadWordsLeft);
    // Its items are the rules': what this system tells.
    const HWND measure = dropDown(id::kLoadMeasureBox, nullptr, 0, "",
                                  {measureLeft, first, sf::kLoadMeasureWidth, sf::kBoxHeight}, byLoad);
    const int exceedsLeft = measureLeft + sf::kLoadMeasureWidth + sf::kLoadBoxGap;
    word(sf::kLoadWords[1], exceedsLeft, first + sf::kTextDrop, byLoad);
    const int percentLeft = after(sf::kLoadWords[1], exceedsLeft);
    HWND boxes[2] = {};
    boxes[0] = numberBox(id::kLoadPercentEdit, id::kLoadPercentUpDown, lt::kMinPercent, lt::kMaxPercent,
                         lt::kDefaultPercent, percentLeft, first, byLoad);
    word(sf::kLoadWords[2], percentLeft + sf::kNumberBoxWidth + sf::kLoadUnitGap, first + sf::kTextDrop, byLoad);
    const int second = sf::kLoadBoxTops[1];
    word(sf::kLoadWords[3], sf::kLoadWordsLeft, second + sf::kTextDrop, byLoad);
    const int cooldownLeft = after(sf::kLoadWords[3], sf::kLoadWordsLeft);
    boxes[1] = numberBox(id::kLoadCooldownEdit, id::kLoadCooldownUpDown, lt::kMinCooldown, lt::kMaxCooldown,
                         lt::kDefaultCooldown, cooldownLeft, second, byLoad);
    word(sf::kLoadWords[4], cooldownLeft + sf::kNumberBoxWidth + sf::kLoadUnitGap, second + sf::kTextDrop, byLoad);
    scheduleButton(id::kLoadButton, byLoad, sf::kPanel.width);

    const HWND list = control(WC_LISTVIEWW, "",
                              LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_GROUP,
                              id::kTeListView1, sf::kList, nullptr, WS_EX_CLIENTEDGE);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int column = 0; column < 2; ++column) {
        std::wstring header = platform::win32::wide(sf::kListHeaders[column]);
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        c.cx = toDevice(list, sf::kListColumnWidths[column]);
        c.pszText = header.data();
        c.iSubItem = column;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c));
    }

    button(withMnemonic(sf::kRemoveCaption, sf::kRemoveKey), id::kTeButton3, sf::kRemove);
    button(withMnemonic(sf::kCloseCaption, sf::kCloseKey), id::kTeButton2, sf::kClose);

    run_ = Win32ComboText(run);
    minutes_ = Win32MaskedText(minutes, sf::kMinutesShape);
    dailyTime_ = Win32MaskedText(dailyTime, sf::kTimeShape);
    weeklyTime_ = Win32MaskedText(weeklyTime, sf::kTimeShape);
    monthlyTime_ = Win32MaskedText(monthlyTime, sf::kTimeShape);
    onceTime_ = Win32MaskedText(onceTime, sf::kTimeShape);
    dailyAmPm_ = Win32ComboText(dailyAmPm);
    weeklyAmPm_ = Win32ComboText(weeklyAmPm);
    monthlyAmPm_ = Win32ComboText(monthlyAmPm);
    onceAmPm_ = Win32ComboText(onceAmPm);
    weekday_ = Win32ComboText(weekday);
    monthDay_ = Win32ComboText(monthDay);
    date_ = Win32DateText(date);
    date_.setText(sf::kInitialDate);
    measure_ = Win32ComboText(measure);
    percent_ = Win32Label(boxes[0]);
    cooldown_ = Win32Label(boxes[1]);
    hourly_ = Win32Panel(hourly);
    daily_ = Win32Panel(daily);
    weekly_ = Win32Panel(weekly);
    monthly_ = Win32Panel(monthly);
    once_ = Win32Panel(once);
    byLoad_ = Win32Panel(byLoad);
    list_ = Win32ListView(list);
    platform::Panel* panels[] = {&hourly_, &daily_, &weekly_, &monthly_, &once_, &byLoad_};
    panels[sf::kInitialPeriod]->setVisible(true);
    form_.emplace(TScheduler::Controls{.self = self_,
                                       .TeComboBox11 = run_,
                                       .TeGroupBox1 = hourly_,
                                       .TeGroupBox2 = daily_,
                                       .TeGroupBox4 = weekly_,
                                       .TeGroupBox5 = monthly_,
                                       .TeGroupBox6 = once_,
                                       .TeMaskEdit1 = minutes_,
                                       .TeMaskEdit2 = dailyTime_,
                                       .TeMaskEdit3 = weeklyTime_,
                                       .TeMaskEdit4 = monthlyTime_,
                                       .TeMaskEdit5 = onceTime_,
                                       .TeComboBox3 = dailyAmPm_,
                                       .TeComboBox1 = weeklyAmPm_,
                                       .TeComboBox7 = monthlyAmPm_,
                                       .TeComboBox10 = onceAmPm_,
                                       .TeComboBox6 = weekday_,
                                       .TeComboBox9 = monthDay_,
                                       .DateTimePicker1 = date_,
                                       .TeListView1 = list_,
                                       .LoadGroupBox = byLoad_,
                                       .LoadPercentEdit = percent_,
                                       .LoadCooldownEdit = cooldown_,
                                       .LoadMeasureBox = measure_},
                  offers);
    placeOnScreen();
}

// The designed place, kept on the screen where that screen is smaller.
void SchedulerWindow::placeOnScreen() {
    RECT frame{};
    GetWindowRect(hwnd(), &frame);
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int left =
        std::max<int>(area.left, std::min<int>(toDevice(sf::kDesignLeft), area.right - (frame.right - frame.left)));
    const int top =
        std::max<int>(area.top, std::min<int>(toDevice(sf::kDesignTop), area.bottom - (frame.bottom - frame.top)));
    SetWindowPos(hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SchedulerWindow::showModal() { runModal(hwnd()); }

LRESULT SchedulerWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SHOWWINDOW:
            // Shown by a call, not uncovered with its owner: the list is read afresh.
            if (wParam != FALSE && lParam == 0 && form_) form_->FormShow();
            break;
        case WM_CLOSE:
            // Close, Escape, Alt+F4 and the title bar's close: hidden, which
            // ends the modal loop; the opener destroys the window.
            ShowWindow(hwnd(), SW_HIDE);
            return 0;
        default:
            break;
    }
    return defaultHandling(message, wParam, lParam);
}

void SchedulerWindow::command(int id, int code, HWND) {
    if (!form_) return;
    if (id == sf::id::kLoadMeasureBox && code == CBN_SELCHANGE) form_->LoadMeasureBoxChange();
    if (code != BN_CLICKED) return;
    for (const Click& click : kClicks)
        if (click.id == id) (*form_.*click.handler)();
}

LRESULT SchedulerWindow::notify(const NMHDR& header) {
    // The list holds no rows: it asks for the cells of those it shows.
    if (header.idFrom == sf::id::kTeListView1 && header.code == LVN_GETDISPINFOW)
        list_.fill(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
    return 0;
}

}  // namespace kestrune
