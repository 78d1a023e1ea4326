#include "platform/SystemTime.h"

#include <windows.h>

namespace platform::detail {

// The system's millisecond count: wraps after 49.7 days, as the differences
// expect.
std::uint32_t systemTickCount() { return GetTickCount(); }

std::tm systemLocalTime(std::time_t t) {
    std::tm out{};
    localtime_s(&out, &t);
    return out;
}

}  // namespace platform::detail
