#include "platform/SessionState.h"

#include "platform/posix/OwnFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <system_error>

namespace platform {
namespace {

// A record is a few lines per application; anything far larger is not ours.
constexpr off_t kMaxBytes = 4 << 20;

// Once in the run: every run of a trim asks again.
void tellRefused(const std::string& failure) {
    static std::mutex mutex;
    static std::set<std::string> told;
    const std::lock_guard<std::mutex> lock(mutex);
    if (told.insert(failure).second)
        std::cerr << "Kestrune keeps no record of idle applications: " << failure << "." << std::endl;
}

Error systemError(int code) { return {std::system_category().message(code), code}; }

Result<void> writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return systemError(errno);
        // Nothing written and no error: the file takes no more.
        if (n == 0) return systemError(ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    return {};
}

}  // namespace

// The folder is opened as OwnFolder opens it, and each file in it by name
// from there, never through a link: the runtime folder is one others may
// make things in.
std::optional<std::string> SessionState::read(const std::string& name) const {
    if (folder_.empty()) return std::nullopt;
    const OwnFolder dir(folder_, false);
    if (dir.fd < 0) {
        if (!dir.failure.empty()) tellRefused(dir.failure);
        return std::nullopt;
    }
    const int fd = ::openat(dir.fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxBytes;
    if (ok) {
        text.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (ok && done < text.size()) {
            const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            ok = n > 0;
            if (ok) done += static_cast<std::size_t>(n);
        }
    }
    ::close(fd);
    if (!ok) return std::nullopt;
    return text;
}

Result<void> SessionState::write(const std::string& name, const std::string& text) const {
    if (folder_.empty()) return Error{missing_};
    const OwnFolder dir(folder_);
    if (dir.fd < 0) {
        tellRefused(dir.failure);
        return Error{dir.failure};
    }
    // A name of its own, so that two runs writing at once never mix their texts.
    std::random_device random;
    const std::string part = name + ".new-" + std::to_string((std::uint64_t{random()} << 32) ^ random());
    const int fd = ::openat(dir.fd, part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return systemError(errno);
    Result<void> written = writeAll(fd, text);
    if (::close(fd) != 0 && written) written = systemError(errno);
    if (written && ::renameat(dir.fd, part.c_str(), dir.fd, name.c_str()) == 0) return {};
    if (written) written = systemError(errno);
    ::unlinkat(dir.fd, part.c_str(), 0);
    return written;
}

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
