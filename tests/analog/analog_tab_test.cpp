// The analog section over a configuration, the repository's input types and a recording channel:
// the input tabs and their fields, then the Data tab's live values and drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "analog/analog_tab.h"
#include "analog/input_type_file.h"
#include "analog/live_data.h"
#include "analog/live_drawing.h"
#include "base/messages.h"
#include "base/settings.h"
#include "base/text_format.h"
#include "config/board_identity.h"
#include "config/config_exchange.h"
#include "config/configuration.h"
#include "support/build_paths.h"
#include "support/fixed_clocks.h"
#include "support/recording_painter.h"
#include "support/recording_sinks.h"

namespace vexa {
namespace {

using namespace analog_id;

struct TabRig {
  explicit TabRig(const std::string& identity_line = "VexaLog F v1404")
      : identity(configuration, *parse_identity_line("VexaLog S v1404")),
        exchange(configuration, identity, channel, channel, report),
        clock(make_local_time(2026, 12, 7, 12, 0, 0)),
        live(configuration, identity, channel, [this] { return link_open; }, clock) {
    EXPECT_TRUE(load_input_types(types, test::shipped_input_types(), 'e'));
    tab = std::make_unique<AnalogTab>(AnalogTabLinks{configuration, identity, types, messages, settings, exchange,
                                                     channel, [this] { return link_open; }, clock});
    identity.add_listener(tab.get());
    identity.add_listener(&live);
    identity.accept_identity(identity_line);
    live.take_requests();
    tab->create();
    tab->set_section_current(true);
    tab->tick_100ms();
  }
  ~TabRig() {
    identity.remove_listener(&live);
    identity.remove_listener(tab.get());
  }

  void select(int n) {
    for (std::size_t i = 0; i < tab->tabs().size(); ++i)
      if (tab->tabs()[i].number == n) tab->select_tab(static_cast<int>(i));
  }
  void choose(const std::string& title) {
    const auto& titles = tab->type_list().titles;
    for (std::size_t i = 0; i < titles.size(); ++i)
      if (titles[i] == title) {
        tab->command({kTypeList, kNotifySelectionChanged, static_cast<long>(i)});
        return;
      }
    ADD_FAILURE() << "no type " << title;
  }
  void type(int id, const std::string& text) {
    tab->form().set_text(id, text);
    tab->command({id, kNotifyEditChanged, 0});
  }
  void click(int id) { tab->command({id, kNotifyClicked, 0}); }
  void ticks(int n) {
    for (int i = 0; i < n; ++i) tab->tick_100ms();
  }
  std::string text(int id) const { return tab->form().text(id); }
  void next_second() {
    clock.set_local(make_local_time(2026, 12, 7, 12, 0, ++second));
    live.tick_second();
  }
  float value(int n) { return live.record(n).value; }

  Configuration configuration;
  BoardIdentity identity;
  test::RecordingChannel channel;
  test::SharedReport report;
  ConfigExchange exchange;
  InputTypeTable types;
  Messages messages;
  Settings settings;
  FixedClock clock;
  bool link_open = true;
  int second = 0;
  LiveData live;
  std::unique_ptr<AnalogTab> tab;
};

TEST(AnalogTabTabs, BoardClassGivesTheInputsAndNewInputsAppearAtTheNextPass) {
  TabRig rig("VexaLog E v1404");
  std::vector<std::string> labels;
  for (const auto& t : rig.tab->tabs()) labels.push_back(t.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"a0", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "Plan", "Data"}));
  rig.choose("Voltage 0-5 V");  // on a0
  EXPECT_EQ(rig.text(kMultiplier), "5");  // the E class's integer form
  EXPECT_EQ(rig.text(kOffset), "0");
  rig.configuration.parse_assignments("a20=a*1+0,0", true);
  EXPECT_EQ(rig.tab->tabs().size(), 10u);  // not before the next pass
  rig.tab->tick_100ms();
  EXPECT_EQ(rig.tab->tabs().at(8).label, "a20");  // before the views
  rig.identity.accept_identity("VexaLog S v1404");
  rig.tab->tick_100ms();
  EXPECT_EQ(rig.tab->tabs().size(), 18u);
  EXPECT_EQ(rig.text(821), "7864320");
  // The same board again does not rebuild, not even when it identifies itself.
  rig.tab->form().set_text(821, "5");
  rig.identity.accept_identity("VexaLog S v1404");
  rig.tab->tick_100ms();
  EXPECT_EQ(rig.text(821), "5");
}

