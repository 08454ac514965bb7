#include "factory/factory_test.h"

#include <charconv>
#include <climits>
#include <cmath>

#include "base/command_ids.h"
#include "base/text_format.h"
#include "config/time_command.h"

namespace vexa {

namespace {

constexpr std::uint32_t kAllChannels = 0xFFFF;
constexpr int kChannelCount = 16;
constexpr int kClockToleranceSeconds = 2;
constexpr std::size_t kMaxChecks = 256;

// The text from position at on, or from the start when at lies before it (a line too short
// for its rule is read from its beginning).
std::string_view from(std::string_view line, std::size_t at, std::size_t back) {
  return line.substr(at >= back ? at - back : 0);
}

// atoi of a board value: a number beyond int saturates.
int as_int(long value) {
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

int integer_at(std::string_view text) { return as_int(leading_integer(text)); }

// atof of a board value: blanks, then a number; 0 when there is none, infinite when too big.
double real_at(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && text[i] == '+') ++i;
  double value = 0;
  const char* first = text.data() + i;
  auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) return *first == '-' ? -HUGE_VAL : HUGE_VAL;
  return end == first ? 0.0 : value;
}

struct AnalogLimit {
  char letter;
  const char* label;
  int value;  // 0 first, 1 second, 2 third
  int low, high;
};

constexpr AnalogLimit kAnalogLimits[] = {
    {'E', "a2 1240 mV", 2, 476, 528},         {'F', "a0 200 mV", 0, 5000, 5400},
    {'F', "a1 2200 mV", 1, 55000, 59000},     {'F', "a12 1240 mV", 2, 1233, 1248},
    {'S', "a0 970<1000<1030 mV", 0, 970, 1030}, {'S', "a1 226<238<250 mV", 1, 226, 250},
};

struct ChannelLimit {
  int nominal, low, high;
};

ChannelLimit channel_limit(int channel) {
  if (channel == 0) return {1000, 970, 1030};
  if (channel == 1) return {238, 226, 250};
  if (channel % 2 == 1) return {25, 22, 28};
  return {63, 60, 66};
}

}  // namespace

FactoryTest::FactoryTest(const FactoryTestPorts& ports, bool present) : ports_(ports), present_(present) {
  reset_on_board_change(ports_.identity.type_letter(), false);
}

void FactoryTest::add_commands(CommandTable& table) {
  table.add(cmd::kFactoryTest, [this](const Command&) { prepare(); });
  table.add(cmd::kFactoryStep, [this](const Command&) { start_test(); });
  table.add(cmd::kFactoryLamps, [this](const Command&) { list_results(); });
}

void FactoryTest::prepare() {
  ticket_.release();  // a new preparation replaces a test of ours that still runs
  std::optional<BoardJobs::Ticket> ticket = ports_.jobs.try_begin(ports_.messages.message("VtFactoryJob"));
  if (!ticket) return;
  error_window_.store(kPrepareErrorTicks);
  const char letter = ports_.identity.type_letter();
  const std::optional<FactoryTypeCommands> commands = factory_commands(letter, ports_.clock.local_now());
  if (!commands) {
    ports_.reports.print_line(format_message(ports_.messages.message("VtFactoryNoType"), {std::string(1, letter)}));
    return;
  }
  countdown_.store(commands->countdown_ticks);
  send_time(ports_.channel, ports_.clock, TimeMode::now, commands->setup_suffix);
  reset();
  ticket_ = std::move(*ticket);
  phase_ = Phase::prepared;
}

void FactoryTest::start_test() {
  error_window_.store(kTestErrorTicks);
  const std::optional<FactoryTypeCommands> commands =
      factory_commands(ports_.identity.type_letter(), ports_.clock.local_now());
  if (!commands) return;
  for (const std::string& line : commands->test_lines) ports_.channel.send_line(line);
  phase_ = Phase::testing;
}

void FactoryTest::list_results() {
  for (int i = 0; i < kFactoryTestCount; ++i)
    ports_.reports.print_line(format_text("%d %s", state(i), factory_tests()[static_cast<std::size_t>(i)].label));
}

bool FactoryTest::tick_100ms() {
  if (ticket_.holds() && ports_.jobs.stop_requested()) abort_run();
  const int count = countdown_.load();
  if (count >= 0) {
    if (count == 0) {
      countdown_.store(-1);
      start_test();
      return true;
    }
    countdown_.store(count - 1);
  }
  if (error_window_.load() > 0) error_window_.fetch_sub(1);
  if (phase_ == Phase::testing && error_window_.load() <= 0) {
    phase_ = Phase::idle;
    ticket_.release();
  }
  return false;
}

void FactoryTest::abort_run() {
  countdown_.store(-1);
  error_window_.store(0);
  phase_ = Phase::idle;
  ticket_.release();
  ports_.reports.print_line(ports_.messages.message("VtFactoryStopped"));
}

