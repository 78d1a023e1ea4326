#pragma once

#include "platform/UiSync.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

namespace platform::win32 {

// Runs dispatched tasks on the thread that created it (the UI thread): each
// post wakes a hidden message window there. Tasks still queued when it is
// closed or destroyed are dropped, and later posts are refused, so a thread
// waiting on one is released at shutdown instead of waiting for a loop that
// has ended.
class Win32UiDispatcher final : public UiDispatcher {
public:
    Win32UiDispatcher();
    ~Win32UiDispatcher() override;

    bool onUiThread() const override { return GetCurrentThreadId() == thread_; }
    // UI thread: drops what is queued and refuses more. Idempotent.
    void close();

protected:
    bool queue(std::function<void()> task) override;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void runQueued();

    DWORD thread_;
    HWND window_ = nullptr;
    std::mutex mutex_;
    std::deque<std::function<void()>> tasks_;
    bool wakePending_ = false;
    bool closed_ = false;
};

}  // namespace platform::win32
