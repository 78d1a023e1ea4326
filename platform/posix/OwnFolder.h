#pragma once

#include <filesystem>
#include <string>

namespace platform {

// A folder of the program's in a place others may write in (the login's
// runtime folder), opened so that nobody else's file is ever read, written
// or changed through it: made with mode 0700 where it is missing, never
// reached through a symbolic link, and refused unless it is the user's own
// and only the user may open it.
struct OwnFolder {
    int fd = -1;          // the folder, open; -1 when it is refused
    std::string failure;  // why it is refused, e.g. "cannot make /run/user/1000/kestrune: Permission denied"

    // `make`: false to leave a missing folder missing (failure then empty).
    explicit OwnFolder(const std::filesystem::path& folder, bool make = true);
    ~OwnFolder();
    OwnFolder(const OwnFolder&) = delete;
    OwnFolder& operator=(const OwnFolder&) = delete;
};

}  // namespace platform