void FactoryTest::reset() {
  for (auto& s : states_) s.store(kTestNotSeen);
  channel_mask_.store(0);
  reruns_.store(0);
  last_verdict_.store(static_cast<int>(FactoryVerdict::none));
  {
    std::lock_guard lock(checks_mutex_);
    checks_.clear();
  }
  ports_.output.redraw_indicator();
}

void FactoryTest::reset_on_board_change(char letter, bool force) {
  if (force || letter != remembered_letter_.load()) reset();
  remembered_letter_.store(letter);
}

void FactoryTest::target_changed(const BoardIdentityData& identity) {
  reset_on_board_change(identity.type_letter, false);
}

std::array<int, kFactoryTestCount> FactoryTest::states() const {
  std::array<int, kFactoryTestCount> copy{};
  for (int i = 0; i < kFactoryTestCount; ++i) copy[static_cast<std::size_t>(i)] = state(i);
  return copy;
}

void FactoryTest::draw(Painter& painter) const {
  int lamps[kFactoryTestCount];
  for (int i = 0; i < kFactoryTestCount; ++i) lamps[i] = state(i);
  draw_lamps(painter, ports_.identity.type_letter(), lamps);
}

std::vector<FactoryCheck> FactoryTest::checks() const {
  std::lock_guard lock(checks_mutex_);
  return checks_;
}

void FactoryTest::set_state(int test, int value) { states_[static_cast<std::size_t>(test)].store(value); }

void FactoryTest::record(FactoryCheck check) {
  std::lock_guard lock(checks_mutex_);
  for (FactoryCheck& old : checks_)
    if (old.test == check.test && old.label == check.label) {
      old = std::move(check);
      return;
    }
  if (checks_.size() < kMaxChecks) checks_.push_back(std::move(check));
}

bool FactoryTest::range_check(const std::string& label, int test, long value, long low, long high) {
  const bool pass = low <= value && value <= high;
  record({test, label, std::to_string(value), std::to_string(low), std::to_string(high), pass});
  if (pass) return true;
  if (error_window_.load() > 0)
    ports_.reports.print_line(format_text("Error %d: %s %d<= %d <= %d", test, label.c_str(), as_int(low),
                                          as_int(value), as_int(high)));
  set_state(test, kTestFailed);
  ports_.output.redraw_indicator();
  return false;
}

bool FactoryTest::range_check(const std::string& label, int test, double value, double low, double high) {
  const bool pass = low <= value && value <= high;
  record({test, label, format_text("%.3f", value), format_text("%.3f", low), format_text("%.3f", high), pass});
  if (pass) return true;
  if (error_window_.load() > 0)
    ports_.reports.print_line(format_text("Error %d: %s %.3f<= %.3f <= %.3f", test, label.c_str(), low, value, high));
  set_state(test, kTestFailed);
  ports_.output.redraw_indicator();
  return false;
}

void FactoryTest::on_line(std::string_view line) {
  if (!present_) return;
  const char letter = ports_.identity.type_letter();
  bool changed = false;
  changed |= analog_values(line, letter);
  changed |= disk(line);
  changed |= serial_file(line);
  changed |= resolution_summary(line);
  changed |= channel_resolution(line);
  changed |= converter(line);
  changed |= clock_line(line);
  changed |= temperature(line, letter);
  verdict(line);
  if (changed) ports_.output.redraw_indicator();
}

bool FactoryTest::analog_values(std::string_view line, char letter) {
  if (!line.starts_with(">") || line.find('\t') == std::string_view::npos) return false;
  int values[3] = {0, 0, 0};
  std::size_t at = 0;
  for (int& value : values) {
    at = line.find('\t', at);
    if (at == std::string_view::npos) break;
    ++at;
    value = integer_at(line.substr(at));
  }
  set_state(kTestFileData, kTestPassed);
  for (const AnalogLimit& limit : kAnalogLimits)
    if (limit.letter == letter) range_check(limit.label, kTestFileData, long{values[limit.value]}, limit.low, limit.high);
  return true;
}

bool FactoryTest::disk(std::string_view line) {
  const std::size_t at = line.find("dr=");
  if (at == std::string_view::npos) return false;
  const int value = integer_at(line.substr(at + 3));
  const bool pass = value == 0;
  record({kTestDisk, "dr=", std::to_string(value), "0", "0", pass});
  if (!pass)
    set_state(kTestDisk, kTestFailed);
  else if (state(kTestDisk) != kTestFailed)
    set_state(kTestDisk, kTestPassed);
  return true;
}

bool FactoryTest::serial_file(std::string_view line) {
  if (!line.starts_with("VEXARS2 TXT")) return false;
  const int size = line.size() > 12 ? integer_at(line.substr(12)) : 0;
  const bool pass = size == 0 || size == 1000;
  record({kTestSerialFile, "VEXARS2 TXT", std::to_string(size), "0", "1000", pass});
  set_state(kTestSerialFile, pass ? kTestPassed : kTestFailed);
  return true;
}

