#include "platform/win32/Controls.h"

#include "platform/win32/Dpi.h"
#include "platform/win32/Form.h"

#include <commctrl.h>

#include <vector>

namespace platform::win32 {

void appendMenuItem(HMENU menu, UINT flags, UINT_PTR id, std::string_view caption, char key) {
    AppendMenuW(menu, flags, id, wide(withMnemonic(caption, key)).c_str());
}

std::string windowText(HWND w) {
    const int length = GetWindowTextLengthW(w);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int read = GetWindowTextW(w, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(read > 0 ? read : 0));
    return utf8(text);
}

void Win32Label::setText(const std::string& text) {
    // An unchanged text is not set again: each set repaints the control.
    if (windowText(w_) != text) SetWindowTextW(w_, wide(text).c_str());
}
std::string Win32Label::text() const { return windowText(w_); }

void Win32StaticText::setText(const std::string& text) {
    if (text == shown_) return;
    if (shrink_) fit(text);
    SetWindowTextW(w_, wide(text).c_str());
    shown_ = text;
}

void Win32StaticText::fit(const std::string& text) {
    // Measured off screen: a window's own DC costs the display a round trip.
    static const HDC measure = CreateCompatibleDC(nullptr);
    RECT room{};
    GetClientRect(w_, &room);
    const HFONT largest = dialogFontAt(dpiOf(w_));
    LOGFONTW face{};
    GetObjectW(largest, sizeof face, &face);
    HFONT font = largest;
    const std::wstring shown = wide(text);
    for (int height = -face.lfHeight; height >= toDevice(w_, 8); --height) {
        font = dialogFontOfHeight(height, largest);
        const HGDIOBJ previous = SelectObject(measure, font);
        SIZE extent{};
        GetTextExtentPoint32W(measure, shown.c_str(), static_cast<int>(shown.size()), &extent);
        SelectObject(measure, previous);
        if (extent.cx <= room.right) break;
    }
    if (font == font_) return;
    SendMessageW(w_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    font_ = font;
}

void Win32ComboText::setText(const std::string& text) {
    const LRESULT found =
        SendMessageW(w_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wide(text).c_str()));
    SendMessageW(w_, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
}

std::string Win32ComboText::text() const {
    const LRESULT index = SendMessageW(w_, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return {};
    const LRESULT length = SendMessageW(w_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(w_, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return utf8(text);
}

void Win32ComboText::setItems(const std::vector<std::string>& items) {
    const std::string chosen = text();
    SendMessageW(w_, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items)
        SendMessageW(w_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(item).c_str()));
    const LRESULT found =
        SendMessageW(w_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wide(chosen).c_str()));
    SendMessageW(w_, CB_SETCURSEL, static_cast<WPARAM>(found == CB_ERR ? 0 : found), 0);
}

std::vector<std::string> Win32ComboText::items() const {
    std::vector<std::string> out;
    const LRESULT count = SendMessageW(w_, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(w_, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length == CB_ERR) continue;
        std::wstring item(static_cast<std::size_t>(length) + 1, L'\0');
        SendMessageW(w_, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
        item.resize(static_cast<std::size_t>(length));
        out.push_back(utf8(item));
    }
    return out;
}

void Win32Button::setCaption(const std::string& caption) {
    const std::string shown = key_ != 0 ? withMnemonic(caption, key_) : caption;
    if (windowText(w_) != shown) SetWindowTextW(w_, wide(shown).c_str());
}

std::string Win32Button::caption() const {
    // The shown text without its keyboard mark: "&&" is one ampersand.
    const std::string shown = windowText(w_);
    std::string caption;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == '&' && i + 1 < shown.size()) ++i;
        caption += shown[i];
    }
    return caption;
}

void Win32Button::setEnabled(bool enabled) {
    if (enabled) {
        EnableWindow(w_, TRUE);
        if (handedTo_ != nullptr) giveFocus(w_, handedTo_);
        handedTo_ = nullptr;
        return;
    }
    const bool hadKeyboard = GetFocus() == w_;
    EnableWindow(w_, FALSE);
    if (!hadKeyboard) return;
    // A button disabled while it has the keyboard leaves its window with
    // none, and Escape, Tab and the keyboard letters with it: the keyboard
    // goes on to the next button, else to the window itself. Not to an edit
    // box: a multi-line one takes Escape as a close of the window.
    const HWND window = GetAncestor(w_, GA_ROOT);
    const HWND next = GetNextDlgTabItem(window, w_, FALSE);
    wchar_t kind[16] = {};
    const bool toButton = next != nullptr && next != w_ && IsWindowEnabled(next) &&
                          GetClassNameW(next, kind, static_cast<int>(std::size(kind))) > 0 &&
                          lstrcmpiW(kind, WC_BUTTONW) == 0;
    handedTo_ = toButton ? next : window;
    SetFocus(handedTo_);
}

void Win32Button::takeFocus() { giveFocus(w_); }
bool Win32Button::enabled() const { return IsWindowEnabled(w_) != FALSE; }

Win32ProgressBar::Win32ProgressBar(HWND w)
    : w_(w), shown_(w != nullptr ? static_cast<int>(SendMessageW(w, PBM_GETPOS, 0, 0)) : 0) {}

void Win32ProgressBar::setPosition(int position) {
    if (position == shown_) return;
    SendMessageW(w_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    shown_ = position;
}

void Win32CheckBox::setChecked(bool checked) {
    SendMessageW(w_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}
bool Win32CheckBox::checked() const { return SendMessageW(w_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Win32Panel::setVisible(bool visible) { ShowWindow(w_, visible ? SW_SHOWNA : SW_HIDE); }
// Its own flag, as the window it sits in may itself be hidden.
bool Win32Panel::visible() const { return (GetWindowLongPtrW(w_, GWL_STYLE) & WS_VISIBLE) != 0; }

void Win32ListView::setRows(int count, Rows rows) {
    rows_ = std::move(rows);
    count_ = rows_ ? count : 0;
    cachedRow_ = -1;
    if (w_ == nullptr) return;
    // The list keeps the selection by row number: the old one means nothing now.
    ListView_SetItemState(w_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(w_, count_, 0);
    InvalidateRect(w_, nullptr, TRUE);
}

void Win32ListView::fill(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) return;
    std::string text;
    if (rows_ && item.iItem >= 0 && item.iItem < count_) {
        if (item.iItem != cachedRow_) {
            cached_ = rows_(item.iItem);
            cachedRow_ = item.iItem;
        }
        text = item.iSubItem == 0 ? cached_.first : cached_.second;
    }
    lstrcpynW(item.pszText, wide(text).c_str(), item.cchTextMax);
}

int Win32ListView::rowCount() const { return ListView_GetItemCount(w_); }

std::string Win32ListView::cell(int row, int column) const {
    // The list keeps at most 259 characters of a cell for its callers.
    std::wstring buffer(260, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    const auto length = SendMessageW(w_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    buffer.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return utf8(buffer);
}

int Win32ListView::selectedRow() const { return ListView_GetNextItem(w_, -1, LVNI_SELECTED); }

void Win32Table::setRows(const std::vector<std::vector<std::string>>& rows) {
    ++quiet_;
    // Rows are written over where they are, so the list keeps its scroll
    // position, and drawn once when all are written.
    SendMessageW(w_, WM_SETREDRAW, FALSE, 0);
    int count = rowCount();
    const int wanted = static_cast<int>(rows.size());
    while (count > wanted) ListView_DeleteItem(w_, --count);
    for (int row = 0; row < wanted; ++row) {
        const std::vector<std::string>& cells = rows[static_cast<std::size_t>(row)];
        for (std::size_t column = 0; column < cells.size(); ++column) {
            std::wstring text = wide(cells[column]);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.iSubItem = static_cast<int>(column);
            item.pszText = text.data();
            if (row >= count && column == 0) {
                item.iItem = static_cast<int>(SendMessageW(w_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
                if (item.iItem < 0) break;
                continue;
            }
            if (cell(row, static_cast<int>(column)) != cells[column])
                SendMessageW(w_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        }
    }
    SendMessageW(w_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(w_, nullptr, FALSE);
    --quiet_;
}

int Win32Table::rowCount() const { return ListView_GetItemCount(w_); }

std::string Win32Table::cell(int row, int column) const {
    std::wstring buffer(512, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    const auto length = SendMessageW(w_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    buffer.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return utf8(buffer);
}

std::vector<int> Win32Table::selectedRows() const {
    std::vector<int> rows;
    for (int row = ListView_GetNextItem(w_, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(w_, row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

void Win32Table::selectRows(const std::vector<int>& rows) {
    ++quiet_;
    ListView_SetItemState(w_, -1, 0, LVIS_SELECTED);
    for (const int row : rows) ListView_SetItemState(w_, row, LVIS_SELECTED, LVIS_SELECTED);
    --quiet_;
}

void Win32Table::setSortIndicator(int column, bool ascending) {
    const HWND header = ListView_GetHeader(w_);
    const int columns = Header_GetItemCount(header);
    for (int c = 0; c < columns; ++c) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
        const int was = item.fmt;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (c == column) item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
        if (item.fmt != was)
            SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
    }
}

void Win32Timer::setInterval(unsigned ms) {
    interval_ = ms;
    if (enabled_) SetTimer(w_, id_, interval_, nullptr);  // the same timer, started again at the new interval
}

void Win32Timer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled)
        SetTimer(w_, id_, interval_, nullptr);
    else
        KillTimer(w_, id_);
}

Rect Win32Placement::bounds() const {
    RECT r{};
    GetWindowRect(w_, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(w_), reinterpret_cast<POINT*>(&r), 2);
    return toDesign(w_, Rect{r.left, r.top, r.right - r.left, r.bottom - r.top});
}

void Win32Placement::setBounds(const Rect& design) {
    const Rect r = toDevice(w_, design);
    SetWindowPos(w_, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

std::string withCrLf(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace

void Win32LineList::addLine(const std::string& line) {
    const int end = GetWindowTextLengthW(w_);
    const std::string added = (any_ ? "\r\n" : "") + withCrLf(line);
    any_ = true;
    SendMessageW(w_, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
    SendMessageW(w_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide(added).c_str()));
}

std::string Win32LineList::text() const {
    std::string text;
    for (const char c : windowText(w_))
        if (c != '\r') text += c;
    return text;
}

void Win32LineList::setText(const std::string& text) {
    SetWindowTextW(w_, wide(withCrLf(text)).c_str());
    any_ = !text.empty();
}

}  // namespace platform::win32
