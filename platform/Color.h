#pragma once

#include <cstdint>

namespace platform {

// A colour laid out 0x00BBGGRR.
using TColor = std::uint32_t;

constexpr TColor rgb(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}
constexpr unsigned redOf(TColor c) { return c & 0xFFu; }
constexpr unsigned greenOf(TColor c) { return (c >> 8) & 0xFFu; }
constexpr unsigned blueOf(TColor c) { return (c >> 16) & 0xFFu; }

inline constexpr TColor clBlack = 0x00000000;
inline constexpr TColor clMaroon = 0x00000080;
inline constexpr TColor clRed = 0x000000FF;
inline constexpr TColor clGreen = 0x00008000;
inline constexpr TColor clYellow = 0x0000FFFF;
inline constexpr TColor clBlue = 0x00FF0000;

}  // namespace platform
