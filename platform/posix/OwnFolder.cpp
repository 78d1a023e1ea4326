#include "platform/posix/OwnFolder.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

OwnFolder::OwnFolder(const std::filesystem::path& folder, bool make) {
    const auto fail = [&folder](const std::string& what, int error) {
        return what + " " + folder.string() + ": " + std::system_category().message(error);
    };
    const std::string parent = folder.parent_path().string();
    const std::string own = folder.filename().string();
    const int parentFd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0) {
        failure = fail("cannot open the folder of", errno);
        return;
    }
    if (make && ::mkdirat(parentFd, own.c_str(), 0700) != 0 && errno != EEXIST) {
        failure = fail("cannot make", errno);
        ::close(parentFd);
        return;
    }
    // The folder itself, never where a link would lead.
    const int dirFd = ::openat(parentFd, own.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int openError = errno;
    ::close(parentFd);
    if (dirFd < 0) {
        if (make || openError != ENOENT) failure = fail("cannot open", openError);
        return;
    }
    struct stat st {};
    if (::fstat(dirFd, &st) != 0 || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
        ::close(dirFd);
        failure = folder.string() + " is not a folder that only you may open; remove it, and Kestrune makes it anew";
        return;
    }
    fd = dirFd;
}

OwnFolder::~OwnFolder() {
    if (fd >= 0) ::close(fd);
}

}  // namespace platform
