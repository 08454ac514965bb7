#include "analog/analog_conversions.h"

#include <cmath>
#include <cstdio>

#include "analog/c_number.h"
#include "analog/linearization.h"
#include "base/text_format.h"

namespace vexa {

namespace {

constexpr double kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};

}  // namespace

double raw_to_millivolts(double raw, BoardClass board_class) {
  switch (board_class) {
    case BoardClass::e: return raw * 2.5;
    case BoardClass::f: return raw * 2500 * (1.0 / 65536);
    case BoardClass::s: return raw * 1225 * (1.0 / 7864320);
  }
  return 0;
}

std::string millivolts_text(double raw, BoardClass board_class) {
  return format_text(board_class == BoardClass::e ? "%.1fmV" : "%.2fmV", raw_to_millivolts(raw, board_class));
}

std::string format_real_value(double raw, const AnalogScaling& scaling, BoardClass board_class,
                              const TypePrefix& type, bool skip_linearisation) {
  float v = narrow_to_float(raw);
  if (board_class == BoardClass::s && !skip_linearisation) {
    if (type.letter == 'k') v = linearize_k(v, type.subtype);
    if (type.letter == 'p') v = linearize_p(v);
  }
  const float m = scaling.real_multiplier == 0 ? 1.0f : scaling.real_multiplier;
  switch (board_class) {
    case BoardClass::s: v = v * m + scaling.real_offset; break;
    case BoardClass::f: v = v * m + static_cast<float>(scaling.int_offset); break;
    case BoardClass::e:
      if (scaling.int_multiplier != 0)
        v = static_cast<float>(scaling.int_multiplier) * v + static_cast<float>(scaling.int_offset);
      break;
  }
  std::string text;
  if (v < 0) {
    text = "-";
    v = -v;
  }
  const unsigned d = scaling.decimals;
  if (d >= 1 && d <= 7)
    text += format_text("%.*f", static_cast<int>(d), static_cast<double>(v) / kPowersOfTen[d]);
  else
    text += format_text("%1.0f", static_cast<double>(v));
  return text;
}

float real_to_raw(double real_value, const AnalogScaling& scaling) {
  float v = narrow_to_float(real_value);
  for (unsigned i = 0; i < scaling.decimals; ++i) v *= 10.0f;
  if (scaling.real_multiplier == 0) return v;
  return (v - scaling.real_offset) / scaling.real_multiplier;
}

}  // namespace vexa
