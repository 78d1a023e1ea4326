#pragma once

#include "platform/Controls.h"

// The tutorial as laid out, in design pixels, for every toolkit's views.
namespace kestrune::wizard {

inline constexpr int kClientWidth = 256;
inline constexpr int kClientHeight = 425;
inline constexpr platform::Rect kPanel1{8, 24, 233, 57};
inline constexpr platform::Rect kPanel2{8, 80, 233, 321};
inline constexpr platform::Rect kLabel1{16, 16, 203, 24};
inline constexpr int kLabel1FontPixels = 19;  // bold
inline constexpr platform::Rect kLabel2{16, 16, 197, 39};
inline constexpr platform::Rect kLabel9{16, 144, 200, 78};
// This face needs a little more height for the status text than designed.
inline constexpr int kLabel9ShownHeight = 108;
inline constexpr platform::Rect kLabel3{16, 72, 197, 52};
inline constexpr platform::Rect kButton2{64, 264, 97, 25};
inline constexpr platform::Rect kCheckBox1{48, 296, 137, 17};

}  // namespace kestrune::wizard
