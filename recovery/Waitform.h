#pragma once

#include "platform/Controls.h"

namespace kestrune {

namespace waitform {
inline constexpr const char* kCaption = "Kestrune";
inline constexpr const char* kDesignStep = "Attempting to free destructable memory blocks";
inline constexpr const char* kDesignCounter = "Step 3 of 3";
}  // namespace waitform

// The recovery's progress window. Only the recovery fills, shows and hides
// it; the user cannot close it.
class TForm2 {
public:
    struct Controls {
        platform::Window& self;
        platform::Label& TeLabel1;
        platform::ProgressBar& TeProgressBar1;
        platform::Label& TeLabel2;
    };
    explicit TForm2(const Controls& controls) : c(controls) {}

    // Always refuses: Alt+F4 and the window manager's close do nothing.
    bool FormCloseQuery() { return false; }

    Controls c;
};

// A progress window as the main window holds it.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;
    virtual TForm2& form() = 0;
};

}  // namespace kestrune
