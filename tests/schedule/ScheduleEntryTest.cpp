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
        {entry("S", 10, 0, "month", 0, 5, 0), "S 10 0 every month 0 5 0", "Every month on the 5th"},
        {ScheduleEntry{}, "s 0 0 on 0 0 0", "12:00AM on 0/0/0"},
        {entry("r", -3, 7, "day", 0, 0, 0), "r -3 7 every day 0 0 0", "Every day at -3:07AM"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.e.toText(), c.text);
        EXPECT_EQ(parsed(c.text), c.e) << c.text;
        EXPECT_EQ(c.e.describe(), c.words) << c.text;
    }
}

TEST(ScheduleEntry, PeriodLetterCaseIsWrittenLowerButReadAsStored) {
    // Written lower-cased, read back lower-cased through the text.
    EXPECT_EQ(entry("S", 1, 2, "ON", 1, 2, 2004).toText(), "S 1 2 on 1 2 2004");
    EXPECT_EQ(parsed(entry("S", 1, 2, "ON", 1, 2, 2004).toText()).period, "on");
    EXPECT_EQ(entry("S", 1, 2, "Week", 0, 3, 0).toText(), "S 1 2 every week 0 3 0");
    EXPECT_EQ(parsed(entry("S", 1, 2, "Week", 0, 3, 0).toText()).period, "week");
    // A period read with a capital letter stays as it was; its words do not care.
    const ScheduleEntry day = parsed("S 10 0 every Day 0 0 0");
    EXPECT_EQ(day.period, "Day");
    EXPECT_EQ(day.describe(), "Every day at 10:00AM");
    // The fourth word is not looked at; a ninth token is ignored.
    EXPECT_EQ(parsed("S 10 0 daily day 0 0 0").period, "day");
    EXPECT_EQ(parsed("R 22 0 on 12 29 2003 extra"), entry("R", 22, 0, "on", 12, 29, 2003));
    EXPECT_EQ(parsed("R 22 0 ON 12 29 2003").period, "on");
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
    EXPECT_EQ(e.task, "S");
    EXPECT_EQ(e.hour, 10);
    EXPECT_EQ(e.minute, 0);
    EXPECT_EQ(e.period, "day");

    // Two spaces after the task give an empty hour token.
    ScheduleEntry f;
    EXPECT_THROW(f.parseText("R  10 0 on 1 1 2004"), ConversionError);
    EXPECT_EQ(f.task, "R");
    // A trailing space stays with the last token; a tab is no separator.
    EXPECT_THROW(parsed("R 10 0 on 1 1 2004 "), ConversionError);
    EXPECT_THROW(parsed("R\t10 0 on 1 1 2004"), ConversionError);
    EXPECT_THROW(parsed(""), ConversionError);
    EXPECT_THROW(parsed("null"), ConversionError);
    // Out of 32 bits fails the same way; the edges fit.
    EXPECT_THROW(parsed("R 2147483648 0 on 1 1 2004"), ConversionError);
    EXPECT_EQ(parsed("R -2147483648 2147483647 on 1 1 2004").hour, -2147483647 - 1);
    EXPECT_EQ(parsed("R +5 0 on 1 1 2004").hour, 5);
}

TEST(ScheduleEntry, NumbersReadAsTheWindowReadsThem) {
    EXPECT_EQ(toInt32(" 5"), 5);  // an unfilled first digit does no harm
    EXPECT_EQ(toInt32("-12"), -12);
    EXPECT_EQ(toInt32("007"), 7);
    EXPECT_THROW(toInt32("5 "), ConversionError);
    EXPECT_THROW(toInt32("-"), ConversionError);
    EXPECT_THROW(toInt32("0x10"), ConversionError);
    EXPECT_THROW(toInt32("  "), ConversionError);
}

TEST(ScheduleEntry, WordsForTasksDaysAndTheTwelveOClockHours) {
    EXPECT_EQ(entry("S", 0, 0, "on", 0, 0, 0).taskTitle(), "Memory Scrub");
    EXPECT_EQ(entry("r", 0, 0, "on", 0, 0, 0).taskTitle(), "Memory Recovery");
    EXPECT_EQ(entry("SR", 0, 0, "on", 0, 0, 0).taskTitle(), "Memory Scrub and Recovery");
    EXPECT_EQ(entry("x", 0, 0, "on", 0, 0, 0).taskTitle(), "Memory Scrub and Recovery");

    EXPECT_EQ(entry("S", 10, 0, "month", 0, 1, 0).describe(), "Every month on the 1th");
    EXPECT_EQ(entry("S", 10, 0, "month", 0, 22, 0).describe(), "Every month on the 22th");
    EXPECT_EQ(entry("S", 0, 5, "hour", 0, 0, 0).describe(), "Every hour at 5 minutes past the hour.");
    EXPECT_EQ(entry("S", 9, 15, "week", 0, 0, 0).describe(), "Every Sunday at 9:15AM");
    EXPECT_EQ(entry("S", 9, 15, "week", 0, 6, 0).describe(), "Every Saturday at 9:15AM");
    EXPECT_EQ(entry("S", 9, 15, "week", 0, 9, 0).describe(), "Every weekday 9 at 9:15AM");
    EXPECT_EQ(entry("S", 9, 15, "yearly", 0, 0, 0).describe(), "");

    EXPECT_EQ(ScheduleEntry::clockText(22, 0), "10:00PM");
    EXPECT_EQ(ScheduleEntry::clockText(9, 30), "9:30AM");
    EXPECT_EQ(ScheduleEntry::clockText(9, 5), "9:05AM");
    EXPECT_EQ(ScheduleEntry::clockText(13, 7), "1:07PM");
    EXPECT_EQ(ScheduleEntry::clockText(0, 15), "12:15AM");   // midnight
    EXPECT_EQ(ScheduleEntry::clockText(12, 15), "12:15PM");  // noon
    EXPECT_EQ(ScheduleEntry::clockText(24, 0), "12:00PM");   // an old stored 12 PM
    EXPECT_EQ(ScheduleEntry::clockText(11, 59), "11:59AM");
}

TEST(LoadTrigger, TextFormBothWaysAndEveryFaultRefusedWhole) {
    LoadTrigger t;
    t.parseText("sr 85 1 1072000000");
    EXPECT_EQ(t.task, "sr");
    EXPECT_EQ(t.percent, 85);
    EXPECT_EQ(t.cooldownMinutes, 1);
    EXPECT_EQ(t.lastRun, 1072000000);
    EXPECT_EQ(t.toText(), "sr 85 1 1072000000");
    EXPECT_EQ(t.describe(), "When memory load exceeds 85 %, at most once every 1 minute");
    EXPECT_EQ(LoadTrigger{}.toText(), "R 90 30 0");
    EXPECT_EQ(LoadTrigger{}.describe(), "When memory load exceeds 90 %, at most once every 30 minutes");

    for (const char* bad : {"", "R 90 30", "R 90 30 0 0", "X 90 30 0", "R 0 30 0", "R 100 30 0", "R 90 0 0",
                            "R 90 1441 0", "R 90 30 -1", "R 9x 30 0", "R 90 30 99999999999999999999",
                            "R  90 30 0", "R 90 30 0 "}) {
        LoadTrigger kept = t;
        EXPECT_THROW(kept.parseText(bad), ConversionError) << bad;
        EXPECT_EQ(kept, t) << bad;
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
    t.lastRun = 0;
    EXPECT_TRUE(t.due(81, 60));
}
