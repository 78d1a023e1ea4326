#pragma once

#include "platform/Result.h"

#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// Small texts the program keeps for the length of the user's login, each in a
// file of its own (Trim Memory's record of what has been idle between two
// runs of `kestrune --trim`).
class SessionState {
public:
    // `folder` empty: there is no place for them, and `missing` says why.
    SessionState(std::filesystem::path folder, std::string missing);

    // Empty when texts are kept; else why not, in words a user reads.
    const std::string& missing() const { return missing_; }
    // Where they are kept; empty when nowhere.
    const std::filesystem::path& folder() const { return folder_; }
    // The whole text; none when it was never written or cannot be read.
    std::optional<std::string> read(const std::string& name) const;
    // Replaces the text whole: a reader sees the old one or the new one,
    // never a mix. An error, with the system's words, when it cannot be written.
    Result<void> write(const std::string& name, const std::string& text) const;

private:
    std::filesystem::path folder_;
    std::string missing_;
};

// This login's: $XDG_RUNTIME_DIR/kestrune on Linux (a tmpfs that logout
// empties), %LOCALAPPDATA%\Kestrune on Windows.
SessionState userSessionState();

}  // namespace platform
