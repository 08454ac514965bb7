#include "analog/live_data.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "analog/analog_conversions.h"
#include "analog/analog_expression.h"
#include "analog/c_number.h"
#include "base/text_format.h"
#include "config/configuration.h"
#include "link/board_channel.h"
#include "platform/clock.h"

namespace vexa {

namespace {

constexpr Colour rgb(int r, int g, int b) {
  return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}
constexpr Colour kGridColour = rgb(128, 128, 0);
constexpr int kPollEveryTicks = 10;
constexpr std::size_t kNameChars = 20;

int slot_of(long long t) { return static_cast<int>(((t % kHistorySamples) + kHistorySamples) % kHistorySamples); }

// A finite float, or nothing (NaN, infinity and values beyond the float range are refused).
std::optional<float> finite_float(double value) {
  if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) return std::nullopt;
  return static_cast<float>(value);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

const std::array<Colour, 16> kLivePalette = {
    rgb(255, 0, 0),   rgb(0, 255, 0),   rgb(0, 0, 255),     rgb(255, 255, 0), rgb(0, 255, 255), rgb(255, 0, 255),
    rgb(192, 192, 192), rgb(128, 0, 0), rgb(0, 128, 0),     rgb(0, 0, 128),   rgb(128, 128, 0), rgb(0, 128, 128),
    rgb(128, 0, 128), rgb(128, 128, 128), rgb(0, 0, 0),     rgb(255, 128, 64)};

LiveScaling live_scaling(std::string_view value) {
  const AnalogExpression e = parse_analog_expression(value);
  const AnalogScaling& s = e.scaling;
  if (s == AnalogScaling{}) return {};
  const double divisor = std::pow(10.0, s.decimals);
  const double m = s.real_multiplier == 0 ? 1.0 : static_cast<double>(s.real_multiplier);
  return {m / divisor, s.int_offset / divisor};
}

double millivolts_per_count(BoardClass board_class) { return raw_to_millivolts(1.0, board_class); }

void convert_record(LiveRecord& r, DisplayMode from, DisplayMode to, BoardClass cls, const LiveScaling& scaling) {
  if (from == to) return;
  const double mv = millivolts_per_count(cls);
  const double m = scaling.multiplier == 0 ? 1.0 : scaling.multiplier;
  bool clear = false;
  auto to_counts = [&](float x) -> double {
    if (from == DisplayMode::real) return (x - scaling.offset) / m;
    if (from == DisplayMode::millivolts) return x / mv;
    return x;
  };
  auto from_counts = [&](double x) -> float {
    if (to == DisplayMode::real) return narrow_to_float(x * m + scaling.offset);
    if (to == DisplayMode::millivolts) return narrow_to_float(x * mv);
    return narrow_to_float(x);
  };
  clear = from == DisplayMode::real || to == DisplayMode::real;
  for (float* x : {&r.min, &r.max, &r.value, &r.current}) *x = from_counts(to_counts(*x));
  if (clear) {
    r.seconds.fill(0);
    r.minutes.fill(0);
  } else {
    // A zero sample stays zero: both factors keep 0 at 0.
    for (float& x : r.seconds) x = from_counts(to_counts(x));
    for (float& x : r.minutes) x = from_counts(to_counts(x));
  }
}

std::string live_display_name(int n, std::string_view name_text, std::string_view expression_value) {
  std::string name(name_text);
  if (name.empty()) name = parse_analog_expression(expression_value).name;
  name = limited(name, kNameChars);
  const std::size_t cut = name.find_first_of(" ,;\x7f");
  if (cut != std::string::npos) name.resize(cut);
  if (name.empty()) return format_text("a%d", n);
  return name;
}

LiveData::LiveData(Configuration& configuration, BoardIdentity& identity, BoardChannel& channel,
                   std::function<bool()> link_open, const Clock& clock)
    : configuration_(configuration),
      identity_(identity),
      channel_(channel),
      link_open_(std::move(link_open)),
      clock_(clock) {
  reset_all();
}

BoardClass LiveData::board_class() const { return vexa::board_class(identity_.type_letter()); }

void LiveData::on_bar_line(std::string_view line) {
  const DisplayMode mode = shared_mode_.load();
  const char letter = identity_.type_letter();
  const BoardClass cls = vexa::board_class(letter);
  std::size_t from = 0;
  while (true) {
    const std::size_t colon = line.find(':', from);
    if (colon == std::string_view::npos) return;
    std::size_t digits = 0;
    while (digits < 2 && colon > digits && is_digit(line[colon - 1 - digits])) ++digits;
    if (digits == 0 || colon < digits + 1 || line[colon - 1 - digits] != 'a') return;
    const int n = static_cast<int>(peek_integer(line, colon - digits));
    if (n < 0 || n >= static_cast<int>(kLiveInputs)) return;
    std::size_t position = colon + 1;
    const ReadNumber<double> count = read_real(line, position);
    std::optional<float> value;
    if (mode == DisplayMode::real) {
      const std::size_t next_colon = line.find(':', colon + 1);
      const std::string_view span = line.substr(colon + 1, next_colon == std::string_view::npos
                                                               ? std::string_view::npos
                                                               : next_colon - colon - 1);
      std::size_t mark = span.find('=');
      if (mark == std::string_view::npos && letter == 'E' && line.find('=') == std::string_view::npos)
        mark = span.find('/');
      if (mark != std::string_view::npos) {
        std::size_t at = mark + 1;
        const ReadNumber<double> real = read_real(span, at);
        if (real.consumed) value = finite_float(real.value);
      } else {
        value = finite_float(count.value);
      }
    } else if (mode == DisplayMode::millivolts) {
      value = finite_float(raw_to_millivolts(count.value, cls));
    } else {
      value = finite_float(count.value);
    }
    if (value) {
      if (*value == 0) *value = kZeroSample;
      std::lock_guard lock(mutex_);
      records_[static_cast<std::size_t>(n)].value = *value;
      records_[static_cast<std::size_t>(n)].current = *value;
      dirty_.set(static_cast<std::size_t>(n));
    }
    from = colon + 1;
  }
}

void LiveData::target_changed(const BoardIdentityData&) { new_board_ = true; }

void LiveData::parameter_changed(std::string_view key) {
  if (key.size() < 2 || key[0] != 'a' || !is_digit(key[1])) return;
  std::size_t position = 1;
  const auto n = read_unsigned(key, position);
  if (position != key.size() || n.value >= kLiveInputs) return;
  std::lock_guard lock(mutex_);
  reset_requests_.set(n.value);
}

void LiveData::take_requests() {
  if (new_board_.exchange(false)) new_board();
  std::bitset<kLiveInputs> resets;
  {
    std::lock_guard lock(mutex_);
    resets = reset_requests_;
    reset_requests_.reset();
  }
  if (mode_ != DisplayMode::real || resets.none()) return;
  for (std::size_t n = 0; n < kLiveInputs; ++n)
    if (resets.test(n)) reset_record(static_cast<int>(n));
}

void LiveData::on_bar_tick(bool view_visible, bool listen) {
  take_requests();
  ++ticks_;
  if (!view_visible || !listen || ticks_ <= kPollEveryTicks) return;
  if (!link_open_ || !link_open_()) return;
  channel_.send_line(board_class() == BoardClass::s ? "a 5,200" : "a 2");
  ++polls_;
  ticks_ = 0;
}

bool LiveData::tick_second() {
  take_requests();
  const long long t = static_cast<long long>(clock_.epoch_now());
  if (t == last_second_) return false;
  const long long minute = t / 60;
  const bool new_minute = minute != last_minute_;
  {
    std::lock_guard lock(mutex_);
    for (LiveRecord& r : records_) {
      if (new_minute) r.minutes[static_cast<std::size_t>(slot_of(minute))] = r.current;
      r.seconds[static_cast<std::size_t>(slot_of(t))] = r.current;
      r.current = 0;
    }
  }
  last_second_ = t;
  last_minute_ = minute;
  return view_ == HistoryView::seconds || new_minute;
}

LiveScaling LiveData::scaling_of(int n) const {
  const auto value = configuration_.parameter_value(format_text("a%d", n));
  return value ? live_scaling(*value) : LiveScaling{};
}

void LiveData::reset_locked(LiveRecord& r, int n, BoardClass cls) {
  r.min = r.value = cls == BoardClass::s ? -600000.0f : 0.0f;
  r.max = static_cast<float>(adc_constants(cls).full_scale);
  r.current = 0;
  r.seconds.fill(0);
  r.minutes.fill(0);
  r.colour = kLivePalette[static_cast<std::size_t>(n) % kLivePalette.size()];
}

void LiveData::reset_record(int n) {
  if (n < 0 || n >= static_cast<int>(kLiveInputs)) return;
  const BoardClass cls = board_class();
  const LiveScaling scaling = mode_ == DisplayMode::real ? scaling_of(n) : LiveScaling{};
  std::lock_guard lock(mutex_);
  LiveRecord& r = records_[static_cast<std::size_t>(n)];
  reset_locked(r, n, cls);
  convert_record(r, DisplayMode::raw, mode_, cls, scaling);
  dirty_.set(static_cast<std::size_t>(n));
}

void LiveData::reset_all() {
  for (int n = 0; n < static_cast<int>(kLiveInputs); ++n) reset_record(n);
}

void LiveData::new_board() {
  if (mode_ == DisplayMode::real) set_mode(DisplayMode::millivolts);
  reset_all();
}

void LiveData::set_mode(DisplayMode mode) {
  if (mode == mode_) return;
  const BoardClass cls = board_class();
  std::array<LiveScaling, kLiveInputs> scalings{};
  if (mode == DisplayMode::real || mode_ == DisplayMode::real)
    for (int n = 0; n < static_cast<int>(kLiveInputs); ++n) scalings[static_cast<std::size_t>(n)] = scaling_of(n);
  std::lock_guard lock(mutex_);
  for (std::size_t n = 0; n < kLiveInputs; ++n) {
    convert_record(records_[n], mode_, mode, cls, scalings[n]);
    records_[n].colour = kLivePalette[n % kLivePalette.size()];
  }
  dirty_.set();
  mode_ = mode;
  shared_mode_ = mode;
}

void LiveData::set_min(int n, float value) {
  if (n < 0 || n >= static_cast<int>(kLiveInputs) || !std::isfinite(value)) return;
  std::lock_guard lock(mutex_);
  records_[static_cast<std::size_t>(n)].min = value;
}

void LiveData::set_max(int n, float value) {
  if (n < 0 || n >= static_cast<int>(kLiveInputs) || !std::isfinite(value)) return;
  std::lock_guard lock(mutex_);
  records_[static_cast<std::size_t>(n)].max = value;
}

void LiveData::set_colour(int n, Colour colour) {
  if (n < 0 || n >= static_cast<int>(kLiveInputs)) return;
  std::lock_guard lock(mutex_);
  records_[static_cast<std::size_t>(n)].colour = colour;
}

LiveRecord LiveData::record(int n) const {
  if (n < 0 || n >= static_cast<int>(kLiveInputs)) return {};
  std::lock_guard lock(mutex_);
  return records_[static_cast<std::size_t>(n)];
}

std::bitset<kLiveInputs> LiveData::take_dirty() {
  std::lock_guard lock(mutex_);
  const std::bitset<kLiveInputs> out = dirty_;
  dirty_.reset();
  return out;
}

std::optional<float> LiveData::sample_at(int n, int x, int width) const {
  const auto index = popup_index(x, width);
  if (!index || view_ == HistoryView::bar) return std::nullopt;
  const long long last = view_ == HistoryView::minutes ? last_minute_ : last_second_;
  if (last < 0) return std::nullopt;
  const LiveRecord r = record(n);
  const auto& samples = view_ == HistoryView::minutes ? r.minutes : r.seconds;
  return samples[static_cast<std::size_t>(slot_of(last + *index))];
}

// --- drawing ---

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

}  // namespace

void draw_horizontal_scale(Painter& p, int w, int h, double min, double max, const TextWidth& width) {
  const int span = w - 40;
  const std::string max_text = scale_text(max, min, max, 10);
  const int label = width(max_text) + 2;
  int free_from = -100000;
  draw_axis(p, min, max, span, label, [&](double v, bool major) {
    const int x = 20 + static_cast<int>((v - min) / (max - min) * span);
    p.line(x, 0, x, major ? 4 : 2, kBlack);
    if (!major) return;
    const std::string text = scale_text(v, min, max, std::max(1, span / label));
    const int tw = width(text);
    const int left = x - tw / 2;
    if (left < free_from || left < 0 || left + tw > w) return;
    p.text(left, 4, kBlack, text);
    free_from = left + tw + 2;
    (void)h;
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
    if (slot_of(last + i) % 10 == 0) p.line(x_of(i), 0, x_of(i), h, kGridColour);
  auto y_of = [&](float s) {
    const double y = h * (r.max - s) / range;
    return static_cast<int>(std::clamp(y, -1.0 * h, 2.0 * h));
  };
  bool have = false;
  int px = 0, py = 0;
  for (int i = -119; i <= 0; ++i) {
    const float s = samples[static_cast<std::size_t>(slot_of(last + i))];
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
    const int tw = width(text);
    const int left = x - tw / 2;
    if (left < free_from || left < 0 || left + tw > w) continue;
    p.text(left, 5, kBlack, text);
    free_from = left + tw + 2;
    (void)h;
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

std::optional<int> popup_index(int x, int width) {
  if (width < 10) return std::nullopt;
  const int i = (x * 119 + width / 2) / (width - 1) - 119;
  return std::clamp(i, -119, 0);
}

}  // namespace vexa
