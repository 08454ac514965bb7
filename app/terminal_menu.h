#pragma once
// The entries of the terminal's own choices, as menu data with check marks that follow the
// choices; they end the Tools menu, in a submenu.
#include <vector>

#include "base/menu_table.h"
#include "base/messages.h"
#include "app/terminal_choices.h"

namespace vexa {

inline constexpr const char* kTerminalMenuKey = "VtMenuTerminal";

// The entries as a menu of their own (its title "Terminal").
Menu terminal_menu(const Messages& messages);
// Appends them, after a separator, to the Tools menu of the bar, as its submenu "Terminal".
void add_terminal_entries(std::vector<Menu>& bar, const Messages& messages);
// Sets the entries' check marks from the choices; true when one changed.
bool refresh_terminal_checks(std::vector<Menu>& bar, const TerminalChoices& choices);

}  // namespace vexa
