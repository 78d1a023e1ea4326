// A build without the Qt views has no window to show a box in: the box is
// written to the console instead, and nothing opens a browser.
#include "platform/ShellBackend.h"

#include <iostream>

namespace platform::backend {

void showBox(const BoxCall& call) { std::cerr << call.caption << ": " << call.text << '\n' << std::flush; }

void openUrl(const std::string& url) { std::cerr << "open " << url << '\n' << std::flush; }

}  // namespace platform::backend