TEST(AnalogTabVisibility, TypeLetterClassAndFirmwareDecide) {
  struct Row {
    const char* board;
    int input;
    const char* type;
    std::vector<int> shown, hidden;
  };
  const std::vector<Row> rows = {
      // Alarms on F from 603; temperature headers only for k and p; the propose table; 700 always.
      {"VexaLog F v1404", 3, "Voltage 0-5 V", {750, 830, 850, 880, 700}, {852, 864, 770, 786, 890}},
      {"VexaLog F v1404", 3, "Digital input", {770}, {750, 830}},
      {"VexaLog F v1404", 3, "Computed value", {786, 864}, {860, 814, 830}},
      {"VexaLog F v602", 0, "Voltage 0-5 V", {811}, {830}},
      {"VexaLog S v1404", 2, "Thermocouple type K", {890, 891, 896, 852, 863}, {850, 834, 861}},
      {"VexaLog S v1404", 3, "Thermocouple type K", {892}, {890, 891}},  // odd input: no Diff.
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.board) + " a" + std::to_string(row.input) + " " + row.type);
    TabRig rig(row.board);
    rig.select(row.input);
    rig.choose(row.type);
    for (int id : row.shown) EXPECT_TRUE(rig.tab->form().shown(id)) << id;
    for (int id : row.hidden) EXPECT_FALSE(rig.tab->form().shown(id)) << id;
  }
}

TEST(AnalogTabOperation, HelpStoreAndTheFieldsOfAnFBoard) {
  TabRig f;
  const std::set<std::string> texts{f.tab->help_text('a'), f.tab->help_text('k'), f.tab->help_text('p')};
  EXPECT_EQ(texts.size(), 3u);
  for (const std::string& text : texts) EXPECT_EQ(text.find("???"), std::string::npos) << text;
  f.select(0);
  f.choose("Voltage 0-5 V");
  EXPECT_EQ(f.text(kHelp), f.tab->help_text('a'));
  f.tab->set_section_current(false);
  f.tab->store();
  EXPECT_EQ(f.configuration.parameter_value("a0").value_or(""), "");
  f.tab->set_section_current(true);
  f.select(1);  // leaving a0 stores it
  EXPECT_EQ(f.configuration.parameter_value("a0").value_or(""), "a*0.07629395+0,3");
  f.configuration.store_type(*f.configuration.find_index("a1"), "Old type");
  f.select(kPlanTab);  // leaving a1, unused over an empty value: only its type text goes
  EXPECT_EQ(f.configuration.find_parameter("a1")->type, "");
  f.configuration.set_parameter("a1", "a*2,0");
  f.tab->store();  // a view is selected: nothing
  EXPECT_EQ(f.configuration.parameter_value("a1").value_or(""), "a*2,0");
  f.select(2);
  f.choose("Voltage 0-5 V");
  f.click(kClearOperation);
  EXPECT_EQ(f.text(kMultiplier), "0.00000000");
  f.type(kMultiplier, "2");
  EXPECT_EQ(f.text(kMultiplier), "2");  // the field being typed into keeps its text
  f.tab->refresh();
  EXPECT_EQ(f.text(kMultiplier), "2.000000");
  f.type(kMultiplier, "123456.789");
  f.tab->refresh();
  EXPECT_EQ(f.text(kMultiplier), "123456.789");  // cut to 10 characters
  for (int i = 0; i < 10; ++i) f.click(kFewerDecimals);
  EXPECT_EQ(f.text(kDecimals), "#");
  for (int i = 0; i < 10; ++i) f.click(kMoreDecimals);
  EXPECT_EQ(f.tab->expression().scaling.decimals, 3);
}

