// Message boxes and the browser through the system's own calls.
#include "platform/ShellBackend.h"

#include "platform/windows/Text.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {
namespace {

class WindowsShell final : public ShellBackend {
public:
    void showBox(const BoxCall& call) override {
        if (call.kind == BoxKind::About) {
            // With the program's own icon, resource 1.
            MSGBOXPARAMSW box{};
            box.cbSize = sizeof box;
            box.hwndOwner = call.owner;
            box.hInstance = GetModuleHandleW(nullptr);
            const std::wstring text = windows::wide(call.text);
            const std::wstring caption = windows::wide(call.caption);
            box.lpszText = text.c_str();
            box.lpszCaption = caption.c_str();
            box.dwStyle = MB_OK | MB_USERICON;
            box.lpszIcon = MAKEINTRESOURCEW(1);
            MessageBoxIndirectW(&box);
            return;
        }
        const UINT icon = call.kind == BoxKind::Error ? MB_ICONERROR : MB_ICONQUESTION;
        MessageBoxW(call.owner, windows::wide(call.text).c_str(), windows::wide(call.caption).c_str(), MB_OK | icon);
    }
    void openUrl(const std::string& url) override {
        ShellExecuteW(nullptr, L"Open", windows::wide(url).c_str(), L"", L"", SW_SHOWNORMAL);
    }
};

}  // namespace

ShellBackend& systemShell() {
    static WindowsShell shell;
    return shell;
}

}  // namespace platform
