#pragma once

#include "platform/Controls.h"

// The "Scheduler" window as laid out, in design pixels, for every toolkit's views.
namespace kestrune::schedulerform {

inline constexpr int kFrameWidth = 697;
inline constexpr int kFrameHeight = 374;
inline constexpr int kClientWidth = 689;
inline constexpr int kClientHeight = 343;
inline constexpr int kDesignLeft = 737;
inline constexpr int kDesignTop = 315;

inline constexpr int kButtonHeight = 33;
inline constexpr int kScheduleWidth = 81;  // each panel's "Schedule", at its line's right end
inline constexpr int kScheduleRight = 12;  // from the panel's right edge to the button's
inline constexpr int kBoxHeight = 23;      // an edit box's or a closed drop-down list's
inline constexpr int kTextDrop = 4;        // a word sits this far below the top of the boxes on its line
inline constexpr int kDropDownRows = 8;    // items a drop-down list shows when open

inline constexpr int kRunLabelLeft = 112;
inline constexpr platform::Rect kRun{136, 44, 89, kBoxHeight};

// The period choices, one column in a box: each a row of 16, the first close under its top.
inline constexpr platform::Rect kPeriods{8, 8, 97, 108};
inline constexpr int kRadioLeft = 16;
inline constexpr int kRadioTop = 7;
inline constexpr int kRadioPitch = 16;
inline constexpr int kRadioWidth = 76;
inline constexpr int kRadioHeight = 17;

// The period panels, stacked in one place; the hourly one is narrower.
inline constexpr platform::Rect kPanel{248, 16, 433, 89};
inline constexpr int kHourlyPanelWidth = 425;
inline constexpr int kRowTop = 36;                // where a panel's line of controls sits
inline constexpr int kScheduleTop = kRowTop - 5;  // the taller button, centred on that line
inline constexpr int kAtLeft = 16;
inline constexpr int kMinutesLeft = 36;
inline constexpr int kMinutesWidth = 33;
inline constexpr int kMinutesWordsLeft = 76;
inline constexpr int kTimeLeft = 36;
inline constexpr int kTimeWidth = 49;
inline constexpr int kAmPmLeft = 92;
inline constexpr int kAmPmWidth = 55;
inline constexpr int kOnLeft = 156;
inline constexpr int kWeekdayLeft = 176;
inline constexpr int kWeekdayWidth = 97;
inline constexpr int kOnTheLeft = 154;
inline constexpr int kMonthDayLeft = 192;
inline constexpr int kMonthDayWidth = 45;
inline constexpr int kDayOfMonthLeft = 242;
inline constexpr int kDateLeft = 176;
inline constexpr int kDateWidth = 121;

// The memory-load panel: two lines, each words, a number box just after them,
// then a unit; the first line's words hold the drop-down of what to watch.
inline constexpr int kLoadWordsLeft = 16;
inline constexpr int kLoadBoxTops[] = {20, 50};
inline constexpr int kLoadBoxGap = 6;   // from the words to the box
inline constexpr int kLoadUnitGap = 4;  // from the box to its unit
inline constexpr int kNumberBoxWidth = 57;
inline constexpr int kLoadMeasureWidth = 112;  // "memory load" or "memory pressure", between "when the" and "exceeds"

inline constexpr platform::Rect kList{8, 120, 673, 181};
inline constexpr int kListColumnWidths[] = {200, 400};
inline constexpr platform::Rect kRemove{24, 304, 81, kButtonHeight};
inline constexpr platform::Rect kClose{600, 304, 73, kButtonHeight};

}  // namespace kestrune::schedulerform
