// The main window as data: its variants' controls, the layout rules by tab, the fit of wider
// texts, the status row's clock and stopwatch and the timer's duties, all without a display.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "base/command_ids.h"
#include "app/main_window_form.h"
#include "base/settings.h"

namespace vexa {
namespace {

MainWindowForm make(bool reduced = false, bool debug = false, bool family = true) {
  Messages messages(family ? "VexaLog" : "Acme", 'e');
  return MainWindowForm({reduced, debug, family}, messages);
}

LayoutInput client(int w, int h) {
  LayoutInput in;
  in.client_width = w;
  in.client_height = h;
  in.outer_width = w + 16;
  in.outer_height = h + 60;
  return in;
}

TEST(MainWindowControls, EachVariantHasItsTabsTitleAndToolRow) {
  struct Row {
    bool reduced, family;
    std::size_t tabs;
    int last_logical;
    int time_now_x;  // the configuration icons before it are gone in the reduced variant
    const char* title;
  };
  for (const Row& r : {Row{false, true, 6, 5, 98, "VexaLog Terminal 1404"},
                       Row{true, true, 2, 5, 10, "ARM Compile Download Terminal 1404"},
                       Row{false, false, 5, 4, 98, "Acme Terminal 1404"}}) {
    SCOPED_TRACE(r.title);
    MainWindowForm f = make(r.reduced, false, r.family);
    ASSERT_EQ(f.tabs().size(), r.tabs);
    EXPECT_EQ(f.logical_tab_at(static_cast<int>(r.tabs) - 1), r.last_logical);
    EXPECT_EQ(f.position_of_logical(5) >= 0, r.family);
    EXPECT_EQ(f.form().contains(cmd::kCompileTab), r.family);
    for (int id : {cmd::kConfGet, cmd::kConfDownload, cmd::kConfSave, cmd::kConfLoad})
      EXPECT_EQ(f.form().contains(id), !r.reduced) << id;
    EXPECT_EQ(f.form().at(cmd::kTimeNow).rect.x, r.time_now_x);
    EXPECT_FALSE(f.form().shown(cmd::kPortName));
    EXPECT_FALSE(f.form().contains(cmd::kFactoryTest));  // debug only
    EXPECT_EQ(main_window_title(r.family ? "VexaLog" : "Acme", r.reduced), r.title);
  }
}

TEST(MainWindowLayout, StatusRowAndDebugControls) {
  MainWindowForm f = make(false, true);
  f.layout(client(700, 600));
  const Form& form = f.form();
  EXPECT_EQ(form.at(cmd::kStatusText).rect, (Rect{5, 584, 140, 16}));
  EXPECT_EQ(form.at(cmd::kStopwatch).rect, (Rect{405, 584, 40, 16}));
  EXPECT_EQ(form.at(cmd::kFactoryTest).rect, (Rect{450, 579, 21, 21}));
  EXPECT_EQ(form.at(cmd::kFactoryLamps).rect, (Rect{475, 584, 80, 16}));
  EXPECT_EQ(form.at(cmd::kTabControl).rect, (Rect{0, 29, 700, 553}));
}

TEST(FormFit, AWiderTextPushesItsRowAndKeepsTheColumnsAligned) {
  // Labels at 10, fields at 60 and 150 in three rows; a button row below with its own columns;
  // a control of another window (99) at the same place.
  const std::tuple<int, Rect, int> controls[] = {
      {1, {10, 0, 50, 16}, 0},  {2, {60, 0, 80, 18}, 0},   {3, {150, 0, 40, 18}, 0},  {4, {10, 20, 50, 16}, 0},
      {5, {60, 20, 80, 18}, 0}, {6, {10, 40, 50, 16}, 0},  {7, {60, 40, 80, 18}, 0},  {8, {150, 40, 40, 18}, 0},
      {9, {10, 70, 80, 18}, 0}, {10, {95, 70, 80, 18}, 0}, {11, {60, 20, 80, 18}, 99},
  };
  Form form;
  for (const auto& [id, rect, parent] : controls) {
    Control c;
    c.id = id;
    c.rect = rect;
    c.parent = parent;
    form.add(c);
  }
  std::vector<int> told;
  form.set_listener([&](int id) { told.push_back(id); });
  form.set_needed_width(4, 72);  // the middle label
  form.fit();
  EXPECT_EQ(form.at(4).rect, (Rect{10, 20, 72, 16}));
  for (int id : {2, 5, 7}) EXPECT_EQ(form.at(id).rect.x, 82) << id;
  for (int id : {3, 8}) EXPECT_EQ(form.at(id).rect.x, 172) << id;
  for (int id : {1, 6, 9}) EXPECT_EQ(form.at(id).rect.x, 10) << id;
  EXPECT_EQ(form.at(10).rect.x, 95);
  EXPECT_EQ(form.at(11).rect.x, 60);
  EXPECT_EQ(told.size(), 6u);
  // Fitting again changes nothing; a text that fits changes nothing.
  told.clear();
  form.set_needed_width(9, 60);
  form.fit();
  EXPECT_TRUE(told.empty());
  EXPECT_EQ(form.at(5).rect.x, 82);
}

TEST(FormFit, ToolRowGrowsOnceForTwoControlsInOnePlaceAndTheStatusRowKeepsItsFitAcrossLayouts) {
  MainWindowForm f = make();
  Form& form = f.form();
  EXPECT_EQ(f.minimum_client_width(), 98 + 615 + 21 + 10);
  // The port selector and the name display share a place: the wider one sets the push.
  form.set_needed_width(cmd::kPortSelector, 150);
  form.set_needed_width(cmd::kPortName, 120);
  form.fit();
  EXPECT_EQ(form.at(cmd::kPortSelector).rect, (Rect{129, 4, 150, 200}));
  EXPECT_EQ(form.at(cmd::kPortName).rect, (Rect{129, 4, 120, 20}));
  EXPECT_EQ(form.at(cmd::kSpeedSelector).rect.x, 209 + 80);
  EXPECT_EQ(form.at(cmd::kOpenClose).rect, (Rect{289 + 80, 6, 60, 16}));
  EXPECT_EQ(form.at(cmd::kGerman).rect.x, 713 + 80);
  EXPECT_EQ(form.at(cmd::kTimeNow).rect.x, 98);
  EXPECT_EQ(f.minimum_client_width(), 713 + 80 + 21 + 10);
  form.set_needed_width(cmd::kStatusIdentity, 130);
  for (int i = 0; i < 2; ++i) {
    f.layout(client(900, 600));
    EXPECT_EQ(form.at(cmd::kStatusText).rect, (Rect{5, 584, 140, 16}));
    EXPECT_EQ(form.at(cmd::kStatusIdentity).rect, (Rect{150, 584, 130, 16}));
    EXPECT_EQ(form.at(cmd::kStatusProgress).rect.x, 255 + 30);
    EXPECT_EQ(form.at(cmd::kStopwatch).rect.x, 405 + 30);
    EXPECT_EQ(form.at(cmd::kSpeedSelector).rect.x, 209 + 80);
  }
}

TEST(MainWindowLayout, EachTabSetsTheTerminalsTopAndTheTerminalFillsTheRest) {
  const int t = 753;  // the client height of 800 less the tool and status rows
  struct Row {
    int tab;
    int config_height;  // of a loaded configuration
    int top;
    int shown;  // the tab's own window
  };
  const Row rows[] = {
      {0, 0, 30, cmd::kTerminal},
      {1, 0, 80, cmd::kConfigTab},  // nothing loaded
      {1, 19 * 10, 240, cmd::kConfigTab},
      {1, 19 * 200, t - 110, cmd::kConfigTab},  // large: the terminal keeps 100 pixels
      {3, 19 * 200, 25 + 325, cmd::kMacroSubTabs},
      {4, 0, t - 110, cmd::kUploadTab},
      {5, 0, 300 + (t - 410) / 2, cmd::kCompileTab},
  };
  MainWindowForm f = make();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.top);
    LayoutInput in = client(700, 800);
    in.config_content_height = row.config_height;
    f.set_current_tab(row.tab);
    EXPECT_EQ(f.layout(in).terminal_top, row.top);
    EXPECT_EQ(f.form().at(cmd::kTerminal).rect, (Rect{10, row.top, 680, t - 10 - row.top}));
    EXPECT_TRUE(f.form().shown(row.shown));
    EXPECT_EQ(f.form().shown(cmd::kConfigTab), row.shown == cmd::kConfigTab);
  }
  // A small window: T - 110 is below 30, and the terminal stays at 30.
  f.set_current_tab(1);
  LayoutInput in = client(300, 150);
  in.config_content_height = 400;
  EXPECT_EQ(f.layout(in).terminal_top, 30);
  EXPECT_EQ(f.form().at(cmd::kTerminal).rect.y, 30);
}

