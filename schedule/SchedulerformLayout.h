#pragma once

#include "platform/Controls.h"

// The "Scheduler" window as laid out, in design pixels, for every toolkit's views.
namespace kestrune::schedulerform {

inline constexpr int kFrameWidth = 697;
inline constexpr int kFrameHeight = 374;
inline constexpr int kClientWidth = 689;
inline constexpr int kClientHeight = 343;
inline constexpr int kDesignLeft = 737;
inline constexpr int kDesignTop = 315;

}  // namespace kestrune::schedulerform