bool FactoryTest::resolution_summary(std::string_view line) {
  if (!line.starts_with("res a12")) return false;
  const std::size_t delta = line.find("delta=");
  if (delta == std::string_view::npos) return false;
  // The number follows the first blank after "delta="; without a blank, "delta=" itself.
  const std::size_t blank = line.find(' ', delta + 6);
  const int value = integer_at(line.substr(blank == std::string_view::npos ? delta + 6 : blank + 1));
  const bool pass = value >= 14 && value <= 16;
  record({kTestResolution, "res a12 delta=", std::to_string(value), "14", "16", pass});
  set_state(kTestResolution, pass ? kTestPassed : kTestFailed);
  return true;
}

bool FactoryTest::channel_resolution(std::string_view line) {
  const std::size_t pivot = line.find(": pivot=");
  if (pivot == std::string_view::npos) return false;
  const int channel = integer_at(from(line, pivot, 2));
  if (channel < 0 || channel >= kChannelCount) return false;
  const std::size_t mv = line.find("mV");
  const std::size_t bits = line.find("bits");
  if (mv == std::string_view::npos || bits == std::string_view::npos) return false;
  const int millivolts = integer_at(from(line, mv, 8));
  const int bit_count = integer_at(from(line, bits, 5));
  const ChannelLimit limit = channel_limit(channel);
  if (range_check(format_text("a%d ~ %d mV", channel, limit.nominal), kTestResolution, long{millivolts},
                  long{limit.low}, long{limit.high}) &&
      range_check(format_text("a%d res >=16 bits", channel), kTestResolution, long{bit_count}, 16L, 22L)) {
    const std::uint32_t mask = channel_mask_.fetch_or(1u << channel) | (1u << channel);
    if (mask == kAllChannels && state(kTestResolution) == kTestNotSeen) set_state(kTestResolution, kTestPassed);
  }
  return true;
}

bool FactoryTest::converter(std::string_view line) {
  const std::size_t at = line.find("ad=");
  if (at == std::string_view::npos) return false;
  const std::string_view after = line.substr(at + 3, 2);
  const bool pass = after == "0 ";
  record({kTestConverter, "ad=", std::string(line.substr(at + 3, 12)), "0", "0", pass});
  set_state(kTestConverter, pass ? kTestPassed : kTestFailed);
  return true;
}

bool FactoryTest::clock_line(std::string_view line) {
  if (!line.starts_with("20")) return false;
  set_state(kTestClock, kTestFailed);
  const std::time_t now = ports_.clock.epoch_now();
  bool pass = false;
  for (int offset = -kClockToleranceSeconds; offset <= kClockToleranceSeconds && !pass; ++offset) {
    const std::time_t moment = now + offset;
    std::tm local{};
    localtime_r(&moment, &local);
    const std::string text = format_text("%d:%02d:%02d %02d:%02d:%02d", local.tm_year % 100 + 2000, local.tm_mon + 1,
                                         local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    pass = line.find(text) != std::string_view::npos;
  }
  record({kTestClock, "rtc", std::string(limited(line, 40)), "", "", pass});
  if (pass) set_state(kTestClock, kTestPassed);
  return true;
}

bool FactoryTest::temperature(std::string_view line, char letter) {
  if (!line.starts_with("t=")) return false;
  const int degrees = integer_at(line.substr(2));
  bool pass = degrees >= 15 && degrees <= 34;
  record({kTestTemperature, "t=", std::to_string(degrees), "15", "34", pass});
  if (pass && letter == 'S') {
    const std::size_t supply = line.find("v=");
    pass = supply != std::string_view::npos &&
           range_check(std::string("v="), kTestTemperature, real_at(line.substr(supply + 2)), 11.0, 12.5);
  }
  set_state(kTestTemperature, pass ? kTestPassed : kTestFailed);
  return true;
}

bool FactoryTest::verdict(std::string_view line) {
  if (!line.starts_with(kVerdictLine)) return false;
  std::vector<int> failing;
  for (int i = 0; i < kFactoryTestCount; ++i)
    if (factory_test_enabled('S', i) && state(i) != kTestPassed) failing.push_back(i);
  FactoryVerdict result = FactoryVerdict::failed;
  if (failing.empty()) {
    result = FactoryVerdict::passed;
    ports_.output.verdict_beep();
  } else if (failing.size() == 1 && failing[0] == kTestResolution && reruns_.load() < 1) {
    result = FactoryVerdict::rerun;
    ports_.channel.send_line(kResolutionRerun);
    set_state(kTestResolution, kTestNotSeen);
    channel_mask_.store(0);
    reruns_.fetch_add(1);
    ports_.output.redraw_indicator();
  } else {
    ports_.output.verdict_error_sound();
  }
  last_verdict_.store(static_cast<int>(result));
  verdicts_.fetch_add(1);
  return true;
}

}  // namespace vexa
