#include "analog/analog_expression.h"

#include <string>

#include "analog/c_number.h"
#include "analog/trimmed_number.h"
#include "base/text_format.h"

namespace vexa {

namespace {

// Types whose value goes through the linear scaling.
bool is_scaled_type(char letter) {
  switch (letter) {
    case 'a': case 'c': case 'k': case 'p': case 'v': return true;
    default: return false;
  }
}

// Characters up to (not including) the first one that stops: below code 33 or one of stops.
std::string read_text_option(std::string_view text, std::size_t& position, std::string_view stops) {
  std::string out;
  while (position < text.size() && out.size() < kAnalogTextChars) {
    const auto c = static_cast<unsigned char>(text[position]);
    if (c < 33 || stops.find(static_cast<char>(c)) != std::string_view::npos) break;
    out.push_back(static_cast<char>(c));
    ++position;
  }
  return out;
}

unsigned read_store_mask(std::string_view text, std::size_t& position) {
  unsigned mask = 0;
  while (position < text.size()) {
    const auto c = static_cast<unsigned char>(text[position]);
    if (c < 33 || c == ',') break;
    if (c == 'a') mask |= kStoreAverage;
    if (c == 'm') mask |= kStoreMinimum;
    if (c == 'M') mask |= kStoreMaximum;
    ++position;
  }
  return mask == 0 ? kStoreAverage : mask;
}

// One ",x=value" option; false when it ends the parsing.
bool read_option(std::string_view text, std::size_t& position, AnalogExpression& out) {
  if (position + 2 > text.size() || text[position + 1] != '=') return false;
  const char letter = text[position];
  position += 2;
  switch (letter) {
    case 'c': out.abc_expression = read_text_option(text, position, ","); return true;
    case 'd': out.diff = read_unsigned(text, position).value != 0; return true;
    case 'l': out.lcd = static_cast<int>(read_unsigned(text, position).value & 0x7fffffff); return true;
    case 'm': out.store_mask = read_store_mask(text, position); return true;
    case 'n': out.name = read_text_option(text, position, ",;\x7f"); return true;
    case 'p': out.pivot = static_cast<int>(read_unsigned(text, position).value & 0x7fffffff); return true;
    default: return false;
  }
}

}  // namespace

AnalogScaling read_scaling(std::string_view text, std::size_t& position) {
  AnalogScaling scaling;
  if (position >= text.size() || text[position] != '*') return scaling;
  ++position;
  scaling.int_multiplier = static_cast<std::int32_t>(peek_integer(text, position));
  scaling.real_multiplier = narrow_to_float(read_real(text, position).value);
  scaling.int_offset = static_cast<std::int32_t>(peek_integer(text, position));
  scaling.real_offset = narrow_to_float(read_real(text, position).value);
  if (position < text.size() && (text[position] == ',' || text[position] == '.')) {
    ++position;
    scaling.decimals = static_cast<std::uint8_t>(read_integer(text, position).value);
  }
  return scaling;
}

AnalogExpression parse_analog_expression(std::string_view value, std::string_view name_text) {
  AnalogExpression out;
  out.name = limited(name_text, kAnalogTextChars);
  std::size_t position = 0;
  out.prefix = read_type_prefix(value, &position);
  out.scaling = read_scaling(value, position);
  while (position < value.size()) {
    const char c = value[position];
    if (c == '<' || c == '>') {
      ++position;
      const int threshold = truncate_to_int32(read_real(value, position).value);
      (c == '<' ? out.low_alarm : out.high_alarm) = threshold;
      continue;
    }
    if (c != ',') break;
    ++position;
    if (!read_option(value, position, out)) break;
  }
  out.digital_alarm = out.low_alarm != 0    ? DigitalAlarm::on_zero
                      : out.high_alarm != 0 ? DigitalAlarm::on_one
                                            : DigitalAlarm::none;
  return out;
}

PrintedExpression print_analog_expression(std::string_view key, const AnalogExpression& expression,
                                          const InputTypeChoice& type, const AnalogBoard& board) {
  const TypePrefix prefix = read_type_prefix(type.mode);
  const BoardClass board_class = board.board_class();
  const AnalogScaling& s = expression.scaling;
  std::string value(1, prefix.letter);
  if (prefix.subtype >= 0 && prefix.subtype <= 1000)
    value += std::to_string(prefix.subtype);
  else if (prefix.subtype > 1000)
    value += static_cast<char>(prefix.subtype - kSubtypeLetterBase);

  if (is_scaled_type(prefix.letter)) {
    const float multiplier = s.real_multiplier == 0 ? 1.0f : s.real_multiplier;
    switch (board_class) {
      case BoardClass::e:
        if (s.int_multiplier != 0) value += format_text("*%d%+d,%d", s.int_multiplier, s.int_offset, s.decimals);
        break;
      case BoardClass::f:
        if (!(s.real_multiplier == 0 && s.int_offset == 0 && s.decimals == 0))
          value += format_text("*%.8f%+d,%d", static_cast<double>(multiplier), s.int_offset, s.decimals);
        break;
      case BoardClass::s:
        if (!(s.real_multiplier == 0 && s.int_offset == 0 && s.decimals == 0)) {
          value += '*';
          append_trimmed_number(value, multiplier, TrimmedMode::zero_as_digit);
          append_trimmed_number(value, s.real_offset, TrimmedMode::signed_or_nothing);
          value += format_text(",%d", s.decimals);
        }
        break;
    }
  }
  if (board.has_alarms()) {
    if (prefix.letter == 'd') {
      if (expression.digital_alarm == DigitalAlarm::on_zero) value += "<1";
      if (expression.digital_alarm == DigitalAlarm::on_one) value += ">1";
    } else {
      if (expression.low_alarm != 0) value += format_text("<%d", expression.low_alarm);
      if (expression.high_alarm != 0) value += format_text(">%d", expression.high_alarm);
    }
  }
  if (board_class == BoardClass::s) {
    if (!expression.name.empty()) value += ",n=" + expression.name;
    if (expression.diff) value += ",d=1";
    if (expression.pivot > 0) value += format_text(",p=%d", expression.pivot);
    value += format_text(",l=%d", expression.lcd);
    const unsigned mask = expression.store_mask == 0 ? kStoreAverage : expression.store_mask;
    if (mask != kStoreAverage) {
      value += ",m=";
      if (mask & kStoreAverage) value += 'a';
      if (mask & kStoreMinimum) value += 'm';
      if (mask & kStoreMaximum) value += 'M';
    }
  }
  if (prefix.letter == 'v') value += ",c=" + expression.abc_expression;

  PrintedExpression printed;
  printed.line = std::string(key) + "=" + value;
  printed.value = std::move(value);
  printed.name = expression.name;
  printed.type_title = std::string(type.title);
  return printed;
}

}  // namespace vexa