TEST(AnalogTabCalibration, AlarmsCalculateApplyCatchAndPolls) {
  TabRig rig;
  rig.select(3);
  rig.choose("Voltage 0-2.5 V");  // 0.03814697 mV per count, shown in V with 3 decimals
  // A typed real alarm sets the count and is kept for 100 ms.
  rig.type(833, "1");
  EXPECT_EQ(rig.text(831), "26214");
  rig.tab->refresh();
  EXPECT_EQ(rig.text(833), "1");
  rig.clock.advance_ms(150);
  rig.tab->refresh();
  EXPECT_EQ(rig.text(833), "1.000");
  EXPECT_EQ(rig.text(834), "999.98mV");
  rig.type(841, "0");
  EXPECT_EQ(rig.text(843), "");  // count 0: no alarm, nothing shown
  rig.type(833, "nan");
  EXPECT_EQ(rig.text(831), "0");
  for (auto [id, text] : {std::pair{811, "0"}, {812, "0"}, {821, "65536"}, {822, "2500"}}) rig.type(id, text);
  rig.click(kCalculate);
  rig.click(kApply);
  const std::string value = rig.configuration.parameter_value("a3").value_or("");
  EXPECT_EQ(rig.channel.written().back(), "a3=" + value + "\n");
  // Back on the input, the stored expression is parsed again with its stored type.
  rig.select(4);
  rig.select(3);
  EXPECT_EQ(rig.tab->current_type()->title, "Voltage 0-2.5 V");
  EXPECT_EQ(rig.text(kMultiplier), "0.03814697");
  rig.tab->on_line(" a3: 512 1280.00mV =12.5 a4: 7 0.27mV =0.3");
  rig.tab->tick_100ms();
  EXPECT_EQ(rig.text(kLiveLine), "a3: 512 1280.00mV =12.5");
  rig.click(kCatch1);
  EXPECT_EQ(rig.text(813), "12.5");
  // Without a fresh line the catch waits for the next one of this input, "a03" too.
  rig.click(kCatch2);
  rig.tab->on_line("VexaLog a13: 99");
  rig.tab->on_line(" a03: 40000 1525.88mV =1.525");
  rig.tab->tick_100ms();
  EXPECT_EQ(rig.text(823), "1.525");
  // A line without ":" empties the row.
  rig.tab->on_line(" a3: 1");
  rig.tab->tick_100ms();
  rig.tab->form().set_text(kLiveLine, "garbage");
  rig.click(kCatch1);
  for (int id : {811, 813, 814}) EXPECT_EQ(rig.text(id), "") << id;
  // Listening polls every eleven ticks on an open link; traffic restarts the count.
  rig.click(kListen);
  rig.channel.clear();
  rig.ticks(22);
  EXPECT_EQ(rig.channel.sent(), (std::vector<std::string>{"a3", "a3"}));
  rig.channel.clear();
  for (int i = 0; i < 10; ++i) {
    rig.tab->on_line("noise");
    rig.tab->tick_100ms();
  }
  EXPECT_TRUE(rig.channel.sent().empty());
  rig.link_open = false;
  rig.ticks(30);
  EXPECT_TRUE(rig.channel.sent().empty());
  rig.tab->set_section_current(false);
  rig.tab->tick_100ms();
  EXPECT_FALSE(rig.tab->listening());
  rig.select(4);
  rig.tab->tick_100ms();
  EXPECT_EQ(rig.text(kLiveLine), "");

  // Before 603 the poll asks for every input; a pending catch polls without the check mark.
  TabRig old("VexaLog F v602");
  old.select(5);
  old.click(kCatch1);
  EXPECT_FALSE(old.tab->listening());
  old.channel.clear();
  old.ticks(11);
  EXPECT_EQ(old.channel.sent(), (std::vector<std::string>{"a?"}));
}

