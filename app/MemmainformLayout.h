#pragma once

#include "platform/Controls.h"

// The main window as laid out, in design pixels, for every toolkit's views.
namespace kestrune::mainform {

inline constexpr int kDesignClientWidth = 536;
inline constexpr int kDesignClientHeight = 402;
inline constexpr platform::Rect kMenuBar{0, 0, 536, 22};
inline constexpr platform::Rect kBevel1{0, 22, 536, 3};
inline constexpr platform::Rect kGroupBox5{8, 32, 513, 121};  // "Memory History"
inline constexpr platform::Rect kGraph{8, 17, 441, 96};
inline constexpr platform::Rect kLabel5{456, 16, 43, 13};
inline constexpr platform::Rect kLabel6{460, 56, 37, 13};
inline constexpr platform::Rect kLabel7{472, 100, 25, 13};
inline constexpr platform::Rect kGroupBox2{6, 152, 315, 41};  // "Virtual Memory"
inline constexpr platform::Rect kGroupBox3{6, 200, 315, 41};  // "PageFile"
inline constexpr platform::Rect kGroupBox1{6, 248, 315, 41};  // "Physical Memory"
inline constexpr platform::Rect kGroupBox4{6, 296, 315, 41};  // "Total Memory"
inline constexpr platform::Rect kButton1{160, 344, 105, 33};
inline constexpr platform::Rect kButton2{280, 344, 89, 33};
inline constexpr int kStatusBarHeight = 24;
inline constexpr int kStatusPanelWidth = 135;
inline constexpr platform::Rect kKindLabel{16, 16, 97, 13};
inline constexpr platform::Rect kKindBar{144, 16, 161, 17};
inline constexpr platform::Rect kInfoLabel2{8, 24, 176, 65};
inline constexpr platform::Rect kInfoLabel1{8, 104, 160, 65};

}  // namespace kestrune::mainform
