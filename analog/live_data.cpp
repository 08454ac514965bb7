#include "analog/live_data.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
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
constexpr int kPollEveryTicks = 10;
constexpr std::size_t kNameChars = 20;

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

int history_slot(long long t) {
  return static_cast<int>(((t % kHistorySamples) + kHistorySamples) % kHistorySamples);
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
      if (new_minute) r.minutes[static_cast<std::size_t>(history_slot(minute))] = r.current;
      r.seconds[static_cast<std::size_t>(history_slot(t))] = r.current;
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
  return samples[static_cast<std::size_t>(history_slot(last + *index))];
}

std::optional<int> popup_index(int x, int width) {
  if (width < 10) return std::nullopt;
  const int i = (x * 119 + width / 2) / (width - 1) - 119;
  return std::clamp(i, -119, 0);
}

}  // namespace vexa
