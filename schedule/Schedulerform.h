#pragma once

#include "platform/Controls.h"
#include "schedule/LoadTrigger.h"
#include "schedule/ScheduleEntry.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace kestrune {

namespace schedulerform {
inline constexpr const char* kCaption = "Scheduler";
inline constexpr const char* kRunItems[] = {"Recovery", "Scrub", "Both"};
// Offered besides those while "By load" is chosen, where trimming works: the
// timed entries keep their three tasks.
inline constexpr const char* kTrimItem = "Trim";
inline constexpr const char* kWeekdayItems[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                "Thursday", "Friday", "Saturday"};
inline constexpr const char* kPeriodCaptions[] = {"Hourly", "Daily", "Weekly", "Monthly", "Once", "By load"};
inline constexpr int kInitialPeriod = 1;  // "Daily": its choice made and its panel shown when the window opens
// The memory-load panel's words, around its drop-down of what to watch and
// its two number boxes.
inline constexpr const char* kLoadWords[] = {"when the", "exceeds", "%,", "at most once every", "minutes."};
// The second only where the system tells the memory pressure.
inline constexpr const char* kLoadMeasureItems[] = {"memory load", "memory pressure"};
// After the condition of a pressure trigger stored where the pressure is
// not told, which never fires here.
inline constexpr const char* kNotAvailableHere = " (not available on this system)";
inline constexpr const char* kRunCaption = "Run";
inline constexpr const char* kScheduleCaption = "Schedule";
inline constexpr const char* kRemoveCaption = "Remove";
inline constexpr const char* kCloseCaption = "Close";
inline constexpr const char* kListHeaders[] = {"Scheduled Task", "When"};
// The words on a period panel's line, around its boxes.
inline constexpr const char* kAtWord = "at";
inline constexpr const char* kMinutesWords = "minutes past the hour.";
inline constexpr const char* kOnWord = "on";
inline constexpr const char* kOnTheWords = "on the";
inline constexpr const char* kDayOfMonthWords = "day of the month";
inline constexpr const char* kAmPmItems[] = {"AM", "PM"};
inline constexpr int kMonthDays = 31;  // the day list's items, "1" to this
// A time box holds two hour digits, the first of which may be left unfilled,
// a colon and two minute digits; the minutes box two digits. '#' is a digit's
// place, and an unfilled one shows as kUnfilled.
inline constexpr const char* kTimeShape = "##:##";
inline constexpr const char* kMinutesShape = "##";
inline constexpr char kUnfilled = '_';
// What the boxes hold when the window opens. The date is month/day/year, the
// order in which the rules read a date's text.
inline constexpr const char* kInitialTime = "10:00";
inline constexpr const char* kInitialMinutes = "30";
inline constexpr const char* kInitialAmPm = "AM";
inline constexpr const char* kInitialWeekday = "Friday";
inline constexpr const char* kInitialMonthDay = "5";
inline constexpr const char* kInitialDate = "12/30/2003";
// The keyboard letters: the periods, Run, Schedule, Remove, Close.
inline constexpr char kPeriodKeys[] = {'H', 'D', 'W', 'M', 'O', 'L'};
// One choice for each caption; both views build that many, with their keys.
inline constexpr std::size_t kPeriodCount = std::size(kPeriodCaptions);
static_assert(std::size(kPeriodKeys) == kPeriodCount);
inline constexpr char kRunKey = 'R';
inline constexpr char kScheduleKey = 'S';
inline constexpr char kRemoveKey = 'e';
inline constexpr char kCloseKey = 'C';
// What a screen reader calls the controls that have no caption of their own.
inline constexpr const char* kMinutesName = "Minutes past the hour";
inline constexpr const char* kTimeName = "Time, hours and minutes";
inline constexpr const char* kAmPmName = "AM or PM";
inline constexpr const char* kWeekdayName = "Day of the week";
inline constexpr const char* kMonthDayName = "Day of the month";
inline constexpr const char* kDateName = "Date";
inline constexpr const char* kListName = "Scheduled tasks";
inline constexpr const char* kPeriodsName = "When";
inline constexpr const char* kLoadPercentName = "Memory load, per cent";
inline constexpr const char* kCooldownName = "Minutes between runs";
inline constexpr const char* kLoadMeasureName = "What to watch";
inline constexpr const char* kUnreadable = "Unreadable entry";
inline constexpr const char* kNotStored = "The schedule entry could not be stored.";
inline constexpr const char* kNotRemoved = "The schedule entry could not be removed.";
inline constexpr const char* kErrorCaption = "TarnError";
}  // namespace schedulerform

// A modal window as its opener holds it.
class ModalWindow {
public:
    virtual ~ModalWindow() = default;
    virtual void showModal() = 0;
};

