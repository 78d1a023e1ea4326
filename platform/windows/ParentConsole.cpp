#include "platform/windows/ParentConsole.h"

#include "platform/windows/Text.h"

#include <vector>

namespace platform {
namespace {

std::atomic<bool> stopAsked{false};

BOOL WINAPI onControl(DWORD event) {
    stopAsked = true;
    // Ctrl+C and Ctrl+Break: the trim stops after its step and the program
    // ends on its own. A closing console ends it anyway once this returns.
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? TRUE : FALSE;
}

// A handle the program was given that leads somewhere.
bool usable(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN; }

}  // namespace

ParentConsole::ParentConsole() { SetConsoleCtrlHandler(&onControl, TRUE); }

ParentConsole::~ParentConsole() {
    SetConsoleCtrlHandler(&onControl, FALSE);
    if (out_ != nullptr) CloseHandle(out_);
    if (err_ != nullptr) CloseHandle(err_);
    if (attached_) FreeConsole();
}

const std::atomic<bool>& ParentConsole::interrupted() { return stopAsked; }

HANDLE ParentConsole::stream(DWORD which, HANDLE& opened) {
    if (const HANDLE given = GetStdHandle(which); usable(given)) return given;
    if (opened != nullptr) return opened;
    if (!triedToAttach_) {
        triedToAttach_ = true;
        attached_ = AttachConsole(ATTACH_PARENT_PROCESS) != FALSE;
        // Joined only now: its Ctrl+C reaches the handler from here on.
        if (attached_) SetConsoleCtrlHandler(&onControl, TRUE);
    }
    if (!attached_) return nullptr;
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) return nullptr;
    opened = console;
    return opened;
}

bool ParentConsole::write(HANDLE h, const std::string& line) {
    if (h == nullptr) return false;
    // Every line ends as Windows ends them, those within `line` too (--help).
    std::string text;
    text.reserve(line.size() + 8);
    for (const char c : line) {
        if (c == '\n' && (text.empty() || text.back() != '\r')) text += '\r';
        text += c;
    }
    text += "\r\n";
    DWORD mode = 0;
    if (GetConsoleMode(h, &mode)) {
        // A console shows UTF-16 whatever its code page.
        const std::wstring shown = windows::wide(text);
        DWORD written = 0;
        return WriteConsoleW(h, shown.data(), static_cast<DWORD>(shown.size()), &written, nullptr) != FALSE;
    }
    // A file or a pipe gets the UTF-8 bytes.
    DWORD written = 0;
    return WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE &&
           written == text.size();
}

bool ParentConsole::out(const std::string& line) { return write(stream(STD_OUTPUT_HANDLE, out_), line); }
bool ParentConsole::err(const std::string& line) { return write(stream(STD_ERROR_HANDLE, err_), line); }

}  // namespace platform
