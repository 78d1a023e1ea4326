#pragma once

#include "platform/Controls.h"

// The "Applications" window as laid out, in design pixels, for every toolkit's views.
namespace kestrune::applicationsform {

inline constexpr int kClientWidth = 560;
inline constexpr int kClientHeight = 424;
inline constexpr int kButtonHeight = 33;

// The whole system's figures, a line each, in a box titled kSystemTitle.
inline constexpr platform::Rect kSystemBox{8, 6, 544, 78};
inline constexpr platform::Rect kSystemLines[] = {{10, 18, 524, 16}, {10, 36, 524, 16}, {10, 54, 524, 16}};
// What this system cannot tell, two lines at most.
inline constexpr platform::Rect kCaveat{8, 88, 544, 28};
// The list, or in its place why trimming does not work here.
inline constexpr platform::Rect kList{8, 118, 544, 204};
inline constexpr int kListColumnWidths[] = {196, 80, 80, 80, 100};
inline constexpr int kNoticeMargin = 12;  // the sentence's distance from the frame it sits in
// What the trim does, then what came back and what that costs later: up to
// three lines, for the applications it had to pass over.
inline constexpr platform::Rect kStatus{8, 326, 544, 50};
inline constexpr platform::Rect kTrimSelected{8, 383, 97, kButtonHeight};
inline constexpr platform::Rect kTrimIdle{113, 383, 81, kButtonHeight};
inline constexpr platform::Rect kClose{471, 383, 81, kButtonHeight};

}  // namespace kestrune::applicationsform
