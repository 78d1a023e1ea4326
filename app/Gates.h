#pragma once

#include "platform/UiSync.h"

namespace kestrune {

// Work that an operation in progress holds back on the user-interface thread.
// A memory recovery holds both gates (nothing but its own progress window is
// served while it runs); a scrub holds only the operation gate (the figures
// stay live, but a scheduled run waits until the scrub window has closed).
inline constexpr unsigned kGateRecovery = 1u << 0;
inline constexpr unsigned kGateOperation = 1u << 1;
static_assert(kGateOperation < (1u << platform::kGateCount));

}  // namespace kestrune