TEST(AnalogTabSClass, DecimalsProposeListAndCheckBoxes) {
  TabRig s("VexaLog S v1404");
  s.select(0);
  s.choose("Voltage 0-1.2 V");
  EXPECT_EQ(s.text(kOffset), "");  // S: empty for 0
  for (int i = 0; i < 10; ++i) s.click(kMoreDecimals);
  EXPECT_EQ(s.text(kDecimals), "#.#######");
  s.tab->command({kPropose2, kNotifySelectionChanged, 2});
  EXPECT_EQ(s.text(821), "1283970");
  s.click(kDiff);
  s.type(kPivot, "5");
  s.tab->store();
  const std::string value = s.configuration.parameter_value("a0").value_or("");
  EXPECT_NE(value.find(",d=1,p=5"), std::string::npos) << value;
  // Choosing a differential type takes its ",d=" option from the mode.
  s.choose("Thermocouple type K, differential");
  EXPECT_TRUE(s.tab->form().checked(kDiff));
  s.choose("Thermocouple type K");
  EXPECT_FALSE(s.tab->form().checked(kDiff));
}

std::size_t slot(long long t) { return static_cast<std::size_t>(t % 120); }

TEST(LiveLines, InputsAndValuesAreReadUntilTheFirstMisfit) {
  TabRig rig;
  rig.live.set_mode(DisplayMode::raw);
  rig.live.take_dirty();
  rig.live.on_bar_line("a3: 512 a4: 0");
  rig.live.on_bar_line(":7 a6:9");  // stops at the first ":"
  rig.live.on_bar_line("a299:5 a7:1");  // three digits: not an input
  for (auto [n, value] : {std::pair{3, 512.0f}, {4, kZeroSample}, {6, 0.0f}, {7, 0.0f}})
    EXPECT_EQ(rig.value(n), value) << n;
  const auto dirty = rig.live.take_dirty();
  EXPECT_TRUE(dirty.test(3) && dirty.test(4) && !dirty.test(6));
  EXPECT_TRUE(rig.live.take_dirty().none());
  // Values a float cannot hold are dropped (the live-lines fuzz corpus pins that); the parsing goes on.
  rig.live.on_bar_line("a1: nan a2: inf a8: 1e300 a9: -1e39 a10: 3");
  EXPECT_EQ(rig.value(10), 3.0f);
  // Millivolts are the count converted, real values the "=" field; E boards write "/" for "=".
  rig.live.set_mode(DisplayMode::millivolts);
  rig.live.on_bar_line(" a3: 65536 2500.00mV =2.5");
  EXPECT_FLOAT_EQ(rig.value(3), 2500.0f);
  rig.live.set_mode(DisplayMode::real);
  rig.live.on_bar_line(" a3: 512 19.53mV =12.5 a4: 7 a5: 9 =3");
  EXPECT_FLOAT_EQ(rig.value(3), 12.5f);
  EXPECT_FLOAT_EQ(rig.value(4), 7.0f);  // no "=" before the next ":"
  EXPECT_FLOAT_EQ(rig.value(5), 3.0f);
  TabRig e("VexaLog E v1404");
  e.live.set_mode(DisplayMode::real);
  e.live.on_bar_line("a2: 100 /4.5");
  EXPECT_FLOAT_EQ(e.value(2), 4.5f);
}

