#include "platform/win32/MaskedEdit.h"

#include "platform/win32/Controls.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace platform::win32 {
namespace {

bool isPlace(const char* shape, std::size_t i) { return shape[i] == '#'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The fields of `text` split where `shape` has its separators.
std::vector<std::string> fieldsOf(const std::string& text, const char* shape) {
    std::vector<std::string> fields(1);
    std::size_t next = 0;  // the shape's next separator
    const std::size_t length = std::strlen(shape);
    for (const char c : text) {
        while (next < length && isPlace(shape, next)) ++next;
        if (next < length && c == shape[next]) {
            fields.emplace_back();
            ++next;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// Each field's digits right-aligned in the shape's places, `pad` before them.
std::string fitted(const std::string& text, const char* shape, char pad) {
    const std::vector<std::string> fields = fieldsOf(text, shape);
    std::string out;
    std::size_t field = 0;
    const std::size_t length = std::strlen(shape);
    for (std::size_t i = 0; i < length;) {
        if (!isPlace(shape, i)) {
            out += shape[i++];
            ++field;
            continue;
        }
        std::size_t places = 0;
        while (i + places < length && isPlace(shape, i + places)) ++places;
        std::string digits;
        if (field < fields.size())
            for (const char c : fields[field])
                if (isDigit(c)) digits += c;
        digits.resize(std::min(digits.size(), places));
        out += std::string(places - digits.size(), pad) + digits;
        i += places;
    }
    return out;
}

WNDPROC& editProc() {
    static WNDPROC proc = nullptr;
    return proc;
}

const char* shapeOf(HWND w) { return reinterpret_cast<const char*>(GetWindowLongPtrW(w, GWLP_USERDATA)); }

void setShown(HWND w, const std::string& text, std::size_t caret) {
    CallWindowProcW(editProc(), w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide(text).c_str()));
    SendMessageW(w, EM_SETSEL, caret, static_cast<LPARAM>(caret));  // a place in a short text
}

std::string shownText(HWND w) {
    const char* shape = shapeOf(w);
    std::string text = windowText(w);
    return text.size() == std::strlen(shape) ? text : fitted(text, shape, kUnfilledPlace);
}

std::pair<std::size_t, std::size_t> selection(HWND w) {
    DWORD from = 0;
    DWORD to = 0;
    SendMessageW(w, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    return {from, to};
}

// Unfills the selected places; the caret goes to the selection's start.
bool eraseSelection(HWND w, std::string& text, std::size_t& caret) {
    const auto [from, to] = selection(w);
    caret = from;
    if (from == to) return false;
    for (std::size_t i = from; i < to && i < text.size(); ++i)
        if (isPlace(shapeOf(w), i)) text[i] = kUnfilledPlace;
    return true;
}

void typeDigit(HWND w, char digit) {
    const char* shape = shapeOf(w);
    std::string text = shownText(w);
    std::size_t at = 0;
    eraseSelection(w, text, at);
    while (at < text.size() && !isPlace(shape, at)) ++at;
    if (at < text.size()) {
        text[at++] = digit;
        while (at < text.size() && !isPlace(shape, at)) ++at;
    }
    setShown(w, text, at);
}

void eraseBack(HWND w) {
    const char* shape = shapeOf(w);
    std::string text = shownText(w);
    std::size_t at = 0;
    if (!eraseSelection(w, text, at)) {
        while (at > 0 && !isPlace(shape, --at)) {}
        if (at < text.size() && isPlace(shape, at)) text[at] = kUnfilledPlace;
    }
    setShown(w, text, at);
}

void eraseForward(HWND w) {
    const char* shape = shapeOf(w);
    std::string text = shownText(w);
    std::size_t at = 0;
    if (!eraseSelection(w, text, at)) {
        std::size_t place = at;
        while (place < text.size() && !isPlace(shape, place)) ++place;
        if (place < text.size()) text[place] = kUnfilledPlace;
    }
    setShown(w, text, at);
}

void pasteDigits(HWND w) {
    if (OpenClipboard(w) == 0) return;
    std::string pasted;
    if (const HANDLE data = GetClipboardData(CF_TEXT); data != nullptr) {
        if (const auto* text = static_cast<const char*>(GlobalLock(data)); text != nullptr) {
            pasted = text;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    for (const char c : pasted)
        if (isDigit(c)) typeDigit(w, c);
}

LRESULT CALLBACK shapedProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CHAR: {
            const auto c = static_cast<char>(wParam);
            if (isDigit(c)) {
                typeDigit(w, c);
            } else if (c == '\b') {
                eraseBack(w);
            } else if (c == 0x01 || c == 0x03 || c == 0x16 || c == 0x18) {
                break;  // select all, copy, paste, cut: the box's own, through the messages below
            }
            return 0;  // nothing else is typed into a shape
        }
        case WM_KEYDOWN:
            if (wParam != VK_DELETE) break;
            eraseForward(w);
            return 0;
        case WM_PASTE:
            pasteDigits(w);
            return 0;
        case WM_CUT:
            CallWindowProcW(editProc(), w, WM_COPY, 0, 0);
            eraseForward(w);
            return 0;
        case WM_CLEAR:
            eraseForward(w);
            return 0;
        case WM_SETTEXT: {
            const wchar_t* given = lParam != 0 ? reinterpret_cast<const wchar_t*>(lParam) : L"";
            const std::wstring text = wide(fitted(utf8(given), shapeOf(w), kUnfilledPlace));
            return CallWindowProcW(editProc(), w, WM_SETTEXT, wParam, reinterpret_cast<LPARAM>(text.c_str()));
        }
        default:
            break;
    }
    return CallWindowProcW(editProc(), w, message, wParam, lParam);
}

}  // namespace

void keepShape(HWND edit, const char* shape) {
    // Every edit box has the class's one procedure.
    const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(edit, GWLP_WNDPROC));
    if (previous == &shapedProc) return;
    editProc() = previous;
    SetWindowLongPtrW(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(shape));
    SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&shapedProc));
    SendMessageW(edit, EM_LIMITTEXT, std::strlen(shape), 0);
    SetWindowTextW(edit, wide(windowText(edit)).c_str());
}

void Win32MaskedText::setText(const std::string& text) { SetWindowTextW(w_, wide(text).c_str()); }

std::string Win32MaskedText::text() const { return fitted(windowText(w_), shape_, ' '); }

}  // namespace platform::win32
