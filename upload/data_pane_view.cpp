#include "upload/data_pane_view.h"

#include <algorithm>

#include "terminal/cp1252.h"

namespace vexa {

void paint_text_view(Painter& p, const std::vector<RingEntry>& entries, int width, int height) {
  (void)width;
  int y = height - 19;
  for (const RingEntry& entry : entries) {
    if (y <= 0 || !entry.used) break;
    p.text(2, y, kBlack, cp1252_to_utf8(entry.text));  // the board writes Windows-1252
    y -= kTextRowHeight;
  }
}

void paint_graphic_view(Painter& p, const std::vector<RingEntry>& entries, int width, int height) {
  float low[kRingValues], high[kRingValues];
  bool seen[kRingValues] = {};
  int total = 0;
  for (const RingEntry& entry : entries) {
    if (!entry.used) break;
    total += entry.value_count;
    for (int k = 0; k < entry.value_count; ++k) {
      const float v = entry.values[k];
      if (!seen[k]) {
        low[k] = high[k] = v;
        seen[k] = true;
      }
      low[k] = std::min(low[k], v);
      high[k] = std::max(high[k], v);
    }
  }
  const int step = total > 200 ? 1 : 2;
  const int span = height - step;
  int x = width - step;
  for (const RingEntry& entry : entries) {
    if (x < 0 || !entry.used) break;
    for (int k = 0; k < entry.value_count; ++k) {
      int y;
      if (high[k] > low[k])
        y = static_cast<int>((static_cast<double>(entry.values[k]) - low[k]) * span /
                             (static_cast<double>(high[k]) - low[k]));  // double: far values do not overflow
      else
        y = span * k / 10;
      // A pen as wide as the step: one pixel row per unit of width.
      for (int row = 0; row < step; ++row)
        p.line(x, span - y + row, x + step, span - y + row, kColumnColours[k]);
    }
    x -= step;
  }
}

}  // namespace vexa
