#include "platform/SessionState.h"

#include <utility>

namespace platform {

SessionState::SessionState(std::filesystem::path folder, std::string missing)
    : folder_(std::move(folder)), missing_(folder_.empty() ? std::move(missing) : std::string{}) {}

}  // namespace platform
