#include "platform/Registry.h"
#include "schedule/Schedulerform.h"
#include "support/CapturedStderr.h"
#include "support/Fakes.h"
#include "support/IsolatedStore.h"
#include "support/StoredValues.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

using namespace kestrune;
using namespace testsupport;

namespace {

// The scheduler's logic over fake controls, on a store of its own, with the
// window's initial settings.
struct Scheduler {
    IsolatedStore isolated;
    FakeWindow window;
    FakeDropDown run{{"Recovery", "Scrub", "Both"}};
    FakeLabel minutes, daily, weekly, monthly, once, dailyAmPm, weeklyAmPm, monthlyAmPm, onceAmPm, weekday, day, date,
        loadPercent, loadCooldown;
    FakeDropDown loadMeasure;
    FakePanel hourlyPanel, dailyPanel, weeklyPanel, monthlyPanel, oncePanel, loadPanel;
    FakeListView list;
    BoxRecorder boxes;
    CapturedStderr quiet;
    TScheduler form;

    explicit Scheduler(SchedulerOffers offers = {})
        : form({.self = window,
                .TeComboBox11 = run,
                .TeGroupBox1 = hourlyPanel,
                .TeGroupBox2 = dailyPanel,
                .TeGroupBox4 = weeklyPanel,
                .TeGroupBox5 = monthlyPanel,
                .TeGroupBox6 = oncePanel,
                .TeMaskEdit1 = minutes,
                .TeMaskEdit2 = daily,
                .TeMaskEdit3 = weekly,
                .TeMaskEdit4 = monthly,
                .TeMaskEdit5 = once,
                .TeComboBox3 = dailyAmPm,
                .TeComboBox1 = weeklyAmPm,
                .TeComboBox7 = monthlyAmPm,
                .TeComboBox10 = onceAmPm,
                .TeComboBox6 = weekday,
                .TeComboBox9 = day,
                .DateTimePicker1 = date,
                .TeListView1 = list,
                .LoadGroupBox = loadPanel,
                .LoadPercentEdit = loadPercent,
                .LoadCooldownEdit = loadCooldown,
                .LoadMeasureBox = loadMeasure},
               offers) {
        run.setText("Recovery");
        minutes.setText("30");
        for (FakeLabel* t : {&daily, &weekly, &monthly, &once}) t->setText("10:00");
        for (FakeLabel* t : {&dailyAmPm, &weeklyAmPm, &monthlyAmPm, &onceAmPm}) t->setText("AM");
        weekday.setText("Friday");
        day.setText("5");
        date.setText("12/30/2003");
        loadPercent.setText("90");
        loadCooldown.setText("30");
        dailyPanel.setVisible(true);
    }
    Values stored() const { return storedValues(platform::kScheduleKey); }
    void put(const std::string& name, const std::string& text) {
        ASSERT_TRUE(storeText(platform::kScheduleKey, name, text));
    }
    std::string lastStored() const { return stored().back().second; }
};

using Rows = Values;

}  // namespace

// The first row is the window's initial daily settings.
TEST(Scheduler, EachPanelBuildsItsEntryFromItsOwnControlsAndListsIt) {
    Scheduler s;
    s.form.FormShow();
    EXPECT_EQ(s.list.rowCount(), 0);
    s.form.TeButton1Click();
    EXPECT_EQ(s.stored(), (Rows{{"0", "R 10 0 every day 0 0 0"}}));
    EXPECT_EQ(s.list.rows, (Rows{{"Memory Recovery", "Every day at 10:00AM"}}));
    s.minutes.setText(" 5");  // an unfilled first digit
    s.weekly.setText(" 2:30");
    s.weeklyAmPm.setText("PM");
    s.day.setText("1");
    const struct {
        void (TScheduler::*click)();
        const char* run;
        const char* text;
    } cases[] = {{&TScheduler::TeButton4Click, "Recovery", "R 0 5 every hour 0 0 0"},
                 {&TScheduler::TeButton5Click, "Recovery", "R 14 30 every week 0 5 0"},
                 {&TScheduler::TeButton6Click, "Recovery", "R 10 0 every month 0 1 0"},
                 {&TScheduler::TeButton7Click, "Recovery", "R 10 0 on 12 30 2003"},
                 {&TScheduler::TeButton1Click, "Both", "SR 10 0 every day 0 0 0"},
                 {&TScheduler::TeButton1Click, "Scrub", "S 10 0 every day 0 0 0"}};
    for (const auto& c : cases) {
        s.run.setText(c.run);
        (s.form.*c.click)();
        EXPECT_EQ(s.lastStored(), c.text);
        ScheduleEntry e;
        e.parseText(c.text);
        EXPECT_EQ(s.list.rows.back(), (std::pair{e.taskTitle(), e.describe()})) << c.text;
    }
}

