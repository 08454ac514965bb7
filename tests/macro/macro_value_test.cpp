// Macro values: reading, the board calendar and the canonical forms, as a round trip.
#include <gtest/gtest.h>

#include <random>

#include "macro/macro_value.h"

namespace vexa {
namespace {

// The forms the tab's own tests do not show: units, whole seconds in milliseconds, events.
TEST(MacroValue, ReadsEachFormIntoStartIntervalAndCommand) {
  EXPECT_EQ(parse_macro_value("2h,30s,a b; c"), (MacroFields{7200, 30, "a b; c"}));
  EXPECT_EQ(parse_macro_value("0,2000ms,x"), (MacroFields{0, 2, "x"}));  // whole seconds
  EXPECT_EQ(parse_macro_value("onDiskerror,beep"), (MacroFields{-6, 0, "beep"}));
  // A huge number saturates, it does not wrap.
  const MacroFields huge = parse_macro_value("99999999999999999999999,1,go");
  EXPECT_EQ(huge.command, "go");
  EXPECT_GT(huge.start, 0);
}

TEST(MacroValue, ScheduleOfTheFieldsAndMalformedValuesShowNoMacro) {
  for (const char* value : {"", "-", "onAlarm", "onalarm,out", "xyz,0,go", "-5,0,go", "12", "12,", "onWhatever,go"})
    EXPECT_EQ(schedule_of(parse_macro_value(value)), MacroSchedule::none) << value;
  // A start without an interval keeps no start either.
  EXPECT_EQ(parse_macro_value("12,x,go"), (MacroFields{0, 0, ""}));
  // Otherwise the schedule follows start and interval.
  EXPECT_EQ(schedule_of({0, -500, "go"}), MacroSchedule::regularly);
  EXPECT_EQ(schedule_of({5, 5, "go"}), MacroSchedule::regularly_from);
  EXPECT_EQ(schedule_of({-1, 0, "go"}), MacroSchedule::on_event);
  EXPECT_EQ(schedule_of({5, 5, ""}), MacroSchedule::none);
}

TEST(MacroValue, BoardCalendarAtItsEdges) {
  EXPECT_EQ(date_of_start(762566399), (MacroDate{2024, 2, 29, 23, 59, 59}));
  EXPECT_EQ(date_of_start(-100), (MacroDate{2000, 1, 1, 0, 0, 0}));
  // 2100 is no leap year in the Gregorian calendar, but the board counts every fourth year.
  EXPECT_EQ(board_month_days(2096, 2), 29);
  EXPECT_EQ(board_month_days(2023, 2), 28);
  // Out-of-range years and months count as 2000 and January; the rest is taken as typed.
  EXPECT_EQ(start_of_date({1999, 13, 1, 0, 0, 0}), 0);
  EXPECT_EQ(start_of_date({2000, 1, 40, 25, 61, 70}), 39 * 86400 + 25 * 3600 + 61 * 60 + 70);
}

TEST(MacroValue, IntervalFieldsAndCanonicalForms) {
  EXPECT_EQ(split_interval(90061), (MacroInterval{1, 1, 1, 1, 0}));
  EXPECT_EQ(join_interval({2, 0, 0, 0, 100}), -(2 * 86400000 + 100));
  // Each form writes only the fields its schedule uses.
  EXPECT_EQ(format_macro_value(MacroSchedule::without_date, 99, 99, 0, "st;go"), "0,0,st;go");
  EXPECT_EQ(format_macro_value(MacroSchedule::once, 86400, 5, 0, "go"), "86400,0,go");
  EXPECT_EQ(format_macro_value(MacroSchedule::regularly, 86400, -1500, 0, "rd"), "0,1500ms,rd");
  EXPECT_EQ(format_macro_value(MacroSchedule::on_event, 0, 0, 17, "x"), "onReset,x");
  EXPECT_EQ(format_macro_value(MacroSchedule::none, 7, 7, 0, "x"), "");
  // The tab's tests see the counts of S, F and E boards; these are the edges.
  EXPECT_EQ(macro_count('S', 400), 20);
  EXPECT_EQ(macro_count('2', 1404), 0);
}

// What the tab does with a value: show it in the fields, then commit the fields.
std::string through_the_fields(const std::string& value) {
  const MacroFields fields = parse_macro_value(value);
  const MacroSchedule schedule = schedule_of(fields);
  const int event = schedule == MacroSchedule::on_event ? static_cast<int>(-1 - fields.start) : 0;
  const std::int64_t start = start_of_date(date_of_start(fields.start));
  const std::int64_t interval = join_interval(split_interval(fields.interval));
  return format_macro_value(schedule, start, interval, event, fields.command);
}

TEST(MacroValue, EveryCanonicalValueSurvivesShowAndCommit) {
  std::mt19937 random(20240301);
  std::uniform_int_distribution<int> year(2000, 2098), month(1, 12), day(1, 31), hour(0, 23), sixty(0, 59);
  std::uniform_int_distribution<int> kind(0, 4), days(0, 400), ms(1, 999), event(0, 5);
  for (int n = 0; n < 20000; ++n) {
    MacroDate date{year(random), month(random), 1, hour(random), sixty(random), sixty(random)};
    date.day = std::min(day(random), board_month_days(date.year, date.month));
    const std::int64_t start = start_of_date(date);
    ASSERT_EQ(date_of_start(start), date);
    std::int64_t interval = static_cast<std::int64_t>(days(random)) * 86400 + hour(random) * 3600 +
                            sixty(random) * 60 + sixty(random) + 1;
    if (random() % 2 == 0) interval = -(interval * 1000 + ms(random));
    const MacroSchedule schedules[] = {MacroSchedule::without_date, MacroSchedule::once, MacroSchedule::regularly,
                                       MacroSchedule::regularly_from, MacroSchedule::on_event};
    const MacroSchedule schedule = schedules[kind(random)];
    const std::string value = format_macro_value(schedule, start, interval, event(random), "a;b c");
    ASSERT_EQ(through_the_fields(value), value);
  }
}

}  // namespace
}  // namespace vexa
