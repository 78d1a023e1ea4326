#pragma once

#include "app/ViewFactory.h"
#include "app/qt/WizardformWidget.h"
#include "recovery/qt/WaitformWidget.h"
#include "schedule/qt/SchedulerformWidget.h"
#include "scrub/qt/ScrubformWidget.h"
#include "trim/qt/ApplicationsformWidget.h"

namespace kestrune {

// The main window's windows, as Qt widgets.
using QtFormFactory =
    ViewFactory<QWidget*, WizardFormWidget, ScrubFormWidget, Form2Widget, SchedulerWidget, ApplicationsFormWidget>;

}  // namespace kestrune
