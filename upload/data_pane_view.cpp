#include "upload/data_pane_view.h"

#include <algorithm>
#include <cmath>

#include "base/text_format.h"
#include "base/cp1252.h"
#include "upload/line_prefix.h"

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

namespace {

constexpr Colour kGridColour = 0xE0E0E0;
constexpr int kTick = 4;

// Ticks of lo..hi at a 1, 2 or 5 times a power of ten step, about count of them (a few more
// rather than far fewer).
std::vector<double> value_ticks(double lo, double hi, int count, double* step_out) {
  const double raw = (hi - lo) / std::max(1, count);
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  double step = power;
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * power >= raw * 0.75) {
      step = m * power;
      break;
    }
  *step_out = step;
  std::vector<double> ticks;
  const double first = std::ceil(lo / step) * step;
  for (int k = 0; k <= 1000; ++k) {  // counted: adding a step to a huge value may not move it
    const double v = first + k * step;
    if (v > hi + step * 1e-9) break;
    ticks.push_back(std::fabs(v) < step * 1e-9 ? 0.0 : v);
  }
  return ticks;
}

std::string tick_text(double v, double step, double largest) {
  if (largest >= 1e7) return format_text("%.4g", v);
  const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 6);
  return format_text("%.*f", decimals, v);
}

// The time of day of a stamped line ("12:00:00"), the number of a numbered one ("017").
std::string x_label(const RingEntry& entry) {
  const std::string_view text = entry.text;
  if (const std::size_t stamp = time_stamp_length(text); stamp > 0) {
    std::string_view clock = text.substr(0, stamp - 1);
    const std::size_t blank = clock.find_first_of(" \t");
    return std::string(blank == std::string_view::npos ? clock : clock.substr(blank + 1));
  }
  if (const std::size_t number = number_prefix_length(text); number > 2) return std::string(text.substr(0, number - 2));
  return {};
}

}  // namespace

void paint_graphic_view(Painter& p, const std::vector<RingEntry>& entries, int width, int height,
                        const GraphTexts& texts) {
  double lo = 0, hi = 0;
  bool seen = false;
  int total = 0, columns = 0;
  for (const RingEntry& entry : entries) {
    if (!entry.used) break;
    total += entry.value_count;
    columns = std::max(columns, entry.value_count);
    for (int k = 0; k < entry.value_count; ++k) {
      const double v = entry.values[static_cast<std::size_t>(k)];
      lo = seen ? std::min(lo, v) : v;
      hi = seen ? std::max(hi, v) : v;
      seen = true;
    }
  }
  if (!seen) return;
  if (!(hi > lo)) {  // one flat value: it sits in the middle of a range of 2
    lo -= 1;
    hi += 1;
  }
  const int th = std::max(1, p.text_height());

  // Legend: a colour swatch and the column's name, in rows as the width allows.
  int lx = 2, ly = 1;
  for (int k = 0; k < columns; ++k) {
    const std::string name = format_message(texts.series, {k + 1});
    const int item = 14 + p.text_width(name);
    if (lx > 2 && lx + item > width - 2) {
      lx = 2;
      ly += th;
    }
    p.fill(lx, ly + th / 2 - 3, 10, 6, kColumnColours[k]);
    p.text(lx + 14, ly, kBlack, name);
    lx += item + 12;
  }
  const int legend_bottom = ly + th + 2;

  const int step = total > 200 ? 1 : 2;
  const int top = legend_bottom + th + th / 2;  // the y axis's name, then half a label
  const int bottom = height - th - kTick - 3;    // the x labels under the axis
  const int span = bottom - top - step;
  if (span < 2) return;
  double tick_step = 1;
  const std::vector<double> ticks = value_ticks(lo, hi, std::max(1, span / (2 * th)), &tick_step);
  const double largest = std::max(std::fabs(lo), std::fabs(hi));
  int label_width = p.text_width(texts.time);
  for (double v : ticks) label_width = std::max(label_width, p.text_width(tick_text(v, tick_step, largest)));
  const int left = label_width + kTick + 4;
  const int right = width - 2;
  if (right - left < 2 * step) return;
  auto y_of = [&](double v) { return bottom - step - static_cast<int>((v - lo) * span / (hi - lo)); };

  // Axes: the value scale on the left, with its name above it.
  p.text(2, legend_bottom, kBlack, texts.value);
  for (double v : ticks) {
    const int y = y_of(v) + step / 2;
    p.line(left, y, right, y, kGridColour);
    p.line(left - kTick - 1, y, left - 1, y, kBlack);
    const std::string text = tick_text(v, tick_step, largest);
    p.text(left - kTick - 3 - p.text_width(text), y - th / 2, kBlack, text);
  }
  p.line(left - 1, top, left - 1, bottom + 1, kBlack);
  p.line(left - 1, bottom, right, bottom, kBlack);
  p.text(2, bottom + kTick + 2, kBlack, texts.time);

  // Time along the bottom: the newest line at the right; a tick and its label wherever the label
  // fits left of the one before.
  int free_right = width + 4;  // labels go leftwards: the left edge of the last one drawn
  int x = right - step;
  for (std::size_t i = 0; i < entries.size(); ++i, x -= step) {
    const RingEntry& entry = entries[i];
    if (x < left || !entry.used) break;
    for (int k = 0; k < entry.value_count; ++k) {
      const int y = y_of(entry.values[static_cast<std::size_t>(k)]);
      // A pen as wide as the step: one pixel row per unit of width.
      for (int row = 0; row < step; ++row) p.line(x, y + row, x + step, y + row, kColumnColours[k]);
    }
    const std::string label = x_label(entry);
    if (label.empty()) continue;
    const int centre = x + step / 2;
    const int label_left = std::min(centre - p.text_width(label) / 2, right - p.text_width(label));
    if (label_left + p.text_width(label) + 4 > free_right || label_left <= left - kTick) continue;
    p.line(centre, bottom, centre, bottom + kTick, kBlack);
    p.text(label_left, bottom + kTick + 2, kBlack, label);
    free_right = label_left;
  }
}

}  // namespace vexa
