#include "platform/SessionState.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace platform {

SessionState userSessionState() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");  // NOLINT(concurrency-mt-unsafe)
    if (runtime != nullptr && *runtime != '\0') {
        const std::filesystem::path dir(runtime);
        std::error_code ec;
        // The login's own folder, made by systemd-logind: never made here.
        if (!dir.is_absolute() || !std::filesystem::is_directory(dir, ec))
            return {{}, "XDG_RUNTIME_DIR (" + std::string(runtime) + ") is not a folder"};
        return {dir / "kestrune", {}};
    }
    // cron does not set it, but the folder logind keeps for this user's
    // logins is where it would point.
    const std::string own = "/run/user/" + std::to_string(::getuid());
    struct stat st {};
    if (::stat(own.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid())
        return {std::filesystem::path(own) / "kestrune", {}};
    return {{}, "XDG_RUNTIME_DIR is not set, and there is no " + own};
}

}  // namespace platform
