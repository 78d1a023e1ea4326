#pragma once

#include <string>

namespace platform {

// "1234567" → "1,234,567", whatever the locale: how the program's own texts
// group the figures they show.
std::string GroupThousands(const std::string& digits);

}  // namespace platform
