#include "schedule/LoadTrigger.h"
#include "schedule/ScheduleEntry.h"

#include <gtest/gtest.h>

using namespace kestrune;

namespace {

ScheduleEntry entry(const char* task, int hour, int minute, const char* period, int month, int day, int year) {
    ScheduleEntry e;
    e.task = task;
    e.hour = hour;
    e.minute = minute;
    e.period = period;
    e.month = month;
    e.day = day;
    e.year = year;
    return e;
}

ScheduleEntry parsed(const std::string& text) {
    ScheduleEntry e;
    e.parseText(text);
    return e;
}

}  // namespace

TEST(ScheduleEntry, TextFormBothWaysForEveryKind) {
    const struct {
        ScheduleEntry e;
        const char* text;
        const char* words;
    } cases[] = {
        {entry("R", 22, 0, "on", 12, 29, 2003), "R 22 0 on 12 29 2003", "10:00PM on 12/29/2003"},
        {entry("S", 10, 0, "day", 0, 0, 0), "S 10 0 every day 0 0 0", "Every day at 10:00AM"},
        {entry("SR", 0, 30, "hour", 0, 0, 0), "SR 0 30 every hour 0 0 0", "Every hour at 30 minutes past the hour."},
        {entry("R", 9, 15, "week", 0, 5, 0), "R 9 15 every week 0 5 0", "Every Friday at 9:15AM"},
        {entry("S", 10, 0, "month", 0, 1, 0), "S 10 0 every month 0 1 0", "Every month on the 1th"},
        {ScheduleEntry{}, "s 0 0 on 0 0 0", "12:00AM on 0/0/0"},
        {entry("r", -3, 7, "day", 0, 0, 0), "r -3 7 every day 0 0 0", "Every day at -3:07AM"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.e.toText(), c.text);
        EXPECT_EQ(parsed(c.text), c.e) << c.text;
        EXPECT_EQ(c.e.describe(), c.words) << c.text;
    }
    // The period is written lower-cased but read as stored; its words do not care.
    EXPECT_EQ(entry("S", 1, 2, "Week", 0, 3, 0).toText(), "S 1 2 every week 0 3 0");
    EXPECT_EQ(entry("S", 1, 2, "ON", 1, 2, 2004).toText(), "S 1 2 on 1 2 2004");
    EXPECT_EQ(parsed("S 10 0 every Day 0 0 0").period, "Day");
    EXPECT_EQ(parsed("S 10 0 every Day 0 0 0").describe(), "Every day at 10:00AM");
    EXPECT_EQ(parsed("R 22 0 ON 12 29 2003").period, "on");
    // The fourth word is not looked at; a ninth token is ignored.
    EXPECT_EQ(parsed("S 10 0 daily day 0 0 0").period, "day");
    EXPECT_EQ(parsed("R 22 0 on 12 29 2003 extra"), entry("R", 22, 0, "on", 12, 29, 2003));
}

TEST(ScheduleEntry, AMalformedTextFailsAtItsTokenAfterTheEarlierFieldsAreSet) {
    ScheduleEntry e;
    // Too few tokens: the sixth is the whole text, which is not a number.
    try {
        e.parseText("S 10 0 every day");
        FAIL() << "no conversion failure";
    } catch (const ConversionError& err) {
        EXPECT_EQ(err.text(), "S 10 0 every day");
        EXPECT_STREQ(err.what(), "'S 10 0 every day' is not a valid integer value");
    }
    EXPECT_EQ(e, entry("S", 10, 0, "day", 0, 0, 0));
    // Two spaces give an empty token; a trailing space stays with the last
    // token; a tab is no separator; 32 bits at most.
    for (const char* bad : {"R  10 0 on 1 1 2004", "R 10 0 on 1 1 2004 ", "R\t10 0 on 1 1 2004", "", "null",
                            "R 2147483648 0 on 1 1 2004"})
        EXPECT_THROW(parsed(bad), ConversionError) << bad;
    EXPECT_EQ(parsed("R -2147483648 2147483647 on 1 1 2004").hour, -2147483647 - 1);
    // Numbers as the window reads them: a leading blank for an unfilled digit.
    for (const auto& [text, value] : {std::pair{" 5", 5}, {"-12", -12}, {"007", 7}, {"+5", 5}})
        EXPECT_EQ(toInt32(text), value) << text;
    for (const char* bad : {"5 ", "-", "0x10", "  "}) EXPECT_THROW(toInt32(bad), ConversionError) << bad;
}

