// The main window as data, without a display: variants, layout by tab, the fit of wider texts,
// the status row, the timer's duties, the menu bar with its access keys, the icons.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/icon_strip.h"
#include "app/main_window_form.h"
#include "app/menu_labels.h"
#include "app/terminal_command_ids.h"
#include "link/port_name.h"
#include "app/terminal_menu.h"
#include "base/command_ids.h"
#include "base/menu_table.h"
#include "base/settings.h"
#include "download/download_menus.h"
#include "support/recording_painter.h"

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
    // An open link shows its name in place of the port selector; TCP has no speed to choose.
    for (const char* link : {"/dev/ttyUSB0", kTcpLinkName}) {
      f.show_link_state(true, link);
      EXPECT_EQ(f.form().text(cmd::kPortName), link);
      EXPECT_TRUE(f.form().shown(cmd::kPortName) && f.form().checked(cmd::kOpenClose));
      EXPECT_FALSE(f.form().shown(cmd::kPortSelector));
      EXPECT_EQ(f.form().shown(cmd::kSpeedSelector), link != std::string(kTcpLinkName));
    }
    f.show_link_state(false, "/dev/ttyUSB0");
    EXPECT_FALSE(f.form().shown(cmd::kPortName) || f.form().checked(cmd::kOpenClose));
    EXPECT_TRUE(f.form().shown(cmd::kPortSelector) && f.form().shown(cmd::kSpeedSelector));
    EXPECT_FALSE(f.form().contains(cmd::kFactoryTest));
    EXPECT_TRUE(make(r.reduced, true, r.family).form().contains(cmd::kFactoryTest));  // debug only
    EXPECT_EQ(main_window_title(r.family ? "VexaLog" : "Acme", r.reduced), r.title);
  }
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
  // The port selector and the name display share a place: the wider one sets the push.
  form.set_needed_width(cmd::kPortSelector, 150);
  form.set_needed_width(cmd::kPortName, 120);
  form.fit();
  EXPECT_EQ(form.at(cmd::kPortSelector).rect, (Rect{129, 4, 150, 200}));
  EXPECT_EQ(form.at(cmd::kPortName).rect, (Rect{129, 4, 120, 20}));
  EXPECT_EQ(form.at(cmd::kSpeedSelector).rect.x, 209 + 80);  // and the rest of the row with it
  EXPECT_EQ(f.minimum_client_width(), 713 + 80 + 21 + 10);
  form.set_needed_width(cmd::kStatusIdentity, 130);
  for (int i = 0; i < 2; ++i) {
    f.layout(client(900, 600));
    EXPECT_EQ(form.at(cmd::kStatusText).rect, (Rect{5, 584, 140, 16}));
    EXPECT_EQ(form.at(cmd::kStatusIdentity).rect, (Rect{150, 584, 130, 16}));
    EXPECT_EQ(form.at(cmd::kStatusProgress).rect.x, 255 + 30);
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
      {3, 0, 25 + 325, cmd::kMacroSubTabs},
      {4, 0, t - 110, cmd::kUploadTab},  // at most: the terminal keeps 100 pixels
      {5, 0, 300 + (t - 410) / 2, cmd::kCompileTab},
  };
  MainWindowForm f = make();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.top);
    LayoutInput in = client(700, 800);
    in.config_content_height = row.config_height;
    f.set_current_tab(row.tab);
    f.layout(in);
    EXPECT_EQ(f.form().at(cmd::kTerminal).rect, (Rect{10, row.top, 680, t - 10 - row.top}));
    EXPECT_TRUE(f.form().shown(row.shown));
    EXPECT_EQ(f.form().shown(cmd::kConfigTab), row.shown == cmd::kConfigTab);
  }
  // A small window: T - 110 is below 30, and the terminal stays at 30. The outer size is stored.
  f.set_current_tab(1);
  LayoutInput in = client(300, 150);
  in.config_content_height = 400;
  Settings settings;
  f.layout(in, &settings);
  EXPECT_EQ(f.form().at(cmd::kTerminal).rect.y, 30);
  EXPECT_EQ(settings.get_setting("WindowWidth", ""), "316");
  EXPECT_EQ(settings.get_setting("WindowHeight", ""), "210");
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
  in.inputs_selected_kind = cmd::kPlanKind;  // the plan view takes the same place
  f.layout(in);
  EXPECT_TRUE(f.form().shown(cmd::kPlanView) && !f.form().shown(cmd::kBarViewWindow));
  EXPECT_EQ(f.form().at(cmd::kPlanView).rect, f.form().at(cmd::kBarViewWindow).rect);
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
  EXPECT_EQ(w.tick(863000), "0.0");  // 100 seconds before midnight
  EXPECT_EQ(w.tick(863123), "12.3");
  EXPECT_EQ(w.tick(20), "102.0");
  w.press();
  EXPECT_EQ(w.tick(30), "103.0");
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
    bool reenter;
    std::vector<std::string> calls;
  };
  const Row rows[] = {
      {"open", true, true, 0, false, {"modem", "commit", "probe"}},
      {"a loader owns the closed port: no probe", false, false, 0, false, {"modem", "commit"}},
      {"a factory step: nothing after it, not even the open button", true, true, 1, false, {"factory"}},
      {"a tick inside a tick is refused", true, true, 0, true, {"modem", "nested refused", "commit", "probe"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.note);
    MainWindowForm f({}, Messages());
    Duties d;
    d.open = row.open;
    d.reading = row.reading;
    d.factory_steps = row.factory_steps;
    d.reenter = row.reenter ? &f : nullptr;
    std::tm t{};
    t.tm_hour = 7;
    t.tm_min = 5;
    t.tm_sec = 9;
    ASSERT_TRUE(f.timer_tick(d, t, 0));
    EXPECT_EQ(f.form().text(cmd::kStatusClock), "07:05:09");
    EXPECT_EQ(d.calls, row.calls);
    EXPECT_EQ(f.form().checked(cmd::kOpenClose), row.open && row.factory_steps == 0);
    d.reenter = nullptr;
    EXPECT_TRUE(f.timer_tick(d, t, 0));  // the guard is released after every tick
  }
}

