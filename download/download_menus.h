#pragma once
// What the download subsystem puts into the menu bar table: the recent firmware items of the
// Tools menu and the line sender's entries of the debug menu. Window thread only.
#include <vector>

#include "base/menu_table.h"
#include "download/firmware_selection.h"

namespace vexa {

// Each item that the menu lacks is inserted before its insert_before item (705 before 702,
// 706 before 705); every item's text is set. Items of an absent menu entry are left out.
void apply_recent_items(std::vector<Menu>& bar, const std::vector<RecentMenuItem>& items);

// A separator and the five line sender entries at the end of the debug menu (nothing when
// the bar has no debug menu or already has them).
void add_line_sender_entries(std::vector<Menu>& bar);

}  // namespace vexa
