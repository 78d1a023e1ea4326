#pragma once

#include "platform/ShellBackend.h"

namespace platform {

// Boxes as QMessageBox, addresses through QDesktopServices; the application
// object installs it for its lifetime.
class QtShellBackend final : public ShellBackend {
public:
    void showBox(const BoxCall& call) override;
    void openUrl(const std::string& url) override;
};

}  // namespace platform
