#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "base/command_ids.h"
#include "app/icon_strip.h"
#include "app/menu_labels.h"
#include "base/menu_table.h"
#include "support/recording_painter.h"
#include "app/terminal_command_ids.h"
#include "app/terminal_menu.h"
#include "download/download_menus.h"

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
  EXPECT_EQ(find_entry(bar, 607)->text, "VexaTerm.log löschen");
  const Menu* tools = find_menu(bar, "MenTools");
  ASSERT_NE(tools, nullptr);
  EXPECT_EQ(tools->entries[tools->entries.size() - 2].id, cmd::kVerbose);
  EXPECT_EQ(bar.back().key, "debug");

  bar = build_menu_bar(options(true), Messages("VexaLog", 'e'));
  EXPECT_EQ(find_menu(bar, "MenConf"), nullptr);
  EXPECT_EQ(find_entry(bar, 860), nullptr);

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
  EXPECT_EQ(with_access_keys({"ab", "a"}), (std::vector<std::string>{"a&b", "&a"}));
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
