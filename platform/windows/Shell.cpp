// Message boxes and the browser through the system's own calls.
#include "platform/ShellBackend.h"

#include <windows.h>

#include <shellapi.h>

namespace platform::backend {

void showBox(const BoxCall& call) {
    const UINT icon = call.kind == BoxKind::Error ? MB_ICONERROR : MB_ICONQUESTION;
    MessageBoxA(call.owner, call.text.c_str(), call.caption.c_str(), MB_OK | icon);
}

void openUrl(const std::string& url) {
    // What comes of it is not reported: a failed open shows nothing.
    ShellExecuteA(nullptr, "Open", url.c_str(), "", "", SW_SHOWNORMAL);
}

}  // namespace platform::backend
