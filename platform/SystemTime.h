#pragma once

#include <cstdint>
#include <ctime>

// The two readings of the time that each system gives its own way; the rest
// of the real clock is portable (Clock.cpp).
namespace platform::detail {

// Milliseconds since an arbitrary start, 32-bit and wrapping.
std::uint32_t systemTickCount();
std::tm systemLocalTime(std::time_t t);

}  // namespace platform::detail
