#include <gtest/gtest.h>

#include <set>

#include "app/command_ids.h"
#include "app/icon_strip.h"
#include "app/menu_table.h"
#include "app/recording_painter.h"

namespace vexa {
namespace {

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

TEST(MenuBar, FullVariantInEnglish) {
  const auto bar = build_menu_bar(options(), Messages("VexaLog", 'e'));
  EXPECT_EQ(titles(bar), (std::vector<std::string>{"Configuration", "Communication", "Tools", "Clear",
                                                   "Stop", "Help"}));
  EXPECT_EQ(ids(bar[0]), (std::vector<int>{860, 864, 868, 865, 866, 867, 0, 861, 862, 863}));
  EXPECT_EQ(ids(bar[1]), (std::vector<int>{713, 0, 601, 602}));
  EXPECT_TRUE(find_entry(bar, 601)->checked);
  EXPECT_FALSE(find_entry(bar, 602)->checked);
  EXPECT_EQ(ids(bar[2]), (std::vector<int>{703, 702, 0, 840, 841, 842, 0, 604, 605, 606, 607, 0}));
  EXPECT_EQ(find_entry(bar, 841)->text, "VexaLog F v1404");
  EXPECT_EQ(find_entry(bar, 607)->text, "Erase VexaTerm.log");
  EXPECT_TRUE(find_entry(bar, 604)->checked);
  EXPECT_EQ(bar[3].command, cmd::kClear);
  EXPECT_EQ(bar[4].command, cmd::kStop);
  EXPECT_EQ(ids(bar[5]), (std::vector<int>{7501, 7502, 7503, 751, 0, 753, 754}));
  EXPECT_EQ(find_entry(bar, 860)->text, "Load from board");
  EXPECT_EQ(find_menu(bar, "debug"), nullptr);
}

TEST(MenuBar, LanguagesAndDebug) {
  auto bar = build_menu_bar(options(false, true), Messages("VexaLog", 'd'));
  EXPECT_EQ(bar[0].title, "Konfiguration");
  EXPECT_EQ(find_entry(bar, 607)->text, "VexaTerm.log löschen");
  const Menu* tools = find_menu(bar, "MenTools");
  ASSERT_NE(tools, nullptr);
  EXPECT_EQ(tools->entries[tools->entries.size() - 2].id, cmd::kVerbose);
  EXPECT_EQ(tools->entries.back().text, "Special 1");
  const Menu* debug = find_menu(bar, "debug");
  ASSERT_NE(debug, nullptr);
  EXPECT_EQ(ids(*debug), (std::vector<int>{851, 852, 853, 854, 855}));
  EXPECT_EQ(bar.back().key, "debug");
  bar = build_menu_bar(options(), Messages("VexaLog", 'f'));
  EXPECT_EQ(find_entry(bar, 860)->text, "Charger depuis la carte");
  EXPECT_EQ(bar[2].title, "Outils");
}

TEST(MenuBar, ReducedVariantAndOtherProduct) {
  auto bar = build_menu_bar(options(true), Messages("VexaLog", 'e'));
  EXPECT_EQ(find_menu(bar, "MenConf"), nullptr);
  EXPECT_EQ(find_entry(bar, 860), nullptr);
  EXPECT_EQ(bar.front().key, "MenCom");

  MenuOptions acme = options();
  acme.log_file_name = "Acme.log";
  bar = build_menu_bar(acme, Messages("Acme", 'e'));
  const Menu* help = find_menu(bar, "MenHelp");
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(ids(*help), (std::vector<int>{7501, 7502, 7503}));
  EXPECT_EQ(find_entry(bar, 7501)->text, "Acme E: AcmeEF.pdf");
  EXPECT_EQ(find_entry(bar, 607)->text, "Erase Acme.log");
}

TEST(MenuBar, CheckMarksFollowState) {
  auto bar = build_menu_bar(options(), Messages());
  check_exclusive(bar, {604, 605, 606}, 606);
  EXPECT_FALSE(find_entry(bar, 604)->checked);
  EXPECT_TRUE(find_entry(bar, 606)->checked);
  check_exclusive(bar, {601, 602}, 602);
  EXPECT_FALSE(find_entry(bar, 601)->checked);
  EXPECT_TRUE(find_entry(bar, 602)->checked);
}

TEST(IconStrip, ElevenCellsInsideTheStrip) {
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
  RecordingPainter none;
  draw_icon(none, kIconCount, 0, 0);
  EXPECT_TRUE(none.calls().empty());
}

TEST(IconButton, RaisedAndPressedFaces) {
  RecordingPainter p;
  draw_icon_button(p, 3, false);
  EXPECT_EQ(p.calls().back(), "cell 1,1 from 54,0 18x18");
  p.reset();
  draw_icon_button(p, 10, true);
  EXPECT_EQ(p.calls().back(), "cell 2,2 from 180,0 18x18");
  p.reset();
  const int states[7] = {0, 1, 2, 2, 1, 0, 9};
  draw_lamps(p, 'E', states);
  EXPECT_EQ(p.calls(), (std::vector<std::string>{"ellipse 2,2 10x10 000000 00ffff",
                                                 "ellipse 12,2 10x10 000000 0000ff",
                                                 "ellipse 42,2 10x10 000000 0000ff",
                                                 "ellipse 52,2 10x10 000000 00ffff"}));
}

}  // namespace
}  // namespace vexa
