#pragma once
// The "Terminal" menu of the terminal's own choices, as menu data with check marks that follow
// the choices.
#include <vector>

#include "app/menu_table.h"
#include "app/messages.h"
#include "app/terminal_choices.h"

namespace vexa {

inline constexpr const char* kTerminalMenuKey = "VtMenuTerminal";

Menu terminal_menu(const Messages& messages);
// Sets the menu's check marks from the choices; true when one changed.
bool refresh_terminal_checks(std::vector<Menu>& bar, const TerminalChoices& choices);

}  // namespace vexa
