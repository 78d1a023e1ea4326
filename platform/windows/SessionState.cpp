#include "platform/SessionState.h"

#include <windows.h>

#include <system_error>
#include <vector>

namespace platform {

SessionState userSessionState() {
    // Wide, so that a user name outside the code page still works.
    const DWORD size = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    if (size == 0) return {{}, "LOCALAPPDATA is not set"};
    std::vector<wchar_t> value(size);
    if (GetEnvironmentVariableW(L"LOCALAPPDATA", value.data(), size) == 0) return {{}, "LOCALAPPDATA is not set"};
    const std::filesystem::path dir(value.data());
    std::error_code ec;
    if (!dir.is_absolute() || !std::filesystem::is_directory(dir, ec)) return {{}, "LOCALAPPDATA is not a folder"};
    return {dir / "Kestrune", {}};
}

}  // namespace platform