TEST(MainWindowLayout, InputsTabViewsAndOffsetRule) {
  MainWindowForm f = make();
  f.set_current_tab(2);
  LayoutInput in = client(800, 900);
  in.inputs_rows = 5;
  in.inputs_row_height = 20;  // 110: too high before the rule is fixed
  LayoutResult r = f.layout(in);
  EXPECT_EQ(r.inputs_offset, 46);
  EXPECT_EQ(r.terminal_top, 46 + 460);
  in.inputs_rows = 2;  // 50 fixes the rule
  EXPECT_EQ(f.layout(in).inputs_offset, 50);
  in.inputs_rows = 6;  // from now on the computed value counts
  EXPECT_EQ(f.layout(in).inputs_offset, 130);
  EXPECT_EQ(f.form().at(cmd::kAnalogWindow).rect, (Rect{5, 130, 790, 590 - 70}));

  in.inputs_selected_kind = cmd::kBarKind;
  r = f.layout(in);
  EXPECT_TRUE(r.bar_view_became_visible);
  EXPECT_EQ(r.terminal_top, 853 - 110);
  EXPECT_TRUE(f.form().shown(cmd::kBarViewWindow));
  EXPECT_FALSE(f.form().shown(cmd::kAnalogWindow));
  EXPECT_EQ(f.form().at(cmd::kBarViewWindow).rect.height, 743 - 42 - 130);
  EXPECT_FALSE(f.layout(in).bar_view_became_visible);  // only on the change
}

