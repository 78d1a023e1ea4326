// Start at login on Windows: a value in the user's Run key.
#include "platform/Autostart.h"

#include "platform/windows/Text.h"

#include <windows.h>

#include <string>

namespace platform {

namespace {

constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kValue = L"Kestrune";

Error fail(const std::string& what, LONG error) {
    wchar_t text[256] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(error), 0,
                   text, static_cast<DWORD>(std::size(text)), nullptr);
    return {what + ": " + windows::utf8(text), static_cast<int>(error)};
}

}  // namespace

Autostart::Autostart(std::string executable)
    : executable_(std::move(executable)),
      path_("HKEY_CURRENT_USER\\" + windows::utf8(kRunKey) + "\\" + windows::utf8(kValue)) {}

bool Autostart::enabled() const {
    return RegGetValueW(HKEY_CURRENT_USER, kRunKey, kValue, RRF_RT_REG_SZ, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::string Autostart::execLine(const std::string& executable) { return "\"" + executable + "\" --minimized"; }

Result<void> Autostart::setEnabled(bool on) const {
    if (!on) {
        const LONG result = RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kValue);
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return fail("cannot remove " + path_, result);
        return {};
    }
    if (enabled()) return {};  // the user's own entry stays as it is
    const std::wstring line = windows::wide(execLine(executable_));
    // The byte count with the zero character, in the registry's own width.
    const DWORD size = static_cast<DWORD>(line.size() + 1) * static_cast<DWORD>(sizeof(wchar_t));
    const LONG result = RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, kValue, REG_SZ, line.c_str(), size);
    if (result != ERROR_SUCCESS) return fail("cannot write " + path_, result);
    return {};
}

}  // namespace platform