TEST(Scheduler, NewEntriesTakeTheSmallestFreeNumberPassingOverOnesTooLongToRead) {
    Scheduler s;
    s.put("0", std::string(300, 'x'));
    s.put("2", "S 2 0 every day 0 0 0");
    s.form.TeButton1Click();
    s.form.TeButton1Click();
    std::vector<std::string> names;
    for (const auto& row : s.stored()) names.push_back(row.first);
    EXPECT_EQ(names, (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(storedText(platform::kScheduleKey, "1"), "R 10 0 every day 0 0 0");
}

TEST(Scheduler, TypedHoursAreStoredAsTypedWithTwelveOClockOnTheDay) {
    // Midnight with AM, noon with PM; no range check.
    for (const auto& [time, amPm, hour] : {std::tuple{"10:00", "AM", 10},
                                           {" 2:30", "PM", 14},
                                           {"12:00", "AM", 0},
                                           {"12:00", "PM", 12},
                                           {"99:99", "PM", 111}})
        EXPECT_EQ(TScheduler::typedHour(time, amPm), hour) << time << amPm;
    EXPECT_EQ(TScheduler::typedMinute("10:99"), 99);
    // The well-formed date and the task codes are the panels' case.
    EXPECT_THROW(TScheduler::dateDay("2003-12-30"), ConversionError);
    EXPECT_THROW(TScheduler::dateYear("12/30"), ConversionError);
    EXPECT_THROW(TScheduler::typedHour("  :00", "AM"), ConversionError);

    // A time that is not a number stores nothing.
    Scheduler s;
    s.daily.setText("ab:00");
    EXPECT_THROW(s.form.TeButton1Click(), ConversionError);
    EXPECT_TRUE(s.stored().empty());
}

TEST(Scheduler, RemoveDeletesTheSelectedRowsValueWhateverTheOrder) {
    Scheduler s;
    s.put("5", "S 5 0 every day 0 0 0");
    s.put("1", "S 1 0 every day 0 0 0");
    s.put("3", "S 3 0 every day 0 0 0");
    s.form.FormShow();
    s.form.TeButton3Click();  // nothing selected: nothing happens
    EXPECT_EQ(s.stored().size(), 3u);
    // The rows come in the store's order (as written on the SQLite store, by
    // name in Wine's registry): "3" is at neither row 3 nor its writing place.
    const auto& names = s.form.valueNames;
    s.list.selected = static_cast<int>(std::find(names.begin(), names.end(), "3") - names.begin());
    s.form.TeButton3Click();
    EXPECT_EQ(s.stored(), (Rows{{"1", "S 1 0 every day 0 0 0"}, {"5", "S 5 0 every day 0 0 0"}}));
    ASSERT_EQ(s.list.rows.size(), 2u);
    ASSERT_EQ(names.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) EXPECT_EQ(s.list.rows[i].second, "Every day at " + names[i] + ":00AM");
    EXPECT_TRUE(s.boxes.calls().empty());
}

TEST(Scheduler, AFaultyValueIsListedOnceReportedAndCanBeRemoved) {
    Scheduler s;
    s.put("0", "S 1 0 every day 0 0 0");
    s.put("1", "R ten 0 every day 0 0 0");
    s.put("2", "S 2 0 every day 0 0 0");
    s.form.FormShow();
    EXPECT_EQ(s.list.rows, (Rows{{"Memory Scrub", "Every day at 1:00AM"},
                                 {"Unreadable entry", "R ten 0 every day 0 0 0"},
                                 {"Memory Scrub", "Every day at 2:00AM"}}));
    ASSERT_EQ(s.boxes.calls().size(), 1u);
    EXPECT_EQ(s.boxes.calls()[0].text, "'ten' is not a valid integer value");
    s.list.selected = 1;
    s.form.TeButton3Click();
    EXPECT_EQ(s.stored().size(), 2u);
    EXPECT_EQ(s.list.rowCount(), 2);
    EXPECT_EQ(s.boxes.calls().size(), 1u);  // the reload found nothing faulty now
}

// An entry that reads but can never run lists as what it does: nothing.
TEST(Scheduler, AnEntryThatCannotRunIsListedAsUnreadable) {
    Scheduler s;
    s.put("0", "R\xff\xfe 10 0 every day 0 0 0");
    s.put("1", "R -1 99999 every day 0 0 0");
    s.put("2", "S 2 0 every day 0 0 0");
    s.form.FormShow();
    EXPECT_EQ(s.list.rows, (Rows{{"Unreadable entry", "R\xff\xfe 10 0 every day 0 0 0"},
                                 {"Unreadable entry", "R -1 99999 every day 0 0 0"},
                                 {"Memory Scrub", "Every day at 2:00AM"}}));
    ASSERT_EQ(s.boxes.calls().size(), 1u);
    EXPECT_EQ(s.boxes.calls()[0].text, "Unreadable entry: its task is none of S, R and SR");
}

TEST(Scheduler, AStoreThatCannotBeWrittenSaysSo) {
    Scheduler s;
    s.isolated.makeUnwritable();
    s.form.TeButton1Click();
    ASSERT_EQ(s.boxes.calls().size(), 1u);
    EXPECT_EQ(s.boxes.calls()[0].text, "The schedule entry could not be stored.");
    EXPECT_EQ(s.boxes.calls()[0].caption, "TarnError");
    s.list.rows = {{"Memory Recovery", "Every day at 10:00AM"}};
    s.form.valueNames = {"0"};
    s.list.selected = 0;
    s.form.TeButton3Click();
    ASSERT_EQ(s.boxes.calls().size(), 2u);
    EXPECT_EQ(s.boxes.calls()[1].text, "The schedule entry could not be removed.");
}

TEST(Scheduler, RadioButtonsShowOnlyTheirPanel) {
    Scheduler s;
    const struct {
        void (TScheduler::*click)();
        FakePanel* panel;
    } cases[] = {
        {&TScheduler::TeRadioButton2Click, &s.hourlyPanel}, {&TScheduler::TeRadioButton5Click, &s.oncePanel},
        {&TScheduler::TeRadioButton3Click, &s.weeklyPanel}, {&TScheduler::TeRadioButton4Click, &s.monthlyPanel},
        {&TScheduler::LoadRadioButtonClick, &s.loadPanel},  {&TScheduler::TeRadioButton1Click, &s.dailyPanel}};
    for (const auto& c : cases) {
        (s.form.*c.click)();
        for (const auto& other : cases) EXPECT_EQ(other.panel->visible(), other.panel == c.panel);
    }
}

TEST(Scheduler, LoadTriggersHaveTheirOwnKeyAndListAfterTheTimedEntries) {
    Scheduler s;
    s.put("0", "S 1 0 every day 0 0 0");
    s.run.setText("Both");
    s.loadPercent.setText("75");
    s.loadCooldown.setText("10");
    s.form.LoadButtonClick();
    EXPECT_EQ(s.stored(), (Rows{{"0", "S 1 0 every day 0 0 0"}}));  // the timed entries untouched
    EXPECT_EQ(storedValues(platform::kLoadTriggerKey), (Rows{{"0", "SR 75 10 0"}}));
    EXPECT_EQ(s.list.rows,
              (Rows{{"Memory Scrub", "Every day at 1:00AM"},
                    {"Memory Scrub and Recovery", "When memory load exceeds 75 %, at most once every 10 minutes"}}));

    s.list.selected = 1;  // the first trigger, not a timed entry "1"
    s.form.TeButton3Click();
    EXPECT_TRUE(storedValues(platform::kLoadTriggerKey).empty());
    EXPECT_EQ(s.stored().size(), 1u);

    // Out of range is refused before anything is stored.
    s.loadPercent.setText("100");
    EXPECT_THROW(s.form.LoadButtonClick(), ConversionError);
    EXPECT_EQ(s.list.rowCount(), 1);
}

TEST(Scheduler, TrimIsOfferedOnlyForTriggersAndOnlyWhereItWorks) {
    using Items = std::vector<std::string>;
    const Items timed{"Recovery", "Scrub", "Both"};
    Scheduler s({.trim = true, .pressure = true});
    s.run.setText("Scrub");
    s.form.LoadRadioButtonClick();
    EXPECT_EQ(s.run.items(), (Items{"Recovery", "Scrub", "Both", "Trim"}));
    EXPECT_EQ(s.run.text(), "Scrub");  // the choice stays where it still can
    s.run.setText("Trim");
    EXPECT_EQ(s.loadMeasure.items(), (Items{"memory load", "memory pressure"}));  // told by this system
    s.loadMeasure.setText("memory pressure");
    s.form.LoadMeasureBoxChange();
    EXPECT_EQ(s.loadPercent.text(), "20");  // left at the load's 90: moved to the pressure's own
    s.form.LoadButtonClick();
    EXPECT_EQ(storedValues(platform::kLoadTriggerKey), (Rows{{"0", "T 20 30 0 pressure"}}));
    EXPECT_EQ(s.list.rows.back(),
              (std::pair<std::string, std::string>{
                  "Memory Trim", "When memory pressure exceeds 20 %, at most once every 30 minutes"}));
    s.loadPercent.setText("35");  // typed: stays when the measure changes back
    s.loadMeasure.setText("memory load");
    s.form.LoadMeasureBoxChange();
    EXPECT_EQ(s.loadPercent.text(), "35");

    // Every timed period: the three of the timed entries, "Trim" gone.
    for (auto click :
         {&TScheduler::TeRadioButton2Click, &TScheduler::TeRadioButton1Click, &TScheduler::TeRadioButton3Click,
          &TScheduler::TeRadioButton4Click, &TScheduler::TeRadioButton5Click}) {
        s.form.LoadRadioButtonClick();
        s.run.setText("Trim");
        (s.form.*click)();
        EXPECT_EQ(s.run.items(), timed);
        EXPECT_EQ(s.run.text(), "Recovery");
    }
    s.form.TeButton1Click();
    EXPECT_EQ(s.lastStored(), "R 10 0 every day 0 0 0");

    Scheduler without;  // trimming does not work here
    without.form.LoadRadioButtonClick();
    EXPECT_EQ(without.run.items(), timed);
}

TEST(Scheduler, WhereThePressureIsNotToldItIsNotOfferedAndAStoredTriggerOnItSaysSo) {
    Scheduler s;
    EXPECT_EQ(s.loadMeasure.items(), std::vector<std::string>{"memory load"});
    EXPECT_EQ(s.loadMeasure.text(), "memory load");
    // Written where the pressure is told: read whole, not taken for a faulty value.
    ASSERT_TRUE(storeText(platform::kLoadTriggerKey, "0", "T 20 30 0 pressure"));
    ASSERT_TRUE(storeText(platform::kLoadTriggerKey, "1", "R 80 5 0"));
    s.form.FormShow();
    EXPECT_EQ(s.list.rows, (Rows{{"Memory Trim", "When memory pressure exceeds 20 % (not available on this system)"},
                                 {"Memory Recovery", "When memory load exceeds 80 %, at most once every 5 minutes"}}));
    EXPECT_TRUE(s.boxes.calls().empty());
}
