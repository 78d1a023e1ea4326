#pragma once

#include "app/Wizardform.h"
#include "app/WizardformLayout.h"
#include "platform/win32/Controls.h"
#include "platform/win32/Form.h"

#include <optional>

namespace kestrune {

namespace wizard::id {
inline constexpr int kTePanel1 = 101;
inline constexpr int kTePanel2 = 102;
inline constexpr int kLabel1 = 103;
inline constexpr int kLabel2 = 104;
inline constexpr int kLabel9 = 105;
inline constexpr int kLabel3 = 106;
inline constexpr int kTeButton2 = 107;
inline constexpr int kTeCheckBox1 = 108;
}  // namespace wizard::id

// The "Memory Tutorial" window; the rules live in TWizardForm. Closing only
// hides it: its opener destroys it.
class WizardFormWindow final : public platform::win32::Form, public TutorialWindow {
public:
    explicit WizardFormWindow(HWND owner = nullptr);
    TWizardForm& form() override { return *form_; }

protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void command(int id, int code, HWND control) override;

private:
    platform::win32::Win32Window self_;
    platform::win32::Win32CheckBox box_;
    platform::win32::Win32Placement panelPlace_, boxPlace_, donePlace_;
    std::optional<TWizardForm> form_;
};

}  // namespace kestrune