MenuOptions options(bool reduced = false, bool debug = false) {
  MenuOptions o;
  o.reduced_variant = reduced;
  o.debug = debug;
  o.target_e = "VexaLog E v1404";
  o.target_f = "VexaLog F v1404";
  o.target_s = "VexaLog S v1404";
  return o;
}

std::vector<std::string> titles(const std::vector<Menu>& bar) {
  std::vector<std::string> out;
  for (const Menu& m : bar) out.push_back(m.title);
  return out;
}

std::vector<int> ids(const Menu& menu) {
  std::vector<int> out;
  for (const MenuEntry& e : menu.entries) out.push_back(e.id);
  return out;
}

TEST(MenuBar, VariantsLanguagesDebugAndCheckMarks) {
  auto bar = build_menu_bar(options(), Messages("VexaLog", 'e'));
  EXPECT_EQ(titles(bar), (std::vector<std::string>{"Configuration", "Communication", "Tools", "Clear",
                                                   "Stop", "Help"}));
  EXPECT_TRUE(find_entry(bar, 601)->checked);
  EXPECT_TRUE(find_entry(bar, 604)->checked);
  EXPECT_EQ(find_entry(bar, 841)->text, "VexaLog F v1404");
  EXPECT_EQ(bar[3].command, cmd::kClear);  // a title that is itself a command
  EXPECT_EQ(find_menu(bar, "debug"), nullptr);

  bar = build_menu_bar(options(false, true), Messages("VexaLog", 'd'));
  const Menu* tools = find_menu(bar, "MenTools");
  ASSERT_NE(tools, nullptr);
  EXPECT_EQ(tools->entries[tools->entries.size() - 2].id, cmd::kVerbose);
  EXPECT_EQ(bar.back().key, "debug");

  bar = build_menu_bar(options(true), Messages("VexaLog", 'e'));
  EXPECT_EQ(find_entry(bar, 860), nullptr);  // the reduced variant's (its menus are the window test's)

  // Another product's manuals and log file carry its own name, and its web address is gone.
  MenuOptions acme = options();
  acme.log_file_name = "Acme.log";
  bar = build_menu_bar(acme, Messages("Acme", 'e'));
  const Menu* help = find_menu(bar, "MenHelp");
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(ids(*help), (std::vector<int>{7501, 7502, 7503}));
  EXPECT_EQ(find_entry(bar, 7501)->text, "Acme E: AcmeEF.pdf");
  EXPECT_EQ(find_entry(bar, 607)->text, "Erase Acme.log");

  // Check marks of a group: one at a time.
  check_exclusive(bar, {604, 605, 606}, 606);
  EXPECT_FALSE(find_entry(bar, 604)->checked);
  EXPECT_TRUE(find_entry(bar, 606)->checked);
}

// The bar as the desktop shows it at its fullest: debug on, the terminal's entries and two
// recent firmware files in the Tools menu, the line sender in the debug menu.
std::vector<Menu> fullest_bar(const MenuOptions& o, const Messages& messages) {
  std::vector<Menu> bar = build_menu_bar(o, messages);
  add_terminal_entries(bar, messages);
  const std::string download = messages.message("Mdownload");
  apply_recent_items(bar, {{705, download + ": /fw/a&b.hex", 702}, {706, download + ": /fw/b.bin", 705}});
  add_line_sender_entries(bar);
  return bar;
}

void expect_unique_keys(const std::vector<std::string>& labels, const std::vector<std::string>& texts,
                        const std::string& where) {
  std::set<char> keys;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    EXPECT_EQ(without_access_key(labels[i]), texts[i]) << where;
    if (texts[i].empty()) continue;  // a separator
    const char key = access_key(labels[i]);
    EXPECT_NE(key, 0) << where << ": " << labels[i];
    EXPECT_TRUE(keys.insert(key).second) << where << ": '" << key << "' twice, at " << labels[i];
  }
}

