#pragma once

#include "platform/Controls.h"

// The "Memory Defragmenter" window as laid out, in design pixels, for every toolkit's views.
namespace kestrune::scrubform {

inline constexpr int kClientWidth = 461;
inline constexpr int kClientHeight = 509;
inline constexpr platform::Rect kLabel1{136, 16, 173, 16};
// The title's face runs wider than designed on today's systems: the label is
// given room for it to the right.
inline constexpr int kLabel1ShownWidth = kLabel1.width + 20;
inline constexpr const char* kLabel1Face = "Verdana";
inline constexpr int kLabel1FontPixels = 13;
inline constexpr platform::Rect kMemo1{64, 344, 337, 105};
inline constexpr platform::Rect kButton1{176, 464, 113, 33};

}  // namespace kestrune::scrubform
