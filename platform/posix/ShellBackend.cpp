// Without a window toolkit there is no window to show a box in: the box is
// written to the console instead, and nothing opens a browser.
#include "platform/ShellBackend.h"

#include <iostream>

namespace platform {
namespace {

class ConsoleShell final : public ShellBackend {
public:
    void showBox(const BoxCall& call) override { std::cerr << call.caption << ": " << call.text << '\n' << std::flush; }
    void openUrl(const std::string& url) override { std::cerr << "open " << url << '\n' << std::flush; }
};

}  // namespace

ShellBackend& systemShell() {
    static ConsoleShell shell;
    return shell;
}

}  // namespace platform
