#pragma once

#include "platform/Controls.h"

namespace kestrune {

namespace wizard {
inline constexpr const char* kCaption = "Memory Tutorial";
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
