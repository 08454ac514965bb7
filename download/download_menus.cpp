#include "download/download_menus.h"

#include <algorithm>

#include "download/line_sender.h"

namespace vexa {

void apply_recent_items(std::vector<Menu>& bar, const std::vector<RecentMenuItem>& items) {
  for (const RecentMenuItem& item : items) {
    for (Menu& menu : bar) {
      auto& entries = menu.entries;
      auto has = [&](int id) {
        return std::find_if(entries.begin(), entries.end(), [id](const MenuEntry& e) { return e.id == id; });
      };
      auto existing = has(item.id);
      if (existing != entries.end()) {
        existing->text = item.text;
        break;
      }
      auto before = has(item.insert_before);
      if (before == entries.end()) continue;
      entries.insert(before, MenuEntry{item.id, item.text, false, false});
      break;
    }
  }
}

void add_line_sender_entries(std::vector<Menu>& bar) {
  for (Menu& menu : bar) {
    if (menu.key != "debug") continue;
    for (const MenuEntry& e : menu.entries)
      if (e.id == kLineSenderMenu.front().id) return;
    menu.entries.push_back(MenuEntry{});
    for (const auto& entry : kLineSenderMenu) menu.entries.push_back(MenuEntry{entry.id, entry.text, false, false});
    return;
  }
}

}  // namespace vexa
