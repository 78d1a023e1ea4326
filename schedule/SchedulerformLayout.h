#pragma once

#include "platform/Controls.h"
#include "schedule/Schedulerform.h"

#include <span>
#include <vector>

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

// Each control's number, the native views' control ID.
namespace id {
inline constexpr int kTeGroupBox3 = 100;  // the period choices
inline constexpr int kTeRadioButton2 = 101;
inline constexpr int kTeRadioButton1 = 102;
inline constexpr int kTeRadioButton3 = 103;
inline constexpr int kTeRadioButton4 = 104;
inline constexpr int kTeRadioButton5 = 105;
inline constexpr int kLoadRadioButton = 106;
inline constexpr int kLabel13 = 110;
inline constexpr int kTeComboBox11 = 111;
inline constexpr int kTeGroupBox1 = 120;
inline constexpr int kTeGroupBox2 = 121;
inline constexpr int kTeGroupBox4 = 122;
inline constexpr int kTeGroupBox5 = 123;
inline constexpr int kTeGroupBox6 = 124;
inline constexpr int kLoadGroupBox = 125;
inline constexpr int kTeMaskEdit1 = 130;
inline constexpr int kTeMaskEdit2 = 131;
inline constexpr int kTeMaskEdit3 = 132;
inline constexpr int kTeMaskEdit4 = 133;
inline constexpr int kTeMaskEdit5 = 134;
inline constexpr int kTeComboBox3 = 140;
inline constexpr int kTeComboBox1 = 141;
inline constexpr int kTeComboBox7 = 142;
inline constexpr int kTeComboBox10 = 143;
inline constexpr int kTeComboBox6 = 150;
inline constexpr int kTeComboBox9 = 151;
inline constexpr int kDateTimePicker1 = 152;
inline constexpr int kLoadPercentEdit = 153;
inline constexpr int kLoadPercentUpDown = 154;
inline constexpr int kLoadCooldownEdit = 155;
inline constexpr int kLoadCooldownUpDown = 156;
inline constexpr int kLoadMeasureBox = 157;
inline constexpr int kTeButton4 = 160;
inline constexpr int kTeButton1 = 161;
inline constexpr int kTeButton5 = 162;
inline constexpr int kTeButton6 = 163;
inline constexpr int kTeButton7 = 164;
inline constexpr int kLoadButton = 165;
inline constexpr int kTeListView1 = 170;
inline constexpr int kTeButton3 = 171;
inline constexpr int kTeButton2 = 2;  // the one Escape sends, so that Escape is a press of Close
}  // namespace id

// What a control on a period panel's line is.
enum class Part { Words, Minutes, Time, AmPm, Weekday, MonthDay, Date, Schedule };

struct PanelControl {
    Part part;
    platform::Rect rect;  // words: where they start; they are as large as their text
    const char* text;     // the words, the caption, or what the box holds at first
    const char* name;     // the rules' name for it; none for words
    int id;
};

constexpr PanelControl words(const char* text, int left) {
    return {Part::Words, {left, kRowTop + kTextDrop, 0, 0}, text, nullptr, -1};
}
constexpr PanelControl box(Part part, int left, int width, const char* text, const char* name, int number) {
    return {part, {left, kRowTop, width, kBoxHeight}, text, name, number};
}
// "Schedule", at the right end of a panel `panelWidth` wide.
constexpr PanelControl schedule(int panelWidth, const char* name, int number) {
    return {Part::Schedule,
            {panelWidth - kScheduleWidth - kScheduleRight, kScheduleTop, kScheduleWidth, kButtonHeight},
            kScheduleCaption,
            name,
            number};
}

// What each panel's line holds after "at" and, on a panel set by the clock,
// the time and AM or PM; "Schedule" last.
inline constexpr PanelControl kHourlyRest[] = {
    box(Part::Minutes, kMinutesLeft, kMinutesWidth, kInitialMinutes, "TeMaskEdit1", id::kTeMaskEdit1),
    words(kMinutesWords, kMinutesWordsLeft),
    schedule(kHourlyPanelWidth, "TeButton4", id::kTeButton4),
};
inline constexpr PanelControl kDailyRest[] = {schedule(kPanel.width, "TeButton1", id::kTeButton1)};
inline constexpr PanelControl kWeeklyRest[] = {
    words(kOnWord, kOnLeft),
    box(Part::Weekday, kWeekdayLeft, kWeekdayWidth, kInitialWeekday, "TeComboBox6", id::kTeComboBox6),
    schedule(kPanel.width, "TeButton5", id::kTeButton5),
};
inline constexpr PanelControl kMonthlyRest[] = {
    words(kOnTheWords, kOnTheLeft),
    box(Part::MonthDay, kMonthDayLeft, kMonthDayWidth, kInitialMonthDay, "TeComboBox9", id::kTeComboBox9),
    words(kDayOfMonthWords, kDayOfMonthLeft),
    schedule(kPanel.width, "TeButton6", id::kTeButton6),
};
inline constexpr PanelControl kOnceRest[] = {
    words(kOnWord, kOnLeft),
    box(Part::Date, kDateLeft, kDateWidth, kInitialDate, "DateTimePicker1", id::kDateTimePicker1),
    schedule(kPanel.width, "TeButton7", id::kTeButton7),
};

