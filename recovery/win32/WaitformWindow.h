#pragma once

#include "platform/win32/Controls.h"
#include "platform/win32/Form.h"
#include "recovery/Waitform.h"
#include "recovery/WaitformLayout.h"

#include <optional>

namespace kestrune {

namespace waitform::id {
inline constexpr int kTeLabel1 = 101;
inline constexpr int kTeProgressBar1 = 102;
inline constexpr int kTeLabel2 = 103;
}  // namespace waitform::id

// The always-on-top progress window of "Recover Memory".
class Form2Window final : public platform::win32::Form, public ProgressWindow {
public:
    explicit Form2Window(HWND owner = nullptr);
    TForm2& form() override { return *form_; }

protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // A redraw paints the window now and serves the messages waiting, all but
    // the user's clicks and keys: the message loop does not run while the
    // recovery does.
    class Redraw final : public platform::win32::Win32Window {
    public:
        void repaintNow() override;
    };

    Redraw self_;
    platform::win32::Win32StaticText l1_, l2_;
    platform::win32::Win32ProgressBar b1_;
    std::optional<TForm2> form_;
};

}  // namespace kestrune
