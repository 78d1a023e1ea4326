#include "trim/win32/ApplicationsformWindow.h"

#include "platform/win32/Dpi.h"

#include <commctrl.h>

#include <algorithm>

namespace kestrune {
namespace {

namespace af = applicationsform;
using platform::withMnemonic;
using namespace platform::win32;

// Over the middle of its owner, and whole on the screen's work area.
void placeOver(HWND window, HWND owner) {
    RECT frame{}, area{};
    GetWindowRect(window, &frame);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT over = area;
    if (owner != nullptr) GetWindowRect(owner, &over);
    const int left =
        std::max<int>(area.left, std::min<int>(over.left + (over.right - over.left - width) / 2, area.right - width));
    const int top =
        std::max<int>(area.top, std::min<int>(over.top + (over.bottom - over.top - height) / 2, area.bottom - height));
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

HWND ApplicationsFormWindow::line(int id, const platform::Rect& r, HWND parent, DWORD style) {
    return label("", id, r, parent, style);
}

ApplicationsFormWindow::ApplicationsFormWindow(HWND owner, TrimRunner& runner) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    create(L"KestruneApplicationsForm", af::kCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0,
           owner, af::kClientWidth, af::kClientHeight);
    self_.attach(hwnd());

    // The system's lines: one each, cut with an ellipsis rather than wrapped
    // into the next one.
    const HWND box = panel(af::id::kSystemBox, af::kSystemBox, af::kSystemTitle);
    const DWORD oneLine = SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS;
    system_ = Win32Label(line(af::id::kSystemLabel, af::kSystemLines[0], box, oneLine));
    swap_ = Win32Label(line(af::id::kSwapLabel, af::kSystemLines[1], box, oneLine));
    pressure_ = Win32Label(line(af::id::kPressureLabel, af::kSystemLines[2], box, oneLine));
    caveat_ = Win32Label(line(af::id::kCaveatLabel, af::kCaveat, nullptr, SS_LEFT));

    const HWND list = control(WC_LISTVIEWW, "", LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_GROUP,
                              af::id::kAppList, af::kList, nullptr, WS_EX_CLIENTEDGE);
    const DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
    for (int column = 0; column < af::kColumnCount; ++column) {
        std::wstring header = wide(af::kListHeaders[column]);
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
        // Figures line up on their right, as numbers do.
        c.fmt = column == af::kNameColumn ? LVCFMT_LEFT : LVCFMT_RIGHT;
        c.cx = toDevice(hwnd(), af::kListColumnWidths[column]);
        c.pszText = header.data();
        c.iSubItem = column;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c));
    }
    // What a screen reader calls it; a list shows no text of its own.
    SetWindowTextW(list, wide(af::kListName).c_str());

    // In the list's place where trimming does not work here: the sentence,
    // inside a frame.
    const HWND notice = panel(af::id::kNoticePanel, af::kList);
    control(WC_STATICW, "", SS_ETCHEDFRAME, -1, {0, 0, af::kList.width, af::kList.height}, notice);
    notice_ = Win32Label(line(af::id::kNoticeLabel,
                              {af::kNoticeMargin, af::kNoticeMargin, af::kList.width - 2 * af::kNoticeMargin,
                               af::kList.height - 2 * af::kNoticeMargin},
                              notice, SS_LEFT));
    ShowWindow(notice, SW_HIDE);

    status_ = Win32Label(line(af::id::kStatusLabel, af::kStatus, nullptr, SS_LEFT));

    // Made in the order the eye reads, which is the keyboard's: the list,
    // then the buttons.
    trimSelected_ = Win32Button(button(withMnemonic(af::kTrimSelectedCaption, af::kTrimSelectedKey),
                                       af::id::kTrimSelectedButton, af::kTrimSelected),
                                af::kTrimSelectedKey);
    trimIdle_ = Win32Button(
        button(withMnemonic(af::kTrimIdleCaption, af::kTrimIdleKey), af::id::kTrimIdleButton, af::kTrimIdle),
        af::kTrimIdleKey);
    button(withMnemonic(af::kCloseCaption, af::kCloseKey), af::id::kCloseButton, af::kClose);

    list_ = Win32Table(list);
    listShown_ = Win32Panel(list);
    noticeShown_ = Win32Panel(notice);
    timer_ = Win32Timer(hwnd(), af::id::kRefreshTimer);
    form_.emplace(TApplicationsForm::Controls{.self = self_,
                                              .SystemLabel = system_,
                                              .SwapLabel = swap_,
                                              .PressureLabel = pressure_,
                                              .CaveatLabel = caveat_,
                                              .AppList = list_,
                                              .AppListShown = listShown_,
                                              .NoticeLabel = notice_,
                                              .NoticeShown = noticeShown_,
                                              .StatusLabel = status_,
                                              .TrimSelectedButton = trimSelected_,
                                              .TrimIdleButton = trimIdle_,
                                              .RefreshTimer = timer_},
                  // The back end asks the system for the foreground window itself.
                  TApplicationsForm::Services{runner});
    placeOver(hwnd(), owner);
}

ApplicationsFormWindow::~ApplicationsFormWindow() {
    // The logic goes first: it stops its trim and its timer while the
    // controls it writes are still there.
    form_.reset();
}

void ApplicationsFormWindow::showInFront() {
    if (!IsWindowVisible(hwnd()))
        ShowWindow(hwnd(), SW_SHOW);
    else if (IsIconic(hwnd()))
        ShowWindow(hwnd(), SW_RESTORE);
    SetForegroundWindow(hwnd());
}

LRESULT ApplicationsFormWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SHOWWINDOW:
            // Shown by its opener, not uncovered with its owner: read afresh.
            if (wParam != FALSE && lParam == 0 && form_) form_->FormShow();
            break;
        case WM_TIMER:
            if (!timer_.fires(wParam)) break;
            if (form_) form_->RefreshTimerTimer();
            return 0;
        case WM_CLOSE:
            // Close, Escape, Alt+F4 and the title bar's close: hidden, and
            // nothing is read until it is shown again.
            if (form_) form_->FormClose();
            ShowWindow(hwnd(), SW_HIDE);
            return 0;
        case WM_COMMAND:
            // Escape where the window has no Close button to press.
            if (lParam == 0 && LOWORD(wParam) == IDCANCEL) {
                if (form_) form_->CloseButtonClick();
                return 0;
            }
            break;
        default:
            break;
    }
    return defaultHandling(message, wParam, lParam);
}

void ApplicationsFormWindow::command(int id, int code, HWND) {
    if (!form_ || code != BN_CLICKED) return;
    switch (id) {
        case af::id::kTrimSelectedButton:
            form_->TrimSelectedButtonClick();
            break;
        case af::id::kTrimIdleButton:
            form_->TrimIdleButtonClick();
            break;
        case af::id::kCloseButton:
            form_->CloseButtonClick();
            break;
        default:
            break;
    }
}

LRESULT ApplicationsFormWindow::notify(const NMHDR& header) {
    if (!form_ || header.idFrom != static_cast<UINT_PTR>(af::id::kAppList)) return 0;
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if (header.code == LVN_COLUMNCLICK) {
        form_->AppListColumnClick(change.iSubItem);
    } else if (header.code == LVN_ITEMCHANGED && !list_.quiet() && (change.uChanged & LVIF_STATE) != 0 &&
               ((change.uNewState ^ change.uOldState) & LVIS_SELECTED) != 0) {
        form_->AppListSelectionChange();
    }
    return 0;
}

}  // namespace kestrune
