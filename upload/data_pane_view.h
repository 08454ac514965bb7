#pragma once
// The data pane's two pictures of the display ring: the newest lines as text, or each value
// column as a chart running leftwards from the right edge.
#include <vector>

#include "app/painter.h"
#include "upload/display_ring.h"

namespace vexa {

inline constexpr int kTextRowHeight = 16;
// The colours of value columns 0..9.
inline constexpr Colour kColumnColours[kRingValues] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF,
                                                       0xFFFF00, 0xFF00FF, 0xC0C0C0, 0x000080,
                                                       0x008000, 0x800000};

// entries newest first, as DisplayRing::newest_first gives them; width x height the pane.
void paint_text_view(Painter& p, const std::vector<RingEntry>& entries, int width, int height);
void paint_graphic_view(Painter& p, const std::vector<RingEntry>& entries, int width, int height);

}  // namespace vexa
