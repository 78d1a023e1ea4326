#pragma once

#include "app/ViewFactory.h"
#include "app/win32/WizardformWindow.h"
#include "recovery/win32/WaitformWindow.h"
#include "schedule/win32/SchedulerformWindow.h"
#include "scrub/win32/ScrubformWindow.h"
#include "trim/win32/ApplicationsformWindow.h"

#include <windows.h>

namespace kestrune {

// The main window's windows, as native windows.
using Win32FormFactory =
    ViewFactory<HWND, WizardFormWindow, ScrubFormWindow, Form2Window, SchedulerWindow, ApplicationsFormWindow>;

}  // namespace kestrune