TEST(LiveModes, ConversionsKeepOrClearTheHistories) {
  TabRig rig;  // F class: 2500 / 65536 mV per count
  rig.live.set_mode(DisplayMode::raw);
  rig.configuration.set_parameter("a1", "a*0.5+10,1");
  rig.live.on_bar_line("a1: 1000");
  rig.next_second();
  rig.live.set_mode(DisplayMode::millivolts);
  LiveRecord r = rig.live.record(1);
  EXPECT_NEAR(r.value, 38.147, 0.001);
  EXPECT_NEAR(r.seconds[slot(rig.live.last_second())], 38.147, 0.001);
  // Real: count * 0.05 + 1 (multiplier and offset divided by 10 per decimal); histories cleared.
  rig.live.set_mode(DisplayMode::real);
  r = rig.live.record(1);
  EXPECT_NEAR(r.value, 51, 0.001);
  for (float s : r.seconds) EXPECT_EQ(s, 0.0f);
  rig.live.set_mode(DisplayMode::millivolts);
  EXPECT_NEAR(rig.value(1), 38.147, 0.001);
  rig.live.set_mode(DisplayMode::real);
  EXPECT_EQ(live_scaling("a*0+5,0").multiplier, 1);  // no multiplier: counts as real values
  // A stored parameter resets its row in real mode only.
  rig.live.set_max(4, 99);
  for (const char* key : {"a4x", "bd"}) rig.live.parameter_changed(key);
  rig.live.take_requests();
  EXPECT_EQ(rig.live.record(4).max, 99.0f);
  rig.live.parameter_changed("a4");
  rig.live.take_requests();
  EXPECT_NE(rig.live.record(4).max, 99.0f);
  // A new board resets every row; it falls back to millivolts (the desktop test sees the mode).
  rig.live.set_colour(1, 0x123456);
  rig.identity.accept_identity("VexaLog S v1404");
  rig.live.take_requests();
  r = rig.live.record(1);
  EXPECT_EQ(r.colour, kLivePalette[1]);
  EXPECT_NEAR(r.min, -600000 * 1225.0 / 7864320, 0.01);
  EXPECT_NEAR(r.max, 1225, 0.01);
  rig.live.set_max(4, 99);
  rig.live.parameter_changed("a4");
  rig.live.take_requests();
  EXPECT_EQ(rig.live.record(4).max, 99.0f);
}

TEST(LiveHistory, GapsMinutesPollsAndThePopupSample) {
  TabRig rig;
  rig.live.set_mode(DisplayMode::raw);
  rig.live.on_bar_line("a0: 10");
  rig.next_second();
  const long long first = rig.live.last_second();
  rig.next_second();  // nothing arrived
  rig.live.on_bar_line("a0: 30");
  rig.next_second();
  LiveRecord r = rig.live.record(0);
  EXPECT_EQ(r.seconds[slot(first)], 10.0f);
  EXPECT_EQ(r.seconds[slot(first + 1)], 0.0f);
  EXPECT_EQ(r.seconds[slot(first + 2)], 30.0f);
  EXPECT_EQ(r.minutes[slot(rig.live.last_minute())], 10.0f);  // the minute's first second
  rig.live.on_bar_line("a0: 50");
  EXPECT_FALSE(rig.live.tick_second());
  // The graph: a line from the first sample is broken by the gap, leaving two lone points.
  RecordingPainter p;
  r.min = 0;
  r.max = 100;
  draw_history(p, 120, 100, r, r.seconds, first + 2, 0);
  EXPECT_EQ(std::count_if(p.calls().begin(), p.calls().end(),
                          [](const std::string& c) { return c.find(" 0000ff") != std::string::npos; }), 2);
  // The bar view polls on an open link every eleven ticks: "a 2" on F, a range on S.
  rig.channel.clear();
  for (int i = 0; i < 11; ++i) rig.live.on_bar_tick(false, true);
  for (int i = 0; i < 11; ++i) rig.live.on_bar_tick(true, false);
  EXPECT_TRUE(rig.channel.sent().empty());
  rig.live.on_bar_tick(true, true);
  EXPECT_EQ(rig.channel.sent(), (std::vector<std::string>{"a 2"}));
  rig.link_open = false;
  for (int i = 0; i < 30; ++i) rig.live.on_bar_tick(true, true);
  EXPECT_EQ(rig.channel.sent().size(), 1u);
  TabRig s("VexaLog S v1404");
  for (int i = 0; i < 11; ++i) s.live.on_bar_tick(true, true);
  EXPECT_EQ(s.channel.sent(), (std::vector<std::string>{"a 5,200"}));
  EXPECT_EQ(popup_index(0, 120), -119);
  EXPECT_FALSE(popup_index(5, 9));
  EXPECT_EQ(popup_text(0.0001f), "0.0001");
  s.live.set_view(HistoryView::seconds);
  s.live.set_mode(DisplayMode::raw);
  s.live.on_bar_line("a2: 77");
  s.next_second();
  EXPECT_EQ(s.live.sample_at(2, 119, 120).value_or(-1), 77.0f);  // the right edge is the newest
  s.live.set_view(HistoryView::bar);
  EXPECT_FALSE(s.live.sample_at(2, 119, 120));
}

