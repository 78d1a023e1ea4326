// Message boxes and the browser through the system's own calls.
#include "platform/ShellBackend.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {
namespace {

class WindowsShell final : public ShellBackend {
public:
    void showBox(const BoxCall& call) override {
        const UINT icon = call.kind == BoxKind::Error ? MB_ICONERROR : MB_ICONQUESTION;
        MessageBoxA(call.owner, call.text.c_str(), call.caption.c_str(), MB_OK | icon);
    }
    void openUrl(const std::string& url) override {
        ShellExecuteA(nullptr, "Open", url.c_str(), "", "", SW_SHOWNORMAL);
    }
};

}  // namespace

ShellBackend& systemShell() {
    static WindowsShell shell;
    return shell;
}

}  // namespace platform
