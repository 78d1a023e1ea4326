#pragma once

#include "platform/Controls.h"

namespace kestrune {

namespace wizard {
inline constexpr const char* kCaption = "Memory Tutorial";
inline constexpr int kClientWidth = 256;
inline constexpr int kClientHeight = 425;
inline constexpr const char* kHeading = "Kestrune Help";
inline constexpr const char* kIntro =
    "Kestrune can free up system memory that was not properly released by some of your applications.";
inline constexpr const char* kStatus =
    "We also keep you updated on the status of your available memory on the main form. The progress "
    "bars indicate the memory available for each type of memory, and your histogram shows the "
    "available physical memory on your system.";
inline constexpr const char* kFreeing =
    "By Clicking on Free Memory, Kestrune will try to find any memory that is not in use, and not "
    "fully released.  Then it will release it back to the system for use. ";
inline constexpr const char* kDone = "Done";
inline constexpr const char* kShowNextTime = "Show This Next Time";
inline constexpr char kDoneKey = 'D';
inline constexpr char kShowNextTimeKey = 'S';
inline constexpr const char* kNoFlagText = "Address not assigned";
inline constexpr const char* kNoFlagCaption = "Error 4454";

inline constexpr platform::Rect kPanel1{8, 24, 233, 57};
inline constexpr platform::Rect kPanel2{8, 80, 233, 321};
inline constexpr platform::Rect kLabel1{16, 16, 203, 24};
inline constexpr platform::Rect kLabel2{16, 16, 197, 39};
inline constexpr platform::Rect kLabel9{16, 144, 200, 78};
// This face needs a little more height for the status text than designed.
inline constexpr int kLabel9ShownHeight = 108;
inline constexpr platform::Rect kLabel3{16, 72, 197, 52};
inline constexpr platform::Rect kButton2{64, 264, 97, 25};
inline constexpr platform::Rect kCheckBox1{48, 296, 137, 17};
}  // namespace wizard

// The tutorial beside the main window. Its "Show This Next Time" box edits a
// flag that the opener owns and lends by pointer; the window stores nothing.
class TWizardForm {
public:
    struct Controls {
        platform::Window& self;
        platform::CheckBox& TeCheckBox1;
        platform::Placement& TePanel2;
        platform::Placement& TeCheckBox1Place;
        platform::Placement& TeButton2;
    };
    explicit TWizardForm(const Controls& controls) : c_(controls) {}

    bool* showNextTimeFlag = nullptr;

    void FormShow();
    // Copies the box into the flag; never refuses.
    bool FormCloseQuery();
    void FormResize();
    void TeButton2Click();

    platform::Window& window() { return c_.self; }

private:
    void complainNoFlag();
    Controls c_;
};

// A tutorial window as its opener holds it: the view with its logic.
class TutorialWindow {
public:
    virtual ~TutorialWindow() = default;
    virtual TWizardForm& form() = 0;
};

}  // namespace kestrune
