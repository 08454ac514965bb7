#include "app/terminal_menu.h"

#include "app/terminal_command_ids.h"

namespace vexa {

namespace {

struct EntryRow {
  int id;  // 0: separator
  const char* key;
  bool checkable;
  const char* shortcut = "";
};

constexpr EntryRow kEntries[] = {
    {cmd::kTermHexView, "VtMenuHex", true},
    {cmd::kTermStamps, "VtMenuStamps", true},
    {cmd::kTermAnsi, "VtMenuAnsi", true},
    {0, nullptr, false},
    {cmd::kTermEnterCr, "VtMenuEnterCr", true},
    {cmd::kTermEnterLf, "VtMenuEnterLf", true},
    {cmd::kTermEnterCrLf, "VtMenuEnterCrLf", true},
    {cmd::kTermBackspaceBs, "VtMenuBs", true},
    {cmd::kTermBackspaceDel, "VtMenuDel", true},
    {cmd::kTermHistory, "VtMenuHistory", true},
    {0, nullptr, false},
    {cmd::kTermLineSettings, "VtMenuLine", false},
    {cmd::kTermBreak, "VtMenuBreak", false},
    {cmd::kTermDtr, "VtMenuDtr", true},
    {cmd::kTermRts, "VtMenuRts", true},
    {0, nullptr, false},
    {cmd::kTermSendHex, "VtMenuSendHex", false},
    {cmd::kTermSendFile, "VtMenuSendFile", false},
    {cmd::kTermFind, "VtMenuFind", false, "Ctrl+F"},  // the terminal hands Ctrl-F to Find
    {cmd::kTermSaveText, "VtMenuSaveText", false},
};

}  // namespace

Menu terminal_menu(const Messages& messages) {
  Menu menu;
  menu.key = kTerminalMenuKey;
  menu.title = messages.message(kTerminalMenuKey);
  for (const auto& row : kEntries) {
    MenuEntry entry;
    entry.id = row.id;
    if (row.key) entry.text = messages.message(row.key);
    entry.checkable = row.checkable;
    entry.shortcut = row.shortcut;
    menu.entries.push_back(std::move(entry));
  }
  return menu;
}

void add_terminal_entries(std::vector<Menu>& bar, const Messages& messages) {
  for (Menu& menu : bar) {
    if (menu.key != "MenTools") continue;
    if (!menu.entries.empty() && !menu.entries.back().is_separator()) menu.entries.push_back(MenuEntry{});
    // A submenu of their own: the Tools menu would otherwise hold more entries than there are
    // letters to open them with.
    Menu terminal = terminal_menu(messages);
    MenuEntry entry;
    entry.text = terminal.title;
    entry.submenu = std::move(terminal.entries);
    menu.entries.push_back(std::move(entry));
    return;
  }
}

bool refresh_terminal_checks(std::vector<Menu>& bar, const TerminalChoices& choices) {
  bool changed = false;
  for_each_entry(bar, [&](MenuEntry& entry) {
    if (!entry.checkable || entry.id < cmd::kTermFirst || entry.id > cmd::kTermLast) return;
    const bool checked = choices.checked(entry.id);
    changed = changed || checked != entry.checked;
    entry.checked = checked;
  });
  return changed;
}

}  // namespace vexa