// The panels of the periods told by time, in the order of their choices.
struct PeriodPanel {
    const char* name;
    int id;
    int width;
    const char* time;  // the time box's name, and AM or PM's; none where the panel has no clock time
    int timeId;
    const char* amPm;
    int amPmId;
    std::span<const PanelControl> rest;
};
inline constexpr PeriodPanel kTimedPanels[] = {
    {"TeGroupBox1", id::kTeGroupBox1, kHourlyPanelWidth, nullptr, -1, nullptr, -1, kHourlyRest},
    {"TeGroupBox2", id::kTeGroupBox2, kPanel.width, "TeMaskEdit2", id::kTeMaskEdit2, "TeComboBox3", id::kTeComboBox3,
     kDailyRest},
    {"TeGroupBox4", id::kTeGroupBox4, kPanel.width, "TeMaskEdit3", id::kTeMaskEdit3, "TeComboBox1", id::kTeComboBox1,
     kWeeklyRest},
    {"TeGroupBox5", id::kTeGroupBox5, kPanel.width, "TeMaskEdit4", id::kTeMaskEdit4, "TeComboBox7", id::kTeComboBox7,
     kMonthlyRest},
    {"TeGroupBox6", id::kTeGroupBox6, kPanel.width, "TeMaskEdit5", id::kTeMaskEdit5, "TeComboBox10", id::kTeComboBox10,
     kOnceRest},
};

// A panel's whole line, made and tabbed through in this order: "at", the
// clock time where it has one, then the rest.
inline std::vector<PanelControl> lineOf(const PeriodPanel& p) {
    std::vector<PanelControl> line{words(kAtWord, kAtLeft)};
    if (p.time != nullptr) {
        line.push_back(box(Part::Time, kTimeLeft, kTimeWidth, kInitialTime, p.time, p.timeId));
        line.push_back(box(Part::AmPm, kAmPmLeft, kAmPmWidth, kInitialAmPm, p.amPm, p.amPmId));
    }
    line.insert(line.end(), p.rest.begin(), p.rest.end());
    return line;
}
inline constexpr const char* kLoadPanelName = "LoadGroupBox";
static_assert(std::size(kTimedPanels) + 1 == kPeriodCount, "and the memory-load panel last");

// What a press of each button does.
struct Click {
    const char* name;
    int id;
    void (TScheduler::*handler)();
};
// The period choices first, in their order; then the buttons.
inline constexpr Click kClicks[] = {
    {"TeRadioButton2", id::kTeRadioButton2, &TScheduler::TeRadioButton2Click},
    {"TeRadioButton1", id::kTeRadioButton1, &TScheduler::TeRadioButton1Click},
    {"TeRadioButton3", id::kTeRadioButton3, &TScheduler::TeRadioButton3Click},
    {"TeRadioButton4", id::kTeRadioButton4, &TScheduler::TeRadioButton4Click},
    {"TeRadioButton5", id::kTeRadioButton5, &TScheduler::TeRadioButton5Click},
    {"LoadRadioButton", id::kLoadRadioButton, &TScheduler::LoadRadioButtonClick},
    {"TeButton4", id::kTeButton4, &TScheduler::TeButton4Click},
    {"TeButton1", id::kTeButton1, &TScheduler::TeButton1Click},
    {"TeButton5", id::kTeButton5, &TScheduler::TeButton5Click},
    {"TeButton6", id::kTeButton6, &TScheduler::TeButton6Click},
    {"TeButton7", id::kTeButton7, &TScheduler::TeButton7Click},
    {"LoadButton", id::kLoadButton, &TScheduler::LoadButtonClick},
    {"TeButton3", id::kTeButton3, &TScheduler::TeButton3Click},
    {"TeButton2", id::kTeButton2, &TScheduler::TeButton2Click},
};

}  // namespace kestrune::schedulerform