TEST(MenuAccessKeys, EveryMenuInEveryLanguageAndVariantHasItsOwnKeys) {
  MenuOptions acme = options(false, true);
  acme.log_file_name = "Acme.log";
  for (char language : {'e', 'f', 'd'}) {
    const std::pair<std::string, MenuOptions> variants[] = {
        {"VexaLog", options(false, true)}, {"VexaLog", options(true, false)}, {"Acme", acme}};
    for (const auto& [product, o] : variants) {
      const std::vector<Menu> bar = fullest_bar(o, Messages(product, language));
      const std::string where = std::string(1, language) + " " + product + (o.reduced_variant ? " reduced" : "");
      expect_unique_keys(title_labels(bar), titles(bar), where + " bar");
      std::function<void(const std::vector<MenuEntry>&, const std::string&)> check_menu =
          [&](const std::vector<MenuEntry>& entries, const std::string& menu) {
            std::vector<std::string> texts;
            for (const MenuEntry& e : entries) texts.push_back(e.text);
            expect_unique_keys(entry_labels(entries), texts, where + " " + menu);
            for (const MenuEntry& e : entries)
              if (!e.submenu.empty()) check_menu(e.submenu, menu + "/" + e.text);
          };
      for (const Menu& menu : bar) check_menu(menu.entries, menu.key);
      // The terminal keeps its keys (copy or send, paste, Tab, Ctrl-Z, the control codes):
      // the only shortcut is Find's, which the terminal hands on itself.
      int shortcuts = 0;
      for_each_entry(bar, [&](const MenuEntry& e) {
        EXPECT_EQ(e.text.find("???"), std::string::npos) << where << " " << e.id;  // a text the catalog lacks
        EXPECT_EQ(e.shortcut, e.id == cmd::kTermFind ? "Ctrl+F" : "") << where << " " << e.text;
        shortcuts += !e.shortcut.empty();
      });
      EXPECT_EQ(shortcuts, 1) << where;
    }
  }
}

TEST(MenuAccessKeys, CrowdedEscapedAndForeignTexts) {
  // A later text needing the only letter an earlier one took moves the earlier one on, along a
  // chain if need be; separators stay empty.
  EXPECT_EQ(with_access_keys({"Log on", "Log off", "Lo"}), (std::vector<std::string>{"Lo&g on", "Log &off", "&Lo"}));
  EXPECT_EQ(with_access_keys({"", "DTR", "RTS", "DT", "T&"}),
            (std::vector<std::string>{"", "DT&R", "RT&S", "&DT", "&T&&"}));
  // Word starts before inner letters before digits; letter case does not make a second key.
  EXPECT_EQ(with_access_keys({"Send time", "send date", "s1"}),
            (std::vector<std::string>{"&Send time", "send &date", "s&1"}));
  // A literal '&' stays one; UTF-8 letters are never keys and never split.
  EXPECT_EQ(with_access_keys({"R&D", "Écho"}), (std::vector<std::string>{"&R&&D", "\xc3\x89&cho"}));
  EXPECT_EQ(without_access_key("&R&&D"), "R&D");
  EXPECT_EQ(access_key("R&&D"), 0);
  // With no character left a text is only escaped.
  EXPECT_EQ(with_access_keys({"a", "A", "a&"}), (std::vector<std::string>{"&a", "A", "a&&"}));
}

TEST(IconStrip, ElevenCellsInsideTheStripAndButtonsDrawTheirCell) {
  RecordingPainter all;
  draw_icon_strip(all);
  ASSERT_FALSE(all.calls().empty());
  EXPECT_EQ(all.calls().front().rfind("line 0,0 243,0", 0), 0u);  // background first
  for (int image = 0; image < kIconCount; ++image) {
    RecordingPainter p;
    draw_icon(p, image, 0, 0);
    EXPECT_GE(p.calls().size(), 3u) << image;
    for (const std::string& call : p.calls()) {
      int a = -1, b = -1, c = -1, d = -1;
      if (std::sscanf(call.c_str(), "line %d,%d %d,%d", &a, &b, &c, &d) == 4) {
        EXPECT_TRUE(a >= 0 && a <= 18 && c >= 0 && c <= 18 && b >= 0 && b < 18 && d >= 0 && d < 18)
            << image << ": " << call;
      } else if (std::sscanf(call.c_str(), "frame %d,%d %dx%d", &a, &b, &c, &d) == 4 ||
                 std::sscanf(call.c_str(), "ellipse %d,%d %dx%d", &a, &b, &c, &d) == 4) {
        EXPECT_TRUE(a >= 0 && b >= 0 && a + c <= 18 && b + d <= 18) << image << ": " << call;
      }
    }
  }
  RecordingPainter p;
  draw_icon(p, kIconCount, 0, 0);
  EXPECT_TRUE(p.calls().empty());
  // A button draws its cell last, one pixel further in when pressed.
  draw_icon_button(p, 3, false);
  EXPECT_EQ(p.calls().back(), "cell 1,1 from 54,0 18x18");
  draw_icon_button(p, 10, true);
  EXPECT_EQ(p.calls().back(), "cell 2,2 from 180,0 18x18");
}

}  // namespace
}  // namespace vexa