// Advances of the default font (tahoma at 11 pixels, DejaVu Sans where fontconfig has no
// tahoma): digits 7 pixels, point and minus 4, rounded up.
int default_font_width(std::string_view text) {
  int w = 0;
  for (char c : text) w += (c == '.' || c == '-') ? 4 : 7;
  return w;
}

// The value box at every magnitude: the text fits, reads as the value rounded to its shown
// decimals, and only a whole part that cannot fit becomes the overflow mark.
TEST(LiveDrawing, ValueBoxesNeverCutLeadingDigits) {
  constexpr int kRoom = kValueBoxWidth - 10;  // frame, margins and cursor of the edit
  EXPECT_EQ(fitted_value_text(-1.5, 6, default_font_width("-1.5"), default_font_width), "-1.5");  // just fits
  EXPECT_EQ(fitted_value_text(12.5, 0, kRoom, default_font_width), "12");  // min/max keep their decimals
  // One width and one sign: the decimals are dropped the same way for any.
  for (int exponent = -8; exponent <= 38; ++exponent) {
    const double value = -1.23456789 * std::pow(10.0, exponent);
    const std::string text = fitted_value_text(value, 6, kRoom, default_font_width);
    if (default_font_width(format_text("%.0f", value)) > kRoom) {
      EXPECT_EQ(text, kValueOverflow) << value;
      continue;
    }
    EXPECT_LE(default_font_width(text), kRoom) << text;
    const std::size_t point = text.find('.');
    const int decimals = point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
    EXPECT_NEAR(std::strtod(text.c_str(), nullptr), value, 0.5 * std::pow(10.0, -decimals) * (1 + 1e-9))
        << text << " for " << value;
  }
}

TEST(LiveDrawing, ScaleFormatsNiceStepsAndDisplayNames) {
  for (auto [max, decimals] : {std::pair{100.0, 0}, {2.0, 1}, {0.2, 2}, {0.02, 3}, {0.002, 4}, {0.0001, 6}})
    EXPECT_EQ(scale_decimals(0, max, 10), decimals) << max;
  struct Step {
    double x;
    bool upward;
    double step;
  };
  for (const Step& s : {Step{3, true, 5}, {0.5, true, 1}, {1234, true, 2000}, {3, false, 2}, {2, false, 1},
                        {0.07, false, 0.05}, {0, true, 1}, {INFINITY, false, 1}})
    EXPECT_DOUBLE_EQ(nice_step(s.x, s.upward), s.step) << s.x << " " << s.upward;
  EXPECT_EQ(live_display_name(3, "Tank level", ""), "Tank");
  EXPECT_EQ(live_display_name(3, "", "a*1,0,n=Oven;x"), "Oven");
  EXPECT_EQ(live_display_name(3, "", "a*1,0"), "a3");
  EXPECT_EQ(live_display_name(3, "abcdefghijklmnopqrstuvwxyz", ""), "abcdefghijklmnopqrst");
}

