#include "schedule/win32/SchedulerformWindow.h"

#include "platform/win32/Dpi.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <span>
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
    const std::wstring shown = wide(text);
    GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    return {toDesign(w, size.cx) + 1, toDesign(w, size.cy)};
}

BOOL CALLBACK matchId(HWND w, LPARAM found) {
    auto& sought = *reinterpret_cast<std::pair<int, HWND>*>(found);
    if (GetDlgCtrlID(w) != sought.first) return TRUE;
    sought.second = w;
    return FALSE;
}

// The control of that number anywhere on `top`, its panels' included.
HWND descendant(HWND top, int id) {
    std::pair<int, HWND> sought{id, nullptr};
    EnumChildWindows(top, matchId, reinterpret_cast<LPARAM>(&sought));
    return sought.second;
}

std::vector<std::string> monthDays() {
    std::vector<std::string> days;
    for (int d = 1; d <= sf::kMonthDays; ++d) days.push_back(std::to_string(d));
    return days;
}

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

HWND SchedulerWindow::dropDown(int id, std::span<const char* const> items, const char* initial, const Rect& r,
                               HWND parent) {
    const HWND box = control(WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, id, r, parent);
    for (const char* item : items) SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(item).c_str()));
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

HWND SchedulerWindow::maskedBox(const sf::PanelControl& c, const char* shape, HWND parent) {
    const HWND box =
        control(WC_EDITW, c.text, ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, c.id, c.rect, parent, WS_EX_CLIENTEDGE);
    keepShape(box, shape);
    centreTextVertically(box);
    return box;
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

// One control of a period panel's line.
void SchedulerWindow::lineControl(const sf::PanelControl& c, HWND panel) {
    switch (c.part) {
        case sf::Part::Words:
            word(c.text, c.rect.left, c.rect.top, panel);
            return;
        case sf::Part::Minutes:
            maskedBox(c, sf::kMinutesShape, panel);
            return;
        case sf::Part::Time:
            maskedBox(c, sf::kTimeShape, panel);
            return;
        case sf::Part::AmPm:
            dropDown(c.id, sf::kAmPmItems, c.text, c.rect, panel);
            return;
        case sf::Part::Weekday:
            dropDown(c.id, sf::kWeekdayItems, c.text, c.rect, panel);
            return;
        case sf::Part::MonthDay: {
            const std::vector<std::string> days = monthDays();
            std::vector<const char*> items;
            items.reserve(days.size());
            for (const std::string& d : days) items.push_back(d.c_str());
            dropDown(c.id, items, c.text, c.rect, panel);
            return;
        }
        case sf::Part::Date:
            control(DATETIMEPICK_CLASSW, "", DTS_SHORTDATEFORMAT | WS_TABSTOP, c.id, c.rect, panel);
            return;
        case sf::Part::Schedule:
            button(withMnemonic(c.text, sf::kScheduleKey), c.id, c.rect, panel);
            return;
    }
}

SchedulerWindow::SchedulerWindow(HWND owner, SchedulerOffers offers) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_DATE_CLASSES | ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&classes);
    create(L"KestruneScheduler", sf::kCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, owner,
           sf::kClientWidth, sf::kClientHeight);
    self_.attach(hwnd());

    // The keyboard goes in the order made: the periods, Run, each panel's
    // line, the list, Remove, Close. Hidden panels' controls are passed over.
    buildPeriodChoices();
    buildRun();
    for (const sf::PeriodPanel& p : sf::kTimedPanels) {
        const HWND box = periodPanel(p.id, p.width);
        for (const sf::PanelControl& c : sf::lineOf(p)) lineControl(c, box);
    }
    buildLoadPanel();
    buildList();
    wire(offers);
    placeOnScreen();
}

