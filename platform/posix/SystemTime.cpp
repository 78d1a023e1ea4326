#include "platform/SystemTime.h"

#include <chrono>

namespace platform::detail {

std::uint32_t systemTickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    // Cut to 32 bits, so it wraps as GetTickCount does.
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

std::tm systemLocalTime(std::time_t t) {
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

}  // namespace platform::detail
