#pragma once

#include <string>
#include <string_view>

namespace platform {

// "1234567" → "1,234,567", whatever the locale: how the program's own texts
// group the figures they show.
std::string GroupThousands(const std::string& digits);

// Text read from outside (a stored entry, an argument) made safe to print on
// a terminal: control characters and bytes that are not UTF-8 become \xNN,
// so that a stored escape sequence cannot move the cursor or retitle the
// terminal.
std::string TerminalSafe(std::string_view text);

}  // namespace platform