TEST(ScheduleEntry, WordsForTasksDaysAndTheTwelveOClockHours) {
    for (const auto& [task, title] : {std::pair{"S", "Memory Scrub"},
                                      {"r", "Memory Recovery"},
                                      {"SR", "Memory Scrub and Recovery"},
                                      {"x", "Memory Scrub and Recovery"}})
        EXPECT_EQ(entry(task, 0, 0, "on", 0, 0, 0).taskTitle(), title);
    EXPECT_EQ(entry("S", 9, 15, "week", 0, 0, 0).describe(), "Every Sunday at 9:15AM");
    EXPECT_EQ(entry("S", 9, 15, "week", 0, 6, 0).describe(), "Every Saturday at 9:15AM");
    EXPECT_EQ(entry("S", 9, 15, "week", 0, 9, 0).describe(), "Every weekday 9 at 9:15AM");
    EXPECT_EQ(entry("S", 9, 15, "yearly", 0, 0, 0).describe(), "");
    // Midnight, noon, an old stored 12 PM as 24, and the hours either side.
    for (const auto& [hour, text] :
         {std::pair{0, "12:15AM"}, {11, "11:15AM"}, {12, "12:15PM"}, {13, "1:15PM"}, {24, "12:15PM"}})
        EXPECT_EQ(ScheduleEntry::clockText(hour, 15), text) << hour;
}

TEST(LoadTrigger, TextFormBothWaysAndEveryFaultRefusedWhole) {
    LoadTrigger t;
    t.parseText("sr 85 1 1072000000");
    // The words pin the percent and the cooldown, the text the rest.
    EXPECT_EQ(t.lastRun, 1072000000);
    EXPECT_EQ(t.toText(), "sr 85 1 1072000000");
    EXPECT_EQ(t.describe(), "When memory load exceeds 85 %, at most once every 1 minute");
    EXPECT_EQ(LoadTrigger{}.toText(), "R 90 30 0");
    EXPECT_EQ(LoadTrigger{}.describe(), "When memory load exceeds 90 %, at most once every 30 minutes");
    // A trim, and the pressure as a fifth word that load triggers never have.
    LoadTrigger p;
    p.parseText("t 20 5 0 pressure");
    EXPECT_EQ(p.measure, Measure::Pressure);
    EXPECT_TRUE(taskTrims(p.task));
    EXPECT_EQ(p.toText(), "t 20 5 0 pressure");
    EXPECT_EQ(p.describe(), "When memory pressure exceeds 20 %, at most once every 5 minutes");
    EXPECT_EQ(triggerTaskTitle(p.task), "Memory Trim");
    EXPECT_EQ(triggerTaskTitle("SR"), "Memory Scrub and Recovery");
    p.parseText("T 90 30 0");
    EXPECT_EQ(p.measure, Measure::Load);
    EXPECT_EQ(p.toText(), "T 90 30 0");

    for (const char* bad : {"", "R 90 30", "R 90 30 0 0", "X 90 30 0", "R 0 30 0", "R 100 30 0", "R 90 0 0",
                            "R 90 1441 0", "R 90 30 -1", "R 9x 30 0", "R 90 30 99999999999999999999", "R  90 30 0",
                            "R 90 30 0 ", "R 90 30 0 Pressure", "R 90 30 0 pressure ", "TR 90 30 0"}) {
        LoadTrigger kept = t;
        EXPECT_THROW(kept.parseText(bad), ConversionError) << bad;
        EXPECT_EQ(kept, t) << bad;
    }
}

// What the Scheduler's panels can make runs or reads as typed; what only an
// edited store holds is named as an entry that cannot run.
TEST(ScheduleEntry, AFaultIsATaskOfNoneOfTheThreeOrANumberNoPanelMakes) {
    for (const char* fine :
         {"R 10 0 every day 0 0 0", "sr 0 5 every hour 0 0 0", "S 111 99 every day 0 0 0", "R 14 30 every week 0 6 0",
          "R 10 0 every month 0 31 0", "R 10 0 on 12 30 2003", "R 10 0 every fortnight 0 0 0"}) {
        ScheduleEntry e;
        e.parseText(fine);
        EXPECT_EQ(e.fault(), "") << fine;
    }
    for (const char* bad : {"R\xff\xfe 10 0 every day 0 0 0", "x 10 0 every day 0 0 0", "R -1 99999 every day 0 0 0",
                            "R 112 0 every day 0 0 0", "R 10 100 every day 0 0 0", "R 10 0 every week 0 7 0",
                            "R 10 0 every month 0 0 0", "R 10 0 on 13 1 2003", "R 10 0 on 12 32 2003"}) {
        ScheduleEntry e;
        e.parseText(bad);
        EXPECT_NE(e.fault(), "") << bad;
    }
}

TEST(LoadTrigger, DueAboveItsPercentOnceTheCooldownIsOver) {
    LoadTrigger t;
    t.percent = 80;
    t.cooldownMinutes = 30;
    t.lastRun = 10000;
    EXPECT_FALSE(t.due(80, 10000 + 1800));
    EXPECT_TRUE(t.due(81, 10000 + 1800));
    EXPECT_FALSE(t.due(100, 10000 + 1799));
    EXPECT_TRUE(t.due(100, 9999));  // the clock went back
    t.lastRun = 0;                  // never run: no cooldown to wait
    EXPECT_TRUE(t.due(81, 60));
    EXPECT_TRUE(t.due(80.01, 60));  // a pressure of 80.01 % is above 80
    EXPECT_FALSE(t.due(80.0, 60));
}
