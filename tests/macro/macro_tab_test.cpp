// The macro tab over a configuration table and a recorded board channel: showing values in
// the form, committing them, Apply, the sub-tabs per board and the visibility of the rows.
#include <gtest/gtest.h>

#include "config/fake_board.h"
#include "macro/macro_tab.h"
#include "support/fixed_clocks.h"

namespace vexa {
namespace {

using namespace macro_id;

struct Bench {
  explicit Bench(const char* identity_line = "VexaLog S v1404")
      : identity(config, *parse_identity_line(identity_line)),
        board(report),
        exchange(config, identity, board, board, report),
        clock(make_local_time(2026, 12, 7, 21, 30, 15)),
        tab(config, identity, exchange, messages, report, clock) {}

  void show(int index, const std::string& value) {
    config.set_parameter(format("m%d", index), value);
    tab.select_macro(index);
    tab.show_macro();
  }
  static std::string format(const char* f, int n) { return std::string(f).replace(1, 2, std::to_string(n)); }
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

TEST(MacroTab, ShowsTheEdgeValuesAndCommitsThemUnchanged) {
  Bench b;
  b.show(0, "0,0,st;go");
  EXPECT_EQ(b.tab.checked_schedule(), MacroSchedule::without_date);
  EXPECT_TRUE(b.tab.form().checked(kTypeWithoutDate));
  EXPECT_FALSE(b.tab.form().checked(kTypeNone));
  EXPECT_EQ(b.text(kCommand), "st;go");
  b.tab.commit_macro();
  EXPECT_EQ(b.value("m0"), "0,0,st;go");

  b.show(1, "86400,0,go");
  EXPECT_EQ(b.tab.checked_schedule(), MacroSchedule::once);
  EXPECT_EQ(b.text(kYear), "2000");
  EXPECT_EQ(b.text(kMonth), "1");
  EXPECT_EQ(b.text(kDay), "2");
  EXPECT_EQ(b.text(kHour), "0");
  // 2000 is not in the year list (it starts at this year): the text stands without a selection.
  EXPECT_EQ(b.tab.form().at(kYear).selection, -1);
  EXPECT_EQ(b.tab.form().at(kDay).selection, 1);

  b.show(2, "0,1500ms,rd");
  EXPECT_EQ(b.tab.checked_schedule(), MacroSchedule::regularly);
  EXPECT_EQ(b.text(kIntervalSeconds), "1");
  EXPECT_EQ(b.text(kIntervalMs), "500");
  b.tab.commit_macro();
  EXPECT_EQ(b.value("m2"), "0,1500ms,rd");

  b.show(3, "0,90m,rd");
  EXPECT_EQ(b.text(kIntervalHours), "1");
  EXPECT_EQ(b.text(kIntervalMinutes), "30");
  EXPECT_EQ(b.text(kIntervalMs), "0");
  b.tab.commit_macro();
  EXPECT_EQ(b.value("m3"), "0,5400,rd");

  b.show(4, "onAlarm,out 1");
  EXPECT_EQ(b.tab.checked_schedule(), MacroSchedule::on_event);
  EXPECT_EQ(b.tab.form().at(kEvent).selection, 1);
  EXPECT_EQ(b.text(kEvent), "onAlarm");
  b.tab.commit_macro();
  EXPECT_EQ(b.value("m4"), "onAlarm,out 1");
}

TEST(MacroTab, TypedDateCommitsAsBoardSeconds) {
  Bench b;
  b.tab.select_macro(5);
  b.press(kTypeOnce);
  for (auto [id, text] : {std::pair{kYear, "2024"}, {kMonth, "3"}, {kDay, "1"}, {kHour, "0"}, {kMinute, "0"},
                          {kSecond, "0"}})
    b.tab.form().set_text(id, text);
  b.tab.form().set_text(kCommand, "go");
  b.tab.commit_macro();
  EXPECT_EQ(b.value("m5"), "762566400,0,go");
  // Out of range: the year counts as 2000, the month as January, the day as typed.
  b.tab.form().set_text(kYear, "2150");
  b.tab.form().set_text(kMonth, "14");
  b.tab.form().set_text(kDay, "3");
  b.tab.commit_macro();
  EXPECT_EQ(b.value("m5"), "172800,0,go");
  // Garbage reads as 0 (like atoi): day 0 gives one day less.
  b.tab.form().set_text(kDay, "x");
  b.tab.commit_macro();
  EXPECT_EQ(b.value("m5"), "-86400,0,go");
}

TEST(MacroTab, MalformedValueIsShownAsNoneAndClearedWhenLeft) {
  Bench b;
  b.show(6, "garbage,1,x");
  EXPECT_EQ(b.tab.checked_schedule(), MacroSchedule::none);
  EXPECT_EQ(b.text(kCommand), "");
  b.tab.select_macro(7);  // leaving commits
  EXPECT_EQ(b.value("m6"), "");
  // Empty command and empty value: nothing is stored at all.
  b.tab.select_macro(8);
  EXPECT_FALSE(b.config.find_parameter("m7")->has_value);
}

TEST(MacroTab, AStartBeyondTheBoardsSignedSecondsIsRefused) {
  Bench b;
  b.show(5, "0,0,go");
  b.press(kTypeOnce);
  for (auto [id, text] : {std::pair{kYear, "2068"}, {kMonth, "1"}, {kDay, "19"}, {kHour, "3"}, {kMinute, "14"},
                          {kSecond, "7"}})
    b.tab.form().set_text(id, text);
  b.tab.commit_macro();
  EXPECT_EQ(b.value("m5"), "2147483647,0,go");  // the last second a board can hold
  b.tab.form().set_text(kSecond, "8");
  b.press(kApply);
  EXPECT_EQ(b.value("m5"), "2147483647,0,go");
  EXPECT_TRUE(b.board.written.empty());
  EXPECT_TRUE(b.report.contains(
      "m5 not changed: the start 2068-01-19 03:14:08 is outside what a board macro can hold (up to 2068-01-19 03:14:07)"));
}

TEST(MacroTab, ApplySendsTheLineAndAnEmptyMacroAsDash) {
  Bench b;
  b.show(3, "0,0,go");
  b.press(kTypeNone);
  b.press(kApply);
  ASSERT_EQ(b.board.written.size(), 1u);
  EXPECT_EQ(b.board.written[0], "m3=-\n");
  EXPECT_TRUE(b.report.contains("m3=-"));
  EXPECT_EQ(b.value("m3"), "-");
  // "-" shows as no macro again.
  b.tab.show_macro();
  EXPECT_EQ(b.tab.checked_schedule(), MacroSchedule::none);

  b.press(kTypeRegularly);
  b.press(kClearInterval);
  b.tab.form().set_text(kIntervalSeconds, "2");
  b.tab.form().set_text(kIntervalMs, "100");
  b.tab.form().set_text(kCommand, "rd;out 1");
  b.press(kApply);
  EXPECT_EQ(b.board.written.back(), "m3=0,2100ms,rd;out 1\n");
  EXPECT_EQ(b.value("m3"), "0,2100ms,rd;out 1");
}

TEST(MacroTab, SubTabsFollowTheBoard) {
  Bench f602("VexaLog F v602");
  EXPECT_EQ(f602.tab.macro_count(), 0);
  EXPECT_EQ(f602.text(kNoMacros), "This firmware does not support macros");
  EXPECT_TRUE(f602.tab.form().shown(kNoMacros));
  // The label "Command" shares Apply's id and follows the button's visibility.
  for (const Control& c : f602.tab.form().controls())
    if (c.id != kNoMacros && !(c.id == kApply && c.kind == ControlKind::edit)) {
      EXPECT_FALSE(c.shown) << c.id;
    }
  EXPECT_FALSE(f602.tab.form().shown(kApply));
  EXPECT_FALSE(f602.tab.form().shown(kCommand));
  EXPECT_EQ(f602.tab.current_key(), "");
  f602.tab.commit_macro();  // nothing to commit into
  EXPECT_FALSE(f602.config.has_any_value());

  Bench f603("VexaLog F v603");
  ASSERT_EQ(f603.tab.sub_tabs().size(), 10u);
  EXPECT_EQ(f603.tab.sub_tabs().front(), "m0");
  EXPECT_EQ(f603.tab.sub_tabs().back(), "m9");
  EXPECT_EQ(f603.text(kNoMacros), "");

  // A new board: the sub-tabs are made again.
  f603.identity.accept_identity("VexaLog S v1404");
  f603.tab.refresh_macro_tab();
  EXPECT_EQ(f603.tab.macro_count(), 20);
  f603.identity.accept_identity("VexaLog E v1404");
  f603.tab.refresh_macro_tab();
  EXPECT_EQ(f603.tab.macro_count(), 0);
}

TEST(MacroTab, VisibilityByScheduleType) {
  Bench b;
  auto shown = [&](int id) { return b.tab.form().shown(id); };
  b.press(kTypeNone);
  EXPECT_FALSE(shown(kYear));
  EXPECT_FALSE(shown(kCommand));
  EXPECT_TRUE(shown(kApply));
  EXPECT_FALSE(shown(kEvent));

  b.press(kTypeWithoutDate);
  EXPECT_TRUE(shown(kCommand));
  EXPECT_FALSE(shown(kYear));
  EXPECT_FALSE(shown(kIntervalDays));

  b.press(kTypeOnce);
  EXPECT_TRUE(shown(kYear));
  EXPECT_TRUE(shown(kNow));
  EXPECT_FALSE(shown(kIntervalDays));
  EXPECT_FALSE(shown(kAll));
  EXPECT_FALSE(shown(kMsLabel));

  b.press(kTypeRegularly);
  EXPECT_FALSE(shown(kYear));
  EXPECT_FALSE(shown(kYearLabel));
  EXPECT_FALSE(shown(723));
  for (int label : {725, 727, 729, 731, 733}) EXPECT_TRUE(shown(label)) << label;
  EXPECT_TRUE(shown(kIntervalMs));
  EXPECT_FALSE(shown(kNow));

  b.press(kTypeFrom);
  for (const Control& c : b.tab.form().controls())
    if (c.id != kEvent) {
      EXPECT_TRUE(c.shown) << c.id;
    }

  b.press(kTypeOn);
  EXPECT_TRUE(shown(kEvent));
  EXPECT_TRUE(shown(kCommand));
  EXPECT_FALSE(shown(kYear));
  EXPECT_FALSE(shown(kMsLabel));
}

TEST(MacroTab, FormHasTheRowsAndTheSharedId) {
  Bench b;
  int with_751 = 0;
  for (const Control& c : b.tab.form().controls())
    if (c.id == kApply) ++with_751;
  EXPECT_EQ(with_751, 2);
  EXPECT_EQ(b.tab.form().at(kApply).kind, ControlKind::push_button);  // the look-up finds Apply
  EXPECT_EQ(b.tab.form().at(kApply).caption, "Apply");
  EXPECT_EQ(b.tab.form().at(kTypeOn).rect, (Rect{10, 116, 150, 16}));
  EXPECT_EQ(b.tab.form().at(733).caption, "Ms");
  EXPECT_EQ(b.tab.form().at(733).rect, (Rect{350, 142, 50, 16}));
  EXPECT_EQ(b.tab.form().at(kYear).entries.front(), "2026");
  EXPECT_EQ(b.tab.form().at(kYear).entries.back(), "2039");
  EXPECT_EQ(b.tab.form().at(kIntervalMs).entries.size(), 10u);
  EXPECT_EQ(b.tab.form().at(kEvent).rect.height, kMacroComboDropHeight);

  b.press(kNow);
  EXPECT_EQ(b.text(kYear), "2026");
  EXPECT_EQ(b.text(kMonth), "12");
  EXPECT_EQ(b.text(kDay), "7");
  EXPECT_EQ(b.text(kSecond), "15");
  EXPECT_EQ(b.tab.form().at(kYear).selection, 0);
  b.press(kClearDate);
  EXPECT_EQ(b.text(kYear), "2000");
  EXPECT_EQ(b.text(kDay), "1");
}

}  // namespace
}  // namespace vexa
