#include "platform/win32/UiDispatcher.h"

#include "platform/win32/Form.h"

#include <utility>

namespace platform::win32 {
namespace {

constexpr UINT kRunTasks = WM_APP + 1;
constexpr const wchar_t* kClassName = L"KestruneUiDispatcher";

}  // namespace

Win32UiDispatcher::Win32UiDispatcher() : thread_(GetCurrentThreadId()) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = &Win32UiDispatcher::windowProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = kClassName;
    RegisterClassW(&cls);  // a second dispatcher finds the class registered
    // A message-only window: never shown, never enumerated with the desktop's.
    window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);
    if (window_ != nullptr) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32UiDispatcher::~Win32UiDispatcher() {
    close();
    if (window_ != nullptr) DestroyWindow(window_);
}

void Win32UiDispatcher::close() {
    std::deque<std::function<void()>> dropped;
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        dropped.swap(tasks_);
    }
    // Destroyed outside the lock: a dropped task's captures may release a
    // thread that posts again, and is refused.
    dropped.clear();
}

bool Win32UiDispatcher::queue(std::function<void()> task) {
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        if (closed_ || window_ == nullptr) return false;
        tasks_.push_back(std::move(task));
        wake = !wakePending_;
        wakePending_ = true;
    }
    // One message stands for every task queued before it is served.
    if (wake && !PostMessageW(window_, kRunTasks, 0, 0)) {
        const std::lock_guard lock(mutex_);
        wakePending_ = false;
        tasks_.pop_back();
        return false;
    }
    return true;
}

void Win32UiDispatcher::runQueued() {
    std::function<void()> task;
    {
        const std::lock_guard lock(mutex_);
        if (tasks_.empty()) {
            wakePending_ = false;
            return;
        }
        task = std::move(tasks_.front());
        tasks_.pop_front();
        // One task a message: a task may open a modal loop, which serves
        // the next one from there.
        if (tasks_.empty() || !PostMessageW(window_, kRunTasks, 0, 0)) wakePending_ = false;
    }
    task();
}

LRESULT CALLBACK Win32UiDispatcher::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunTasks) {
        if (auto* self = reinterpret_cast<Win32UiDispatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
            guarded([self] { self->runQueued(); });
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace platform::win32
