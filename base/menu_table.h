#pragma once
// The main window's menu bar as data: menus with their entries (id, text, check mark), or a
// command standing on the bar itself. The front end builds its menus from this table.
#include <functional>
#include <string>
#include <vector>

#include "base/messages.h"

namespace vexa {

struct MenuEntry {
  int id = 0;            // 0: a separator, or an entry that opens a submenu
  std::string text;
  bool checkable = false;
  bool checked = false;
  // The key sequence that runs the entry, in Qt's portable form ("Ctrl+F"), shown beside it;
  // empty: none. Never a key the terminal sends to the board.
  std::string shortcut = {};
  // The entries of the submenu this entry opens; empty for a command.
  std::vector<MenuEntry> submenu = {};
  bool is_separator() const { return id == 0 && submenu.empty(); }
};

struct Menu {
  std::string key;       // message key of the title ("debug" for the debug menu)
  std::string title;
  int command = 0;       // a command on the bar itself (Clear, Stop); 0 for a drop-down menu
  std::vector<MenuEntry> entries;
};

struct MenuOptions {
  bool reduced_variant = false;  // `armcdt`
  bool debug = false;            // `debug`
  std::string log_file_name = "VexaTerm.log";
  std::string target_e, target_f, target_s;  // the Tools menu's three identity entries
  int log_mode = 0;              // which log entry carries the check mark
};

// The menu bar in its order; texts in the messages' language and product name.
std::vector<Menu> build_menu_bar(const MenuOptions& options, const Messages& messages);

// Every entry of the bar, submenus' entries included (after the entry that opens them).
void for_each_entry(std::vector<Menu>& bar, const std::function<void(MenuEntry&)>& visit);
void for_each_entry(const std::vector<Menu>& bar, const std::function<void(const MenuEntry&)>& visit);

// The menu and entry of an id, or null.
const MenuEntry* find_entry(const std::vector<Menu>& bar, int id);
const Menu* find_menu(const std::vector<Menu>& bar, const std::string& key);

// Sets the check marks that follow a state: the log mode entries, target/modem mode.
void check_exclusive(std::vector<Menu>& bar, std::initializer_list<int> group, int checked_id);

// The label of the maker's web address entry and the address it opens.
inline constexpr const char* kWebAddressText = "www.vexalog.example";
inline constexpr const char* kWebAddressUrl = "https://www.vexalog.example/";

}  // namespace vexa
