// Macro values (reading, the board calendar and the canonical forms, as a round trip) and the
// macro tab over a configuration table and a recorded board channel: showing values in the
// form, committing them, Apply, the sub-tabs per board and the visibility of the rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "config/fake_board.h"
#include "macro/macro_tab.h"
#include "macro/macro_value.h"
#include "support/fixed_clocks.h"

namespace vexa {
namespace {

// The forms the tab's own tests do not show: units, whole seconds in milliseconds, events.
TEST(MacroValue, ReadsEachFormIntoStartIntervalAndCommandAndMalformedValuesShowNoMacro) {
  EXPECT_EQ(parse_macro_value("2h,30s,a b; c"), (MacroFields{7200, 30, "a b; c"}));
  EXPECT_EQ(parse_macro_value("0,2000ms,x"), (MacroFields{0, 2, "x"}));  // whole seconds
  EXPECT_EQ(parse_macro_value("onDiskerror,beep"), (MacroFields{-6, 0, "beep"}));
  // A huge number saturates, it does not wrap.
  const MacroFields huge = parse_macro_value("99999999999999999999999,1,go");
  EXPECT_EQ(huge.command, "go");
  EXPECT_GT(huge.start, 0);
  for (const char* value : {"", "-", "onAlarm", "onalarm,out", "xyz,0,go", "-5,0,go", "12", "12,", "onWhatever,go"})
    EXPECT_EQ(schedule_of(parse_macro_value(value)), MacroSchedule::none) << value;
  // A start without an interval keeps no start either.
  EXPECT_EQ(parse_macro_value("12,x,go"), (MacroFields{0, 0, ""}));
}

TEST(MacroValue, BoardCalendarAtItsEdgesIntervalFieldsAndCanonicalForms) {
  EXPECT_EQ(date_of_start(-100), (MacroDate{2000, 1, 1, 0, 0, 0}));
  // 2100 is no leap year in the Gregorian calendar, but the board counts every fourth year.
  EXPECT_EQ(board_month_days(2096, 2), 29);
  EXPECT_EQ(board_month_days(2023, 2), 28);
  // Out-of-range years and months count as 2000 and January; the rest is taken as typed.
  EXPECT_EQ(start_of_date({1999, 13, 1, 0, 0, 0}), 0);
  EXPECT_EQ(start_of_date({2000, 1, 40, 25, 61, 70}), 39 * 86400 + 25 * 3600 + 61 * 60 + 70);
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

using namespace macro_id;

struct Bench {
  explicit Bench(const char* identity_line = "VexaLog S v1404")
      : identity(config, *parse_identity_line(identity_line)),
        board(report),
        exchange(config, identity, board, board, report),
        clock(make_local_time(2026, 12, 7, 21, 30, 15)),
        tab(config, identity, exchange, messages, report, clock) {}

  void show(int index, const std::string& value) {
    config.set_parameter("m" + std::to_string(index), value);
    tab.select_macro(index);
    tab.show_macro();
  }
  void type_date(const MacroDate& d) {
    for (auto [id, field] : {std::pair{kYear, d.year}, {kMonth, d.month}, {kDay, d.day}, {kHour, d.hour},
                             {kMinute, d.minute}, {kSecond, d.second}})
      tab.form().set_text(id, std::to_string(field));
  }
  std::string value(const std::string& key) { return config.parameter_value(key).value_or("<none>"); }
  std::string text(int id) { return tab.form().text(id); }
  void press(int id) { tab.command({id, kNotifyClicked, 0}); }

  Configuration config{'e'};
  BoardIdentity identity;
  Messages messages;
  test::RecordingReport report;
  test::FakeBoard board;
  ConfigExchange exchange;
  FixedClock clock;
  MacroTab tab;
};

TEST(MacroTab, ShowsEachFormInItsFieldsAndCommitsItCanonicallyWhenLeft) {
  struct Row {
    const char* value;
    MacroSchedule schedule;
    std::vector<std::pair<int, std::string>> fields;
    const char* committed;
  };
  const std::vector<Row> rows = {
      {"86400,0,go", MacroSchedule::once, {{kYear, "2000"}, {kMonth, "1"}, {kDay, "2"}, {kHour, "0"}},
       "86400,0,go"},
      {"0,1500ms,rd", MacroSchedule::regularly, {{kIntervalSeconds, "1"}, {kIntervalMs, "500"}},
       "0,1500ms,rd"},
      {"0,90m,rd", MacroSchedule::regularly,
       {{kIntervalHours, "1"}, {kIntervalMinutes, "30"}, {kIntervalMs, "0"}}, "0,5400,rd"},
      {"garbage,1,x", MacroSchedule::none, {{kCommand, ""}}, ""},  // malformed: cleared when left
  };
  Bench b;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.value);
    const int slot = 2 * static_cast<int>(i);
    b.show(slot, row.value);
    EXPECT_EQ(b.tab.checked_schedule(), row.schedule);
    for (const auto& [id, text] : row.fields) EXPECT_EQ(b.text(id), text) << id;
    b.tab.select_macro(slot + 1);  // leaving commits
    EXPECT_EQ(b.value("m" + std::to_string(slot)), row.committed);
  }
  // The next show left each odd slot with an empty command over an empty value: nothing stored.
  EXPECT_FALSE(b.config.find_parameter("m1")->has_value);
  // 2000 is not in the year list (it starts at this year): the text stands without a selection.
  b.show(0, "86400,0,go");
  EXPECT_EQ(b.tab.form().at(kYear).selection, -1);
  EXPECT_EQ(b.tab.form().at(kDay).selection, 1);
}

TEST(MacroTab, TypedDateCommitsAsBoardSecondsAndApplySendsOnlyWhatABoardHolds) {
  Bench b;
  b.show(5, "0,0,go");
  b.press(kTypeOnce);
  b.type_date({2024, 3, 1, 0, 0, 0});
  b.tab.commit_macro();
  EXPECT_EQ(b.value("m5"), "762566400,0,go");
  // Garbage reads as 0 (like atoi): day 0 gives one day less.
  b.tab.form().set_text(kDay, "x");
  b.tab.commit_macro();
  EXPECT_EQ(b.value("m5"), "762480000,0,go");
  b.type_date({2068, 1, 19, 3, 14, 7});
  b.tab.commit_macro();
  EXPECT_EQ(b.value("m5"), "2147483647,0,go");  // the last second a board can hold
  b.tab.form().set_text(kSecond, "8");
  b.press(kApply);
  EXPECT_EQ(b.value("m5"), "2147483647,0,go");
  EXPECT_TRUE(b.board.written.empty());
  EXPECT_TRUE(b.report.contains(
      "m5 not changed: the start 2068-01-19 03:14:08 is outside what a board macro can hold (up to 2068-01-19 03:14:07)"));
  // An empty macro goes out as "-", which shows as no macro again.
  b.show(3, "0,0,go");
  b.press(kTypeNone);
  b.press(kApply);
  EXPECT_EQ(b.board.written, (std::vector<std::string>{"m3=-\n"}));
  EXPECT_TRUE(b.report.contains("m3=-"));
  EXPECT_EQ(b.value("m3"), "-");
  b.tab.show_macro();
  EXPECT_EQ(b.tab.checked_schedule(), MacroSchedule::none);
}

// The desktop test counts the sub-tabs of F boards before and after 603.
TEST(MacroTab, SubTabsFollowTheBoard) {
  Bench b("VexaLog F v602");
  EXPECT_EQ(b.text(kNoMacros), "This firmware does not support macros");
  EXPECT_TRUE(b.tab.form().shown(kNoMacros));
  // The label "Command" shares Apply's id and follows the button's visibility.
  for (const Control& c : b.tab.form().controls())
    if (c.id != kNoMacros && !(c.id == kApply && c.kind == ControlKind::edit)) {
      EXPECT_FALSE(c.shown) << c.id;
    }
  EXPECT_EQ(b.tab.current_key(), "");
  b.tab.commit_macro();  // nothing to commit into
  EXPECT_FALSE(b.config.has_any_value());
  // A new board: the sub-tabs are made again (the desktop test counts the widget's).
  b.identity.accept_identity("VexaLog S v1404");
  b.tab.refresh_macro_tab();
  EXPECT_EQ(b.tab.sub_tabs().back(), "m19");
  EXPECT_EQ(b.text(kNoMacros), "");
  b.identity.accept_identity("VexaLog E v1404");
  b.tab.refresh_macro_tab();
  EXPECT_EQ(b.tab.macro_count(), 0);
}

TEST(MacroTab, VisibilityByScheduleTypeTheSharedIdTheYearListNowAndClear) {
  struct Row {
    int button;
    std::vector<int> shown, hidden;
  };
  const std::vector<Row> rows = {
      {kTypeNone, {kApply}, {kYear, kCommand, kEvent}},
      {kTypeWithoutDate, {kCommand}, {kYear, kIntervalDays}},
      {kTypeOnce, {kYear, kNow}, {kIntervalDays, kAll, kMsLabel}},
      {kTypeRegularly, {725, 727, 729, 731, 733, kIntervalMs}, {kYear, kYearLabel, 723, kNow}},
      {kTypeOn, {kEvent, kCommand}, {kYear, kMsLabel}},
  };
  Bench b;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.button);
    b.press(row.button);
    for (int id : row.shown) EXPECT_TRUE(b.tab.form().shown(id)) << id;
    for (int id : row.hidden) EXPECT_FALSE(b.tab.form().shown(id)) << id;
  }
  b.press(kTypeFrom);
  for (const Control& c : b.tab.form().controls())
    if (c.id != kEvent) {
      EXPECT_TRUE(c.shown) << c.id;
    }
  // Apply and the "Command" label share an id; the year list starts at this year (selection 0).
  EXPECT_EQ(std::ranges::count_if(b.tab.form().controls(), [](const Control& c) { return c.id == kApply; }), 2);
  EXPECT_EQ(b.tab.form().at(kApply).kind, ControlKind::push_button);  // the look-up finds Apply
  b.press(kNow);
  EXPECT_EQ(b.text(kYear), "2026");
  EXPECT_EQ(b.text(kMonth), "12");  // the shown macro's start had set January
  EXPECT_EQ(b.text(kDay), "7");
  EXPECT_EQ(b.text(kSecond), "15");
  EXPECT_EQ(b.tab.form().at(kYear).selection, 0);
  b.press(kClearDate);
  EXPECT_EQ(b.text(kYear), "2000");
  EXPECT_EQ(b.text(kDay), "1");
}

// Random canonical values of every schedule through the tab: shown in the fields, the table
// overwritten, then committed from the fields when the macro is left.
TEST(MacroTab, EveryCanonicalValueSurvivesShowAndCommit) {
  Bench b;
  std::mt19937 random(20240301);
  std::uniform_int_distribution<int> year(2000, 2067), month(1, 12), day(1, 31), hour(0, 23), sixty(0, 59);
  std::uniform_int_distribution<int> kind(0, 4), days(0, 400), ms(1, 999), event(0, 5);
  for (int n = 0; n < 5000; ++n) {
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
    b.show(0, value);
    b.config.set_parameter("m0", "-");
    b.tab.select_macro(1);
    ASSERT_EQ(b.value("m0"), value);
  }
}

}  // namespace
}  // namespace vexa
