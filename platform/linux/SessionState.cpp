#include "platform/SessionState.h"

#include <cstdlib>
#include <system_error>

namespace platform {

SessionState userSessionState() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");  // NOLINT(concurrency-mt-unsafe)
    if (runtime == nullptr || *runtime == '\0') return {{}, "XDG_RUNTIME_DIR is not set"};
    const std::filesystem::path dir(runtime);
    std::error_code ec;
    // The login's own folder, made by systemd-logind: never made here.
    if (!dir.is_absolute() || !std::filesystem::is_directory(dir, ec))
        return {{}, "XDG_RUNTIME_DIR (" + std::string(runtime) + ") is not a folder"};
    return {dir / "kestrune", {}};
}

}  // namespace platform