void SchedulerWindow::buildPeriodChoices() {
    const HWND periods = panel(sf::id::kTeGroupBox3, sf::kPeriods, "");
    for (int i = 0; i < static_cast<int>(sf::kPeriodCount); ++i) {
        const HWND radio =
            button(withMnemonic(sf::kPeriodCaptions[i], sf::kPeriodKeys[i]), sf::kClicks[i].id,
                   {sf::kRadioLeft, sf::kRadioTop + sf::kRadioPitch * i, sf::kRadioWidth, sf::kRadioHeight}, periods,
                   BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0));
        // Only the checked choice is a tab stop: Tab enters the group there.
        // Checking one (a click, an arrow) moves the stop to it.
        const LONG_PTR style = GetWindowLongPtrW(radio, GWL_STYLE) & ~WS_TABSTOP;
        SetWindowLongPtrW(radio, GWL_STYLE, i == sf::kInitialPeriod ? style | WS_TABSTOP : style);
        if (i == sf::kInitialPeriod) SendMessageW(radio, BM_SETCHECK, BST_CHECKED, 0);
    }
}

void SchedulerWindow::buildRun() {
    // Its keyboard letter takes the keyboard to the list after it.
    const SIZE runSize = designExtent(hwnd(), sf::kRunCaption);
    control(
        WC_STATICW, withMnemonic(sf::kRunCaption, sf::kRunKey), SS_LEFT, sf::id::kLabel13,
        {sf::kRunLabelLeft, sf::kRun.top + sf::kTextDrop, static_cast<int>(runSize.cx), static_cast<int>(runSize.cy)});
    const HWND run = dropDown(sf::id::kTeComboBox11, sf::kRunItems, sf::kRunItems[0], sf::kRun, nullptr);
    SetWindowLongPtrW(run, GWL_STYLE, GetWindowLongPtrW(run, GWL_STYLE) | WS_GROUP);
}

// Each line's box sits just after its words, however wide they come out:
// "when the [memory load] exceeds [90] %," and "at most once every [30] minutes."
void SchedulerWindow::buildLoadPanel() {
    namespace id = sf::id;
    namespace lt = loadtrigger;
    const HWND byLoad = periodPanel(id::kLoadGroupBox, sf::kPanel.width);
    auto after = [this](const char* words, int left) {
        return left + static_cast<int>(designExtent(hwnd(), words).cx) + sf::kLoadBoxGap;
    };
    const int first = sf::kLoadBoxTops[0];
    word(sf::kLoadWords[0], sf::kLoadWordsLeft, first + sf::kTextDrop, byLoad);
    const int measureLeft = after(sf::kLoadWords[0], sf::kLoadWordsLeft);
    // Its items are the rules': what this system tells.
    dropDown(id::kLoadMeasureBox, {}, "", {measureLeft, first, sf::kLoadMeasureWidth, sf::kBoxHeight}, byLoad);
    const int exceedsLeft = measureLeft + sf::kLoadMeasureWidth + sf::kLoadBoxGap;
    word(sf::kLoadWords[1], exceedsLeft, first + sf::kTextDrop, byLoad);
    const int percentLeft = after(sf::kLoadWords[1], exceedsLeft);
    numberBox(id::kLoadPercentEdit, id::kLoadPercentUpDown, lt::kMinPercent, lt::kMaxPercent, lt::kDefaultPercent,
              percentLeft, first, byLoad);
    word(sf::kLoadWords[2], percentLeft + sf::kNumberBoxWidth + sf::kLoadUnitGap, first + sf::kTextDrop, byLoad);
    const int second = sf::kLoadBoxTops[1];
    word(sf::kLoadWords[3], sf::kLoadWordsLeft, second + sf::kTextDrop, byLoad);
    const int cooldownLeft = after(sf::kLoadWords[3], sf::kLoadWordsLeft);
    numberBox(id::kLoadCooldownEdit, id::kLoadCooldownUpDown, lt::kMinCooldown, lt::kMaxCooldown, lt::kDefaultCooldown,
              cooldownLeft, second, byLoad);
    word(sf::kLoadWords[4], cooldownLeft + sf::kNumberBoxWidth + sf::kLoadUnitGap, second + sf::kTextDrop, byLoad);
    lineControl(sf::schedule(sf::kPanel.width, "LoadButton", id::kLoadButton), byLoad);
}

