#include "analog/live_drawing.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <optional>

#include "base/text_format.h"

namespace vexa {

namespace {

constexpr Colour kGridColour = 0x008080;  // red 128, green 128, blue 0

}  // namespace

int scale_decimals(double min, double max, double parts) {
  const double step = parts > 0 ? std::fabs(max - min) / parts : 0;
  if (step >= 2) return 0;
  if (step >= 0.2) return 1;
  if (step >= 0.02) return 2;
  if (step >= 0.002) return 3;
  if (step >= 0.0002) return 4;
  return 6;  // as "%f"
}

std::string scale_text(double value, double min, double max, double parts) {
  return format_text_limited(60, "%.*f", scale_decimals(min, max, parts), value);
}

std::string fitted_value_text(double value, int max_decimals, int room, const TextWidth& width) {
  for (int decimals = std::clamp(max_decimals, 0, 6); decimals >= 0; --decimals) {
    const std::string text = format_text("%.*f", decimals, value);
    if (width(text) <= room) return text;
  }
  return std::string(kValueOverflow);
}

double nice_step(double x, bool upward) {
  if (!(x > 0) || !std::isfinite(x)) return 1;
  static constexpr double kMantissas[] = {1, 2, 5};
  const int exponent = static_cast<int>(std::floor(std::log10(x))) - 1;
  double best = 0;
  for (int e = exponent; e <= exponent + 2; ++e) {
    for (double m : kMantissas) {
      const double c = m * std::pow(10.0, e);
      if (upward) {
        const bool fits = x < 1 ? c > x * (1 + 1e-12) : c >= x * (1 - 1e-12);
        if (fits && (best == 0 || c < best)) best = c;
      } else {
        const bool fits = x < 1 ? c <= x * (1 + 1e-12) : c < x * (1 - 1e-12);
        if (fits && c > best) best = c;
      }
    }
  }
  return best > 0 ? best : x;
}

void draw_colour_button(Painter& p, int w, int h, Colour colour) { p.fill(0, 0, w, h, colour); }

void draw_horizontal_bar(Painter& p, int w, int h, const LiveRecord& r) {
  if (r.max == r.min || w <= 0) return;
  double part = (static_cast<double>(r.value) - r.min) / (static_cast<double>(r.max) - r.min);
  part = std::clamp(part, 0.0, 1.0);
  const int length = static_cast<int>(part * w);
  if (length > 0) p.fill(0, 0, length, h, r.colour);
  const std::string text = scale_text(r.value, r.min, r.max, 100);
  p.text(w / 2 - static_cast<int>(text.size()) * 3, (h - 14) / 2, kBlack, text);
}

void draw_vertical_bar(Painter& p, int w, int h, const LiveRecord& r) {
  if (r.max == r.min || h <= 0) return;
  double part = (static_cast<double>(r.max) - r.value) / (static_cast<double>(r.max) - r.min);
  part = std::clamp(part, 0.0, 1.0);
  const int top = static_cast<int>(part * h);
  if (h - top > 0) p.fill(0, top, w, h - top, r.colour);
}

namespace {

// Ticks and labels along one axis: positions from offset to offset + span for min..max.
template <class Place>
void draw_axis(Painter& p, double min, double max, int span, int label_size, Place place) {
  if (!(max > min) || span <= 0 || !std::isfinite(max - min)) return;
  const double range = max - min;
  const int count = std::max(1, span / std::max(1, label_size));
  const double major = nice_step(range / count, true);
  const double minor = nice_step(range / (count + 1), false);
  if (range / minor > 4000 || range / major > 4000) return;
  // Counted steps: adding a step to a huge value may not move it.
  const double first_minor = std::ceil(min / minor) * minor;
  for (int k = 0; k <= 4001; ++k) {
    const double v = first_minor + k * minor;
    if (v > max) break;
    place(v, false);
  }
  const double first_major = std::ceil(min / major) * major;
  for (int k = 0; k <= 4001; ++k) {
    const double v = first_major + k * major;
    if (v > max + major * 1e-9) break;
    place(v, true);
  }
  (void)p;
}

// A label tw wide centred on x, at y of a strip w wide: left out when it would leave the strip
// or overlap the last label drawn, which ends before free_from.
void place_label(Painter& p, int x, int y, int w, const std::string& text, int tw, int& free_from) {
  const int left = x - tw / 2;
  if (left < free_from || left < 0 || left + tw > w) return;
  p.text(left, y, kBlack, text);
  free_from = left + tw + 2;
}

}  // namespace

void draw_horizontal_scale(Painter& p, int w, int h, double min, double max, const TextWidth& width) {
  (void)h;
  const int span = w - 40;
  const std::string max_text = scale_text(max, min, max, 10);
  const int label = width(max_text) + 2;
  int free_from = -100000;
  draw_axis(p, min, max, span, label, [&](double v, bool major) {
    const int x = 20 + static_cast<int>((v - min) / (max - min) * span);
    p.line(x, 0, x, major ? 4 : 2, kBlack);
    if (!major) return;
    const std::string text = scale_text(v, min, max, std::max(1, span / label));
    place_label(p, x, 4, w, text, width(text), free_from);
  });
}

void draw_vertical_scale(Painter& p, int w, int h, double min, double max, int text_height, const TextWidth& width) {
  const int span = h - 4;
  int taken_top = 0, taken_bottom = 0;  // the last label drawn (labels go upward)
  draw_axis(p, min, max, span, text_height, [&](double v, bool major) {
    const int y = 2 + static_cast<int>((max - v) / (max - min) * span);
    p.line(w - (major ? 4 : 2), y, w, y, kBlack);
    if (!major) return;
    const std::string text = scale_text(v, min, max, std::max(1, span / std::max(1, text_height)));
    const int top = std::clamp(y - text_height / 2, 0, std::max(0, h - text_height));
    if (taken_bottom > taken_top && top < taken_bottom && top + text_height > taken_top) return;
    p.text(std::max(0, w - 6 - width(text)), top, kBlack, text);
    taken_top = top;
    taken_bottom = top + text_height;
  });
}

void draw_history(Painter& p, int w, int h, const LiveRecord& r, const std::array<float, kHistorySamples>& samples,
                  long long last, int text_height) {
  if (w <= 1 || h <= 0) return;
  p.fill(0, 0, w, h, kBlack);
  if (r.max == r.min || !std::isfinite(r.max - r.min)) return;
  const double range = static_cast<double>(r.max) - r.min;
  const int lines = text_height > 0 ? h / text_height : 0;
  if (lines > 0) {
    // Whole steps only: a range narrower than the rows of text gets no grid lines at all.
    const double step = std::trunc(nice_step(std::fabs(range) / lines, true));
    const double low = std::min(r.min, r.max), high = std::max(r.min, r.max);
    if (step > 0 && (high - low) / step < 1000) {
      const double first = std::floor(low / step) * step;
      for (int k = 0; k <= 1001; ++k) {
        const double v = first + k * step;
        if (v > high) break;
        const int y = static_cast<int>(h * (r.max - v) / range);
        if (y >= 0 && y < h) p.line(0, y, w, y, kGridColour);
      }
    }
  }
  auto x_of = [&](int i) { return (w - 1) * (i + 119) / 119; };
  for (int i = -119; i <= 0; ++i)
    if (history_slot(last + i) % 10 == 0) p.line(x_of(i), 0, x_of(i), h, kGridColour);
  auto y_of = [&](float s) {
    const double y = h * (r.max - s) / range;
    return static_cast<int>(std::clamp(y, -1.0 * h, 2.0 * h));
  };
  bool have = false;
  int px = 0, py = 0;
  for (int i = -119; i <= 0; ++i) {
    const float s = samples[static_cast<std::size_t>(history_slot(last + i))];
    if (s == 0 || !std::isfinite(s)) {
      have = false;
      continue;
    }
    const int x = x_of(i), y = y_of(s);
    if (have) p.line(px, py, x, y, r.colour);
    else p.line(x, y, x, y + 1, r.colour);
    px = x;
    py = y;
    have = true;
  }
}

void draw_time_axis(Painter& p, int w, int h, HistoryView view, long long last, const TextWidth& width) {
  (void)h;
  if (view == HistoryView::bar || w <= 41) return;
  const int span = w - 40 - 1;
  const int label = std::max(1, width("00:00") + 4);
  const int fit = span * 60 / 119 / label;  // labels that fit in 60 positions
  const int every = fit < 12 ? 60 : fit < 30 ? 30 : 10;
  int free_from = -100000;
  for (int i = -119; i <= 0; ++i) {
    const long long t = last + i;
    if (t < 0 || t % every != 0) continue;
    const int x = 20 + span * (i + 119) / 119;
    std::string text;
    if (view == HistoryView::seconds) {
      if (t % 60 == 0) {
        const std::time_t at = static_cast<std::time_t>(t);
        std::tm local{};
        localtime_r(&at, &local);
        text = format_text("%02d:%02d", local.tm_hour, local.tm_min);
      } else {
        text = format_text("%02d", static_cast<int>(t % 60));
      }
    } else {
      if (t % 60 == 0) {
        const std::time_t at = static_cast<std::time_t>(t * 60);
        std::tm local{};
        localtime_r(&at, &local);
        text = format_text("%02d:00", local.tm_hour);
      } else {
        text = format_text("%02d", static_cast<int>(t % 60));
      }
    }
    p.line(x, 0, x, 5, kBlack);
    place_label(p, x, 5, w, text, width(text), free_from);
  }
}

std::string popup_text(float sample) {
  std::string text = format_text("%f", static_cast<double>(sample));
  if (text.find('.') != std::string::npos) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  return text;
}

}  // namespace vexa
