// Message boxes and the browser through the system's own calls.
#include "platform/ShellBackend.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {
namespace {

class WindowsShell final : public ShellBackend {
public:
    void showBox(const BoxCall& call) override {
        if (call.kind == BoxKind::About) {
            // With the program's own icon, resource 1.
            MSGBOXPARAMSA box{};
            box.cbSize = sizeof box;
            box.hwndOwner = call.owner;
            box.hInstance = GetModuleHandleA(nullptr);
            box.lpszText = call.text.c_str();
            box.lpszCaption = call.caption.c_str();
            box.dwStyle = MB_OK | MB_USERICON;
            box.lpszIcon = MAKEINTRESOURCEA(1);
            MessageBoxIndirectA(&box);
            return;
        }
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
