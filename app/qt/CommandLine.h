#pragma once

#include "app/CommandLine.h"

namespace kestrune {

// Qt's own options (-platform, -style, -display and the rest), which the
// toolkit takes itself: let through, and listed by --help-all.
ToolkitOptions qtOptions();

}  // namespace kestrune
