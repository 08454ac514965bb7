#include "sim/live_inputs.h"

#include <cmath>

#include "analog/analog_conversions.h"
#include "analog/analog_expression.h"
#include "base/text_format.h"

namespace vexa::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;

int input_count(const BoardKind& kind) { return board_class(kind.type) == BoardClass::e ? 8 : 16; }

}  // namespace

long live_count(const BoardKind& kind, int n, double seconds) {
  const double full = adc_constants(board_class(kind.type)).full_scale;
  const double period = 20.0 + 7.0 * n;  // seconds
  const double wave = std::sin(2 * kPi * seconds / period + n * 0.7);
  return std::lround(full * (0.5 + 0.4 * wave));
}

std::string live_field(const BoardConfiguration& configuration, int n, double seconds) {
  const BoardKind& kind = configuration.kind();
  const BoardClass cls = board_class(kind.type);
  const long count = live_count(kind, n, seconds);
  std::string text = format_text(" a%d: %ld ", n, count) + millivolts_text(static_cast<double>(count), cls);
  const std::string value = configuration.value(format_text("a%d", n)).value_or("");
  const AnalogExpression expression = parse_analog_expression(value);
  text += " =" + format_real_value(static_cast<double>(count), expression.scaling, cls, expression.prefix);
  return text;
}

std::optional<std::vector<std::string>> live_poll_reply(std::string_view line, const BoardConfiguration& configuration,
                                                        double seconds) {
  const BoardKind& kind = configuration.kind();
  std::vector<std::string> lines;
  if (line == "a?" || line == "a 2" || line == "a 5,200") {
    std::string all;
    for (int n = 0; n < input_count(kind); ++n) all += live_field(configuration, n, seconds);
    lines.push_back(all);
  } else if (line.size() >= 2 && line.size() <= 4 && line[0] == 'a' && kind.firmware >= kAlarmFirmware) {
    int n = 0;
    for (char c : line.substr(1)) {
      if (c < '0' || c > '9') return std::nullopt;
      n = n * 10 + (c - '0');
    }
    if (n >= input_count(kind)) return std::nullopt;
    lines.push_back(live_field(configuration, n, seconds));
  } else {
    return std::nullopt;
  }
  lines.push_back("Ok");
  return lines;
}

}  // namespace vexa::sim