TEST(MainWindowLayout, StoresTheOuterSize) {
  MainWindowForm f = make();
  Settings settings;
  f.layout(client(640, 480), &settings);
  EXPECT_EQ(settings.get_setting("WindowWidth", ""), "656");
  EXPECT_EQ(settings.get_setting("WindowHeight", ""), "540");
}

TEST(MainWindowLink, NameDisplayReplacesSelector) {
  MainWindowForm f = make();
  std::vector<int> changed;
  f.form().set_listener([&](int id) { changed.push_back(id); });
  f.show_link_state(true, "/tmp/board");
  EXPECT_TRUE(f.form().shown(cmd::kPortName));
  EXPECT_FALSE(f.form().shown(cmd::kPortSelector));
  EXPECT_EQ(f.form().text(cmd::kPortName), "/tmp/board");
  EXPECT_TRUE(f.form().checked(cmd::kOpenClose));
  f.show_link_state(false, "");
  EXPECT_FALSE(f.form().shown(cmd::kPortName));
  EXPECT_FALSE(f.form().checked(cmd::kOpenClose));
  EXPECT_FALSE(changed.empty());
}

// The timer's duties, recorded; a factory step ends the tick that runs it.
struct Duties : TimerDuties {
  std::vector<std::string> calls;
  bool open = false;
  bool reading = true;
  int factory_steps = 0;
  MainWindowForm* reenter = nullptr;
  bool link_open() override { return open; }
  bool factory_tick() override {
    if (factory_steps == 0) return false;
    --factory_steps;
    calls.push_back("factory");
    return true;
  }
  void supervise_phone_and_modem() override {
    calls.push_back("modem");
    if (reenter) {  // a modal loop inside a tick delivers another tick
      std::tm t{};
      calls.push_back(reenter->timer_tick(*this, t, 0) ? "nested ran" : "nested refused");
    }
  }
  void commit_current_tab() override { calls.push_back("commit"); }
  bool reading_enabled() override { return reading; }
  void probe_port() override { calls.push_back("probe"); }
};

TEST(Stopwatch, RequestsAreCarriedOutByTheTimerAcrossMidnightAndLongTimesLoseTheirTenths) {
  Stopwatch w;
  EXPECT_EQ(w.tick(100), "0.0");
  w.press();
  EXPECT_EQ(w.state(), Stopwatch::State::start_requested);
  EXPECT_EQ(w.tick(863000), "0.0");  // 100 seconds before midnight
  EXPECT_EQ(w.tick(863123), "12.3");
  EXPECT_EQ(w.tick(20), "102.0");
  w.press();
  EXPECT_EQ(w.tick(30), "103.0");
  EXPECT_EQ(w.state(), Stopwatch::State::stopped);
  EXPECT_EQ(w.tick(5000), "103.0");  // stopped: the last time stays
  EXPECT_EQ(stopwatch_text(9999), "999.9");
  EXPECT_EQ(stopwatch_text(10000), "1000");
  EXPECT_EQ(tenths_of_day(86400LL * 3 + 61, 250), 612);
}

TEST(MainWindowTimer, TheClockRunsFirstThenAFactoryStepEndsTheTickElseTheDutiesRunInOrder) {
  struct Row {
    const char* note;
    bool open, reading;
    int factory_steps;
    std::vector<std::string> calls;
  };
  const Row rows[] = {
      {"open", true, true, 0, {"modem", "commit", "probe"}},
      {"a loader owns the closed port: no probe", false, false, 0, {"modem", "commit"}},
      {"a factory step: nothing after it, not even the open button", true, true, 1, {"factory"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.note);
    MainWindowForm f({}, Messages());
    Duties d;
    d.open = row.open;
    d.reading = row.reading;
    d.factory_steps = row.factory_steps;
    std::tm t{};
    t.tm_hour = 7;
    t.tm_min = 5;
    t.tm_sec = 9;
    ASSERT_TRUE(f.timer_tick(d, t, 0));
    EXPECT_EQ(f.form().text(cmd::kStatusClock), "07:05:09");
    EXPECT_EQ(d.calls, row.calls);
    EXPECT_EQ(f.form().checked(cmd::kOpenClose), row.open && row.factory_steps == 0);
  }
}

TEST(MainWindowTimer, ReentryIsRefusedAndTheGuardReleasedAfterwards) {
  MainWindowForm f({}, Messages());
  Duties d;
  d.reenter = &f;
  std::tm t{};
  EXPECT_TRUE(f.timer_tick(d, t, 0));
  EXPECT_EQ(d.calls[1], "nested refused");
  d.reenter = nullptr;
  EXPECT_TRUE(f.timer_tick(d, t, 0));
}

}  // namespace
}  // namespace vexa
