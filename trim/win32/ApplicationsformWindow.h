#pragma once

#include "platform/win32/Controls.h"
#include "platform/win32/Form.h"
#include "trim/Applicationsform.h"
#include "trim/ApplicationsformLayout.h"

#include <optional>

namespace kestrune {

namespace applicationsform::id {
inline constexpr int kSystemBox = 100;
inline constexpr int kSystemLabel = 101;
inline constexpr int kSwapLabel = 102;
inline constexpr int kPressureLabel = 103;
inline constexpr int kCaveatLabel = 104;
inline constexpr int kAppList = 105;
inline constexpr int kNoticePanel = 106;
inline constexpr int kNoticeLabel = 107;
inline constexpr int kStatusLabel = 108;
inline constexpr int kTrimSelectedButton = 109;
inline constexpr int kTrimIdleButton = 110;
// The ID Escape sends, so that Escape is a press of Close.
inline constexpr int kCloseButton = IDCANCEL;
// The refresh timer's, among the window's timers.
inline constexpr UINT_PTR kRefreshTimer = 1;
}  // namespace applicationsform::id

// The "Applications" window; the rules live in TApplicationsForm. Modeless,
// owned by the main window so it stays in front of it: Escape, Close and the
// title bar's close hide it, and its opener keeps it for the next time.
class ApplicationsFormWindow final : public platform::win32::Form, public AppListWindow {
public:
    ApplicationsFormWindow(HWND owner, TrimRunner& runner);
    ~ApplicationsFormWindow() override;
    TApplicationsForm& form() override { return *form_; }
    void showInFront() override;

protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void command(int id, int code, HWND control) override;
    LRESULT notify(const NMHDR& header) override;

private:
    HWND line(int id, const platform::Rect& r, HWND parent, DWORD style);

    platform::win32::Win32Window self_;
    platform::win32::Win32Label system_, swap_, pressure_, caveat_, notice_, status_;
    platform::win32::Win32Table list_;
    platform::win32::Win32Panel listShown_, noticeShown_;
    platform::win32::Win32Button trimSelected_, trimIdle_;
    platform::win32::Win32Timer timer_;
    std::optional<TApplicationsForm> form_;
};

}  // namespace kestrune