TEST(LiveDrawing, BarsScalesEmptyHugeAndTinyRanges) {
  RecordingPainter p;
  auto width = [](std::string_view t) { return static_cast<int>(t.size()) * 6; };
  LiveRecord r;
  r.min = r.max = r.value = 5;
  draw_horizontal_bar(p, 200, 18, r);
  draw_vertical_bar(p, 18, 60, r);
  draw_horizontal_scale(p, 400, 14, 5, 5, width);
  draw_vertical_scale(p, 60, 66, 1e30, -1e30, 14, width);
  EXPECT_TRUE(p.calls().empty());
  draw_history(p, 200, 60, r, r.seconds, 0, 14);
  EXPECT_EQ(p.calls().size(), 60u);  // the black background only
  p.reset();
  r.min = 0;
  r.max = 100;
  r.value = 50;
  r.colour = kRed;
  draw_horizontal_bar(p, 200, 18, r);
  EXPECT_EQ(p.calls().front(), "line 0,0 100,0 0000ff");
  EXPECT_EQ(p.calls().back(), "text 88,2 000000 50.0");  // the scale format for 100 parts
  p.reset();
  draw_horizontal_scale(p, 440, 14, 0, 100, width);
  EXPECT_NE(std::find(p.calls().begin(), p.calls().end(), "line 420,0 420,4 000000"), p.calls().end());
  // The grid step of a history is a whole number: rows at 1, 2 and 3 for a maximum of 3 (0 falls
  // on the bottom edge), and a step of 0.5 truncates to 0: no rows.
  for (auto [max, rows] : {std::pair{3.0f, 3}, {1.0f, 0}}) {
    p.reset();
    r.max = max;
    draw_history(p, 200, 60, r, r.seconds, 0, 14);
    EXPECT_EQ(std::count_if(p.calls().begin(), p.calls().end(), [](const std::string& c) {
      return c.rfind("line 0,", 0) == 0 && c.find(" 200,") != std::string::npos && c.ends_with(" 008080");
    }), rows) << max;
  }
  // Huge and tiny ranges finish quickly.
  p.reset();
  r.min = 1e20f;
  r.max = r.value = 1e20f * 1.0000001f;
  r.seconds.fill(r.max);
  draw_history(p, 300, 60, r, r.seconds, 5, 14);
  draw_vertical_scale(p, 60, 66, r.min, r.max, 14, width);
  draw_horizontal_scale(p, 400, 14, -3e38, 3e38, width);
  draw_horizontal_scale(p, 400, 14, 0, 1e-30, width);
  draw_vertical_scale(p, 60, 66, 0, 1, 0, width);
  EXPECT_LT(p.calls().size(), 20000u);
}

// The time axis ticks every minute, half minute or ten seconds, as many labels as the width
// holds; a full minute is labelled with the local time of day, the others with their seconds.
TEST(LiveDrawing, TimeAxisTicksAsOftenAsItsLabelsFit) {
  auto local = [](long long t, const char* format) {
    const std::time_t at = static_cast<std::time_t>(t);
    std::tm tm{};
    localtime_r(&at, &tm);
    return format_text(format, tm.tm_hour, tm.tm_min);
  };
  const long long last = 1800000000;  // a full minute
  const std::string minute = local(last, "%02d:%02d");
  struct Row {
    int w;
    HistoryView view;
    long long last;
    std::size_t ticks;
    std::string labels;  // the first and the last label
  };
  for (const Row& row : {Row{400, HistoryView::seconds, last, 2, local(last - 60, "%02d:%02d") + " " + minute},
                         {2000, HistoryView::seconds, last + 5, 4, "30 " + minute},
                         {2100, HistoryView::seconds, last + 5, 12, "10 " + minute},
                         {2100, HistoryView::minutes, last / 60, 12, "10 " + local(last, "%02d:00")},
                         {400, HistoryView::bar, last, 0, ""}, {41, HistoryView::seconds, last, 0, ""}}) {
    SCOPED_TRACE(std::to_string(row.w) + " " + std::to_string(static_cast<int>(row.view)));
    RecordingPainter p;
    draw_time_axis(p, row.w, 14, row.view, row.last, [](std::string_view t) { return static_cast<int>(t.size()) * 6; });
    std::vector<std::string> ticks, texts;
    for (const std::string& c : p.calls()) {
      if (c.ends_with(",5 000000") && c.rfind("line ", 0) == 0) ticks.push_back(c);
      if (c.rfind("text ", 0) == 0) texts.push_back(c.substr(c.rfind(' ') + 1));
    }
    EXPECT_EQ(ticks.size(), row.ticks);
    EXPECT_EQ(texts.empty() ? "" : texts.front() + " " + texts.back(), row.labels);
    EXPECT_EQ(p.calls().size(), ticks.size() + texts.size());
  }
}

}  // namespace
}  // namespace vexa
