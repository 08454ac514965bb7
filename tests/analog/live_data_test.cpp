// Live values of the Data tab: reading live lines, display modes and their conversions, the
// histories, polling, and the drawing of bars, scales, graphs and the pop-up's sample.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

#include "analog/live_data.h"
#include "analog/live_drawing.h"
#include "support/recording_painter.h"
#include "base/text_format.h"
#include "tab_fixture.h"
#include "support/fixed_clocks.h"

namespace vexa {
namespace {

using test::RecordingChannel;

struct LiveRig {
  explicit LiveRig(const char* identity_line = "VexaLog F v1404")
      : identity(configuration, *parse_identity_line("VexaLog S v1404")),
        clock(make_local_time(2026, 12, 7, 12, 0, 0)),
        live(configuration, identity, channel, [this] { return link_open; }, clock) {
    identity.add_listener(&live);
    identity.accept_identity(identity_line);
    live.take_requests();
  }
  ~LiveRig() { identity.remove_listener(&live); }
  void next_second() {
    clock.set_local(make_local_time(2026, 12, 7, 12, 0, ++second));
    live.tick_second();
  }
  Configuration configuration;
  BoardIdentity identity;
  RecordingChannel channel;
  FixedClock clock;
  bool link_open = true;
  int second = 0;
  LiveData live;
};

TEST(LiveLines, InputsAndValuesAreReadUntilTheFirstMisfit) {
  LiveRig rig;
  rig.live.set_mode(DisplayMode::raw);
  rig.live.take_dirty();
  rig.live.on_bar_line("a3: 512 a4: 0");
  EXPECT_EQ(rig.live.record(3).value, 512.0f);
  EXPECT_EQ(rig.live.record(4).value, kZeroSample);
  EXPECT_EQ(rig.live.record(4).current, kZeroSample);
  rig.live.on_bar_line("a12:100");
  EXPECT_EQ(rig.live.record(12).value, 100.0f);
  rig.live.on_bar_line("xa5:7");
  EXPECT_EQ(rig.live.record(5).value, 7.0f);
  rig.live.on_bar_line(":7 a6:9");  // stops at the first ":"
  EXPECT_EQ(rig.live.record(6).value, 0.0f);
  rig.live.on_bar_line("a299:5 a7:1");  // three digits: not an input
  EXPECT_EQ(rig.live.record(7).value, 0.0f);
  const auto dirty = rig.live.take_dirty();
  EXPECT_TRUE(dirty.test(3) && dirty.test(4) && dirty.test(12) && dirty.test(5));
  EXPECT_FALSE(dirty.test(6));
  EXPECT_TRUE(rig.live.take_dirty().none());
  // Values a float cannot hold, NaN and infinity are dropped; the parsing goes on.
  rig.live.on_bar_line("a1: nan a2: inf a8: 1e300 a9: -1e39 a10: 3");
  for (int n : {1, 2, 8, 9}) EXPECT_EQ(rig.live.record(n).value, 0.0f) << n;
  EXPECT_EQ(rig.live.record(10).value, 3.0f);
  // 300 inputs on one line: the first 100 are read, then "a100:" stops it.
  std::string line;
  for (int n = 0; n < 300; ++n) line += " a" + std::to_string(n) + ": " + std::to_string(n + 1);
  rig.live.on_bar_line(line);
  EXPECT_EQ(rig.live.record(99).value, 100.0f);
  EXPECT_EQ(rig.live.record(200).value, 0.0f);
}

TEST(LiveLines, MillivoltsAndRealValuesFromTheLine) {
  LiveRig rig;
  EXPECT_EQ(rig.live.mode(), DisplayMode::millivolts);
  rig.live.on_bar_line(" a3: 65536 2500.00mV =2.5");
  EXPECT_FLOAT_EQ(rig.live.record(3).value, 2500.0f);
  rig.live.set_mode(DisplayMode::real);
  rig.live.on_bar_line(" a3: 512 19.53mV =12.5 a4: 7 a5: 9 =3");
  EXPECT_FLOAT_EQ(rig.live.record(3).value, 12.5f);
  EXPECT_FLOAT_EQ(rig.live.record(4).value, 7.0f);  // no "=" before the next ":"
  EXPECT_FLOAT_EQ(rig.live.record(5).value, 3.0f);
  LiveRig e("VexaLog E v1404");
  e.live.set_mode(DisplayMode::real);
  e.live.on_bar_line("a2: 100 /4.5");
  EXPECT_FLOAT_EQ(e.live.record(2).value, 4.5f);
}

TEST(LiveModes, ConversionsKeepOrClearTheHistories) {
  LiveRig rig;  // F class: 2500 / 65536 mV per count
  rig.configuration.set_parameter("a1", "a*0.5+10,1");
  rig.live.set_mode(DisplayMode::raw);
  rig.live.reset_all();
  EXPECT_EQ(rig.live.record(1).max, 65536.0f);
  rig.live.on_bar_line("a1: 1000");
  rig.next_second();
  EXPECT_EQ(rig.live.record(1).seconds[static_cast<std::size_t>(rig.live.last_second() % 120)], 1000.0f);
  rig.live.set_mode(DisplayMode::millivolts);
  LiveRecord r = rig.live.record(1);
  EXPECT_NEAR(r.value, 38.147, 0.001);
  EXPECT_NEAR(r.seconds[static_cast<std::size_t>(rig.live.last_second() % 120)], 38.147, 0.001);
  EXPECT_NEAR(r.max, 2500, 0.01);
  rig.live.set_mode(DisplayMode::raw);
  EXPECT_NEAR(rig.live.record(1).seconds[static_cast<std::size_t>(rig.live.last_second() % 120)], 1000, 0.01);
  // Real: count * 0.05 + 1 (multiplier and offset divided by 10 per decimal); histories cleared.
  rig.live.set_mode(DisplayMode::real);
  r = rig.live.record(1);
  EXPECT_NEAR(r.value, 51, 0.001);
  EXPECT_NEAR(r.max, 65536 * 0.05 + 1, 0.01);
  for (float s : r.seconds) EXPECT_EQ(s, 0.0f);
  rig.live.set_mode(DisplayMode::millivolts);
  EXPECT_NEAR(rig.live.record(1).value, 38.147, 0.001);
  // An input without a scaling shows its counts as real values.
  rig.live.set_mode(DisplayMode::real);
  EXPECT_EQ(live_scaling("").multiplier, 1);
  EXPECT_EQ(live_scaling("a*0+5,0").multiplier, 1);
  // A new board falls back from real values to millivolts and resets everything.
  rig.live.set_colour(1, 0x123456);
  rig.identity.accept_identity("VexaLog S v1404");
  rig.live.take_requests();
  EXPECT_EQ(rig.live.mode(), DisplayMode::millivolts);
  r = rig.live.record(1);
  EXPECT_EQ(r.colour, kLivePalette[1]);
  EXPECT_NEAR(r.min, -600000 * 1225.0 / 7864320, 0.01);
  EXPECT_NEAR(r.max, 1225, 0.01);
}

TEST(LiveModes, StoredParameterResetsItsRowOnlyInRealMode) {
  LiveRig rig;
  rig.live.set_mode(DisplayMode::real);
  rig.live.set_max(4, 99);
  rig.live.parameter_changed("a4");
  rig.live.parameter_changed("a4x");
  rig.live.parameter_changed("bd");
  rig.live.take_requests();
  EXPECT_NE(rig.live.record(4).max, 99.0f);
  rig.live.set_mode(DisplayMode::raw);
  rig.live.set_max(4, 99);
  rig.live.parameter_changed("a4");
  rig.live.take_requests();
  EXPECT_EQ(rig.live.record(4).max, 99.0f);
}

TEST(LiveHistory, SilentSecondLeavesAGapAndMinutesFillOnce) {
  LiveRig rig;
  rig.live.set_mode(DisplayMode::raw);
  rig.live.on_bar_line("a0: 10");
  rig.next_second();
  const long long first = rig.live.last_second();
  rig.next_second();  // nothing arrived
  rig.live.on_bar_line("a0: 30");
  rig.next_second();
  const LiveRecord r = rig.live.record(0);
  EXPECT_EQ(r.seconds[static_cast<std::size_t>(first % 120)], 10.0f);
  EXPECT_EQ(r.seconds[static_cast<std::size_t>((first + 1) % 120)], 0.0f);
  EXPECT_EQ(r.seconds[static_cast<std::size_t>((first + 2) % 120)], 30.0f);
  EXPECT_EQ(r.minutes[static_cast<std::size_t>(rig.live.last_minute() % 120)], 10.0f);  // the minute's first second
  EXPECT_EQ(r.current, 0.0f);
  // The same second twice moves nothing.
  rig.live.on_bar_line("a0: 50");
  EXPECT_FALSE(rig.live.tick_second());
  EXPECT_EQ(rig.live.record(0).current, 50.0f);
  // The graph: a line from the first sample is broken by the gap.
  RecordingPainter p;
  LiveRecord g = r;
  g.min = 0;
  g.max = 100;
  draw_history(p, 120, 100, g, g.seconds, first + 2, 0);
  std::size_t coloured = 0;
  for (const auto& c : p.calls())
    if (c.find(" 0000ff") != std::string::npos) ++coloured;
  EXPECT_EQ(coloured, 2u);  // two lone points: the gap leaves no joining line
}

TEST(LiveHistory, PollingPopupIndexAndSamples) {
  LiveRig rig;
  for (int i = 0; i < 11; ++i) rig.live.on_bar_tick(false, true);
  for (int i = 0; i < 11; ++i) rig.live.on_bar_tick(true, false);
  EXPECT_TRUE(rig.channel.sent().empty());
  rig.live.on_bar_tick(true, true);
  EXPECT_EQ(rig.channel.sent(), (std::vector<std::string>{"a 2"}));
  rig.link_open = false;
  for (int i = 0; i < 30; ++i) rig.live.on_bar_tick(true, true);
  EXPECT_EQ(rig.channel.sent().size(), 1u);
  LiveRig s("VexaLog S v1404");
  for (int i = 0; i < 11; ++i) s.live.on_bar_tick(true, true);
  EXPECT_EQ(s.channel.sent(), (std::vector<std::string>{"a 5,200"}));

  EXPECT_EQ(popup_index(0, 120), -119);
  EXPECT_EQ(popup_index(119, 120), 0);
  EXPECT_EQ(popup_index(60, 120), -59);
  EXPECT_FALSE(popup_index(5, 9));
  EXPECT_EQ(popup_text(12.5f), "12.5");
  EXPECT_EQ(popup_text(3.0f), "3");
  EXPECT_EQ(popup_text(0.0001f), "0.0001");
  s.live.set_view(HistoryView::seconds);
  s.live.set_mode(DisplayMode::raw);
  s.live.on_bar_line("a2: 77");
  s.next_second();
  EXPECT_EQ(s.live.sample_at(2, 119, 120).value_or(-1), 77.0f);
  EXPECT_EQ(s.live.sample_at(2, 0, 120).value_or(-1), 0.0f);
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

// The value box at every magnitude, both signs: the text always fits, reads as the value
// rounded to its shown decimals with every leading digit, and only a number whose whole part
// cannot fit becomes the overflow mark.
TEST(LiveDrawing, ValueBoxesNeverCutLeadingDigits) {
  constexpr int kRoom = kValueBoxWidth - 10;  // frame, margins and cursor of the edit
  EXPECT_EQ(fitted_value_text(434.763794, 6, kRoom, default_font_width), "434.763794");
  EXPECT_EQ(fitted_value_text(434.763794, 6, 60 - 10, default_font_width), "434.764");  // the old box: rounded
  EXPECT_EQ(fitted_value_text(-434.763794, 6, 60 - 10, default_font_width), "-434.764");
  EXPECT_EQ(fitted_value_text(999.9999996, 6, 60 - 10, default_font_width), "1000.00");
  EXPECT_EQ(fitted_value_text(12.5, 0, kRoom, default_font_width), "12");  // min/max keep their decimals
  for (int room : {60 - 10, kRoom}) {
    for (int exponent = -8; exponent <= 38; ++exponent) {
      for (double sign : {1.0, -1.0}) {
        const double value = sign * 1.23456789 * std::pow(10.0, exponent);
        const std::string text = fitted_value_text(value, 6, room, default_font_width);
        const std::string whole = format_text("%.0f", value);
        if (default_font_width(whole) > room) {
          EXPECT_EQ(text, kValueOverflow) << value;
          continue;
        }
        EXPECT_LE(default_font_width(text), room) << text;
        const std::size_t point = text.find('.');
        const int decimals = point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
        EXPECT_NEAR(std::strtod(text.c_str(), nullptr), value, 0.5 * std::pow(10.0, -decimals) * (1 + 1e-9))
            << room << ": " << text << " for " << value;
      }
    }
  }
  EXPECT_EQ(fitted_value_text(3e38, 6, kRoom, default_font_width), kValueOverflow);
}

TEST(LiveDrawing, ScaleFormatsNiceStepsAndEmptyRanges) {
  EXPECT_EQ(scale_decimals(0, 100, 10), 0);
  EXPECT_EQ(scale_decimals(0, 2, 10), 1);
  EXPECT_EQ(scale_decimals(0, 0.2, 10), 2);
  EXPECT_EQ(scale_decimals(0, 0.02, 10), 3);
  EXPECT_EQ(scale_decimals(0, 0.002, 10), 4);
  EXPECT_EQ(scale_decimals(0, 0.0001, 10), 6);
  EXPECT_EQ(scale_text(12.5, 0, 0.2, 10), "12.50");
  EXPECT_EQ(scale_text(3.14159, 0, 0.0001, 10), "3.141590");
  EXPECT_DOUBLE_EQ(nice_step(3, true), 5);
  EXPECT_DOUBLE_EQ(nice_step(5, true), 5);
  EXPECT_DOUBLE_EQ(nice_step(0.5, true), 1);  // above x below 1
  EXPECT_DOUBLE_EQ(nice_step(0.3, true), 0.5);
  EXPECT_DOUBLE_EQ(nice_step(1234, true), 2000);
  EXPECT_DOUBLE_EQ(nice_step(3, false), 2);
  EXPECT_DOUBLE_EQ(nice_step(2, false), 1);   // below x from 1 up
  EXPECT_DOUBLE_EQ(nice_step(0.5, false), 0.5);
  EXPECT_DOUBLE_EQ(nice_step(0.07, false), 0.05);
  EXPECT_DOUBLE_EQ(nice_step(0, true), 1);
  EXPECT_DOUBLE_EQ(nice_step(NAN, false), 1);

  RecordingPainter p;
  LiveRecord r;
  r.min = r.max = 5;
  r.value = 5;
  draw_horizontal_bar(p, 200, 18, r);
  draw_vertical_bar(p, 18, 60, r);
  EXPECT_TRUE(p.calls().empty());
  draw_history(p, 200, 60, r, r.seconds, 0, 14);
  EXPECT_EQ(p.calls().size(), 60u);  // the black background only
  auto width = [](std::string_view t) { return static_cast<int>(t.size()) * 6; };
  p.reset();
  draw_horizontal_scale(p, 400, 14, 5, 5, width);
  draw_vertical_scale(p, 60, 66, 1e30, -1e30, 14, width);
  EXPECT_TRUE(p.calls().empty());
  r.min = 0;
  r.max = 100;
  r.value = 50;
  r.colour = kRed;
  draw_horizontal_bar(p, 200, 18, r);
  EXPECT_EQ(p.calls().front(), "line 0,0 100,0 0000ff");
  EXPECT_EQ(p.calls().back(), "text 88,2 000000 50.0");  // the scale format for 100 parts
  p.reset();
  draw_horizontal_scale(p, 440, 14, 0, 100, width);
  EXPECT_NE(std::find(p.calls().begin(), p.calls().end(), "line 20,0 20,4 000000"), p.calls().end());
  EXPECT_NE(std::find(p.calls().begin(), p.calls().end(), "line 420,0 420,4 000000"), p.calls().end());
  p.reset();
  draw_time_axis(p, 400, 14, HistoryView::seconds, 1800000000, width);
  bool full_minute = false;
  for (const auto& c : p.calls()) full_minute |= c.find(':') != std::string::npos;
  EXPECT_TRUE(full_minute);
  EXPECT_EQ(live_display_name(3, "Tank level", ""), "Tank");
  EXPECT_EQ(live_display_name(3, "", "a*1,0,n=Oven;x"), "Oven");
  EXPECT_EQ(live_display_name(3, "", "a*1,0"), "a3");
  EXPECT_EQ(live_display_name(3, "abcdefghijklmnopqrstuvwxyz", ""), "abcdefghijklmnopqrst");
}

TEST(LiveDrawing, HistoryGridStepIsAWholeNumber) {
  auto grid_rows = [](float max) {
    RecordingPainter p;
    LiveRecord r;
    r.max = max;
    draw_history(p, 200, 60, r, r.seconds, 0, 14);
    int rows = 0;
    for (const auto& c : p.calls())
      if (c.rfind("line 0,", 0) == 0 && c.find(" 200,") != std::string::npos && c.ends_with(" 008080")) ++rows;
    return rows;
  };
  EXPECT_EQ(grid_rows(3), 3);  // step 1: rows at 1, 2 and 3 (0 falls on the bottom edge)
  EXPECT_EQ(grid_rows(1), 0);  // step 0.5 truncates to 0: no rows
}

TEST(LiveDrawing, HugeAndTinyRangesFinishQuickly) {
  RecordingPainter p;
  auto width = [](std::string_view t) { return static_cast<int>(t.size()) * 6; };
  LiveRecord r;
  r.min = 1e20f;
  r.max = 1e20f * 1.0000001f;
  r.value = r.max;
  r.seconds.fill(r.max);
  draw_history(p, 300, 60, r, r.seconds, 5, 14);
  draw_horizontal_scale(p, 400, 14, r.min, r.max, width);
  draw_vertical_scale(p, 60, 66, r.min, r.max, 14, width);
  draw_horizontal_scale(p, 400, 14, -3e38, 3e38, width);
  draw_horizontal_scale(p, 400, 14, 0, 1e-30, width);
  draw_vertical_scale(p, 60, 66, 0, 1, 0, width);
  draw_time_axis(p, 5, 14, HistoryView::minutes, 0, width);
  EXPECT_LT(p.calls().size(), 20000u);
}

// The receive thread hands lines to the tab and the live data while the window thread ticks,
// changes modes and reads the records (the thread sanitizer build checks this).
TEST(LiveThreads, LinesFromTheReceiveThreadMeetTheWindowThread) {
  test::TabRig rig("VexaLog S v1404");
  rig.select(3);
  rig.click(analog_id::kListen);
  LiveData live(rig.configuration, rig.identity, rig.channel, [] { return false; }, rig.clock);
  rig.identity.add_listener(&live);
  rig.configuration.set_parameter_listener(&live);
  std::atomic<bool> done{false};
  std::thread receiver([&] {
    for (int i = 0; i < 2000; ++i) {
      const std::string line = " a3: " + std::to_string(i) + " 1.00mV =" + std::to_string(i) + " a4: 5";
      rig.tab->on_line(line);
      live.on_bar_line(line);
      if (i % 500 == 0) rig.configuration.parse_assignments("a3=a*2,1", false);
      if (i == 1000) rig.identity.accept_identity("VexaLog F v1404");
    }
    done = true;
  });
  int ticks = 0;
  while (!done || ticks < 5) {
    rig.tab->tick_100ms();
    live.on_bar_tick(true, true);
    live.set_mode(ticks % 3 == 0 ? DisplayMode::real : DisplayMode::raw);
    live.take_dirty();
    (void)live.record(3);
    ++ticks;
  }
  receiver.join();
  rig.tab->tick_100ms();
  live.take_requests();
  EXPECT_EQ(rig.tab->tabs().size(), 18u);
  EXPECT_EQ(rig.text(analog_id::kKey), "a3");
  rig.configuration.set_parameter_listener(nullptr);
  rig.identity.remove_listener(&live);
}

}  // namespace
}  // namespace vexa
