#pragma once
// The data pane's two pictures of the display ring: the newest lines as text, or the value
// columns as a chart running leftwards from the right edge, with axes and a legend.
#include <string>
#include <vector>

#include "base/painter.h"
#include "upload/display_ring.h"

namespace vexa {

inline constexpr int kTextRowHeight = 16;
// The colours of value columns 0..9.
inline constexpr Colour kColumnColours[kRingValues] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF,
                                                       0xFFFF00, 0xFF00FF, 0xC0C0C0, 0x000080,
                                                       0x008000, 0x800000};

// The chart's words in the user's language.
struct GraphTexts {
  std::string time;    // the x axis
  std::string value;   // the y axis: the lines carry no unit
  std::string series;  // a legend entry, "%d" the column's number from 1
};

// entries newest first, as DisplayRing::newest_first gives them; width x height the pane.
void paint_text_view(Painter& p, const std::vector<RingEntry>& entries, int width, int height);
// All columns on one value scale, so that the y axis's numbers hold for every line: the legend
// on top names each column in its colour, the y axis on the left carries ticks with numbers,
// the x axis below the times (or line numbers) of the lines at its ticks, oldest on the left.
void paint_graphic_view(Painter& p, const std::vector<RingEntry>& entries, int width, int height,
                        const GraphTexts& texts);

}  // namespace vexa
