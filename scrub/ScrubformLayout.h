#pragma once

#include "platform/Controls.h"

// The "Memory Defragmenter" window as laid out, in design pixels, for every toolkit's views.
namespace kestrune::scrubform {

inline constexpr int kClientWidth = 461;
inline constexpr int kClientHeight = 509;
inline constexpr platform::Rect kLabel1{136, 16, 173, 16};
inline constexpr platform::Rect kMemo1{64, 344, 337, 105};
inline constexpr platform::Rect kButton1{176, 464, 113, 33};

}  // namespace kestrune::scrubform
