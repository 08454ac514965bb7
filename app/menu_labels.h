#pragma once
// Menu labels with access keys, marked the Windows and Qt way: '&' before the character that
// opens the entry from the keyboard (Alt and the character on the bar, the character alone in
// an open menu), a literal '&' doubled. Chosen per language from the texts as they are, so
// every language has its own keys and a translation never needs markup of its own.
#include <string>
#include <string_view>
#include <vector>

#include "base/menu_table.h"

namespace vexa {

// One label per text, the access keys unique among the texts regardless of letter case: a
// word's first letter where one is free, else another letter, else a digit (ASCII only, so
// every key can be typed on any keyboard). Texts compete fairly: a text takes a letter another
// text holds only when that one can move to another free character. Empty texts (separators)
// stay empty; a text left without a free character is only escaped.
std::vector<std::string> with_access_keys(const std::vector<std::string>& texts);

// The access key of a label in lower case, or 0 when it has none.
char access_key(std::string_view label);

// A label back to its text: single '&' removed, "&&" made '&'.
std::string without_access_key(std::string_view label);

// The labels of the bar's menu titles, unique along the bar.
std::vector<std::string> title_labels(const std::vector<Menu>& bar);
// The labels of one menu's entries, unique in that menu (a submenu's own entries are a menu of
// their own: their keys work while it is open).
std::vector<std::string> entry_labels(const std::vector<MenuEntry>& entries);

}  // namespace vexa
