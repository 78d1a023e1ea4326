#pragma once

#include "platform/Controls.h"

// The recovery's progress window as laid out, in design pixels, for every toolkit's views.
namespace kestrune::waitform {

inline constexpr int kClientWidth = 262;
inline constexpr int kClientHeight = 85;
inline constexpr platform::Rect kLabel1{24, 8, 217, 13};
inline constexpr platform::Rect kBar1{24, 32, 209, 25};
inline constexpr platform::Rect kLabel2{104, 64, 52, 13};
// What a screen reader calls the bar, which has no caption of its own.
inline constexpr const char* kBarName = "Recovery progress";

}  // namespace kestrune::waitform