// What this system can do, which decides what the scheduler window offers.
struct SchedulerOffers {
    bool trim = false;      // trimming works here, so a trigger may run it
    bool pressure = false;  // the memory pressure is told here, so a trigger may watch it
};

// The scheduler window's rules: turning the user's choices into entries,
// naming and storing them, listing and removing them. Every change goes
// straight to the store and is followed by a fresh reading of the whole key.
// The list shows the timed entries, then the memory-load triggers, which
// are kept under a key of their own.
class TScheduler {
public:
    struct Controls {
        platform::Window& self;
        platform::DropDown& TeComboBox11;  // "Run"
        platform::Panel& TeGroupBox1;      // hourly
        platform::Panel& TeGroupBox2;      // daily
        platform::Panel& TeGroupBox4;      // weekly
        platform::Panel& TeGroupBox5;      // monthly
        platform::Panel& TeGroupBox6;      // once
        platform::Label& TeMaskEdit1;      // minutes past the hour
        platform::Label& TeMaskEdit2;      // daily time
        platform::Label& TeMaskEdit3;      // weekly time
        platform::Label& TeMaskEdit4;      // monthly time
        platform::Label& TeMaskEdit5;      // once time
        platform::Label& TeComboBox3;      // daily AM/PM
        platform::Label& TeComboBox1;      // weekly AM/PM
        platform::Label& TeComboBox7;      // monthly AM/PM
        platform::Label& TeComboBox10;     // once AM/PM
        platform::Label& TeComboBox6;      // weekday
        platform::Label& TeComboBox9;      // day of the month
        platform::Label& DateTimePicker1;  // the date as month/day/four-digit year
        platform::ListView& TeListView1;
        platform::Panel& LoadGroupBox;       // by memory load
        platform::Label& LoadPercentEdit;    // the load to exceed, per cent
        platform::Label& LoadCooldownEdit;   // minutes between runs
        platform::DropDown& LoadMeasureBox;  // "memory load" or "memory pressure"
    };
    explicit TScheduler(const Controls& controls, SchedulerOffers offers = {});
    // The list no longer asks it for rows.
    ~TScheduler();
    TScheduler(const TScheduler&) = delete;
    TScheduler& operator=(const TScheduler&) = delete;

    // The value name of the entry in each row, in row order.
    std::vector<std::string> valueNames;
    // The value name of each memory-load trigger, in the rows after those.
    std::vector<std::string> loadTriggerNames;

    void FormShow() { reloadList(); }
    void TeRadioButton2Click();   // "Hourly"
    void TeRadioButton1Click();   // "Daily"
    void TeRadioButton3Click();   // "Weekly"
    void TeRadioButton4Click();   // "Monthly"
    void TeRadioButton5Click();   // "Once"
    void LoadRadioButtonClick();  // "By load"
    void TeButton4Click();        // "Schedule" in the hourly panel
    void TeButton1Click();        // daily
    void TeButton5Click();        // weekly
    void TeButton6Click();        // monthly
    void TeButton7Click();        // once
    void LoadButtonClick();       // by memory load
    void LoadMeasureBoxChange();  // memory load or pressure chosen
    void TeButton3Click();        // "Remove"
    void TeButton2Click();        // "Close"

    void reloadList();
    void storeEntry(const std::string& text);
    void storeLoadTrigger(const std::string& text);
    // Each appends a row to the list.
    void addRow(const ScheduleEntry& entry);
    void addRow(const LoadTrigger& trigger);

    static std::string taskCode(const std::string& runText);
    // A trigger's task: "Trim" gives "T", the rest as taskCode.
    static std::string triggerTaskCode(const std::string& runText);
    static std::int32_t typedHour(const std::string& timeText, const std::string& amPm);
    static std::int32_t typedMinute(const std::string& timeText);
    static std::int32_t dateMonth(const std::string& dateText);
    static std::int32_t dateDay(const std::string& dateText);
    static std::int32_t dateYear(const std::string& dateText);

private:
    // Shows one period's panel, and the Run list's items for it.
    void showPanel(platform::Panel& panel);
    void store(const char* key, const std::string& text);
    // Lists the values of `key`, parsed by `Entry`, and gives their names.
    template <typename Entry>
    std::vector<std::string> listKey(const char* key, std::string& firstFailure);
    ScheduleEntry newEntry(const char* period) const;
    // Hands the list its rows; it asks for each one's words as it shows it.
    void showRows();
    std::pair<std::string, std::string> cells(int row) const;

    enum class RowKind : std::uint8_t { Timed, Load, Unreadable };
    void addRow(RowKind kind, const std::string& text);

    Controls c_;
    // Each row's stored text, one after another in one string, and where
    // each ends and what it is: thousands of rows cost no allocation each,
    // and their words are made only for the rows the list shows.
    std::string rowTexts_;
    std::vector<std::pair<std::size_t, RowKind>> rows_;
    SchedulerOffers offers_;
};

}  // namespace kestrune