void SchedulerWindow::buildList() {
    const HWND list = control(WC_LISTVIEWW, "",
                              LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_GROUP,
                              sf::id::kTeListView1, sf::kList, nullptr, WS_EX_CLIENTEDGE);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int column = 0; column < 2; ++column) {
        std::wstring header = wide(sf::kListHeaders[column]);
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        c.cx = toDevice(list, sf::kListColumnWidths[column]);
        c.pszText = header.data();
        c.iSubItem = column;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c));
    }

    button(withMnemonic(sf::kRemoveCaption, sf::kRemoveKey), sf::id::kTeButton3, sf::kRemove);
    button(withMnemonic(sf::kCloseCaption, sf::kCloseKey), sf::id::kTeButton2, sf::kClose);
}

// Hands the controls to the rules.
void SchedulerWindow::wire(SchedulerOffers offers) {
    namespace id = sf::id;
    auto at = [this](int number) { return descendant(hwnd(), number); };
    run_ = Win32ComboText(at(id::kTeComboBox11));
    minutes_ = Win32MaskedText(at(id::kTeMaskEdit1), sf::kMinutesShape);
    std::size_t clocks = 0;
    for (std::size_t i = 0; i < std::size(sf::kTimedPanels); ++i) {
        const sf::PeriodPanel& p = sf::kTimedPanels[i];
        panels_[i] = Win32Panel(at(p.id));
        if (p.time == nullptr) continue;
        times_[clocks] = Win32MaskedText(at(p.timeId), sf::kTimeShape);
        amPms_[clocks++] = Win32ComboText(at(p.amPmId));
    }
    panels_.back() = Win32Panel(at(id::kLoadGroupBox));
    weekday_ = Win32ComboText(at(id::kTeComboBox6));
    monthDay_ = Win32ComboText(at(id::kTeComboBox9));
    date_ = Win32DateText(at(id::kDateTimePicker1));
    date_.setText(sf::kInitialDate);
    measure_ = Win32ComboText(at(id::kLoadMeasureBox));
    percent_ = Win32Label(at(id::kLoadPercentEdit));
    cooldown_ = Win32Label(at(id::kLoadCooldownEdit));
    list_ = Win32ListView(at(id::kTeListView1));
    panels_[sf::kInitialPeriod].setVisible(true);
    form_.emplace(TScheduler::Controls{.self = self_,
                                       .TeComboBox11 = run_,
                                       .TeGroupBox1 = panels_[0],
                                       .TeGroupBox2 = panels_[1],
                                       .TeGroupBox4 = panels_[2],
                                       .TeGroupBox5 = panels_[3],
                                       .TeGroupBox6 = panels_[4],
                                       .TeMaskEdit1 = minutes_,
                                       .TeMaskEdit2 = times_[0],
                                       .TeMaskEdit3 = times_[1],
                                       .TeMaskEdit4 = times_[2],
                                       .TeMaskEdit5 = times_[3],
                                       .TeComboBox3 = amPms_[0],
                                       .TeComboBox1 = amPms_[1],
                                       .TeComboBox7 = amPms_[2],
                                       .TeComboBox10 = amPms_[3],
                                       .TeComboBox6 = weekday_,
                                       .TeComboBox9 = monthDay_,
                                       .DateTimePicker1 = date_,
                                       .TeListView1 = list_,
                                       .LoadGroupBox = panels_[5],
                                       .LoadPercentEdit = percent_,
                                       .LoadCooldownEdit = cooldown_,
                                       .LoadMeasureBox = measure_},
                  offers);
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
    for (const sf::Click& click : sf::kClicks)
        if (click.id == id) (*form_.*click.handler)();
}

LRESULT SchedulerWindow::notify(const NMHDR& header) {
    // The list holds no rows: it asks for the cells of those it shows.
    if (header.idFrom == sf::id::kTeListView1 && header.code == LVN_GETDISPINFOW)
        list_.fill(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
    return 0;
}

}  // namespace kestrune
