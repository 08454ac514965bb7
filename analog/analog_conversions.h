#pragma once
// From an ADC count to millivolts and to the real value an input shows, and back.
#include <string>

#include "analog/analog_board.h"
#include "analog/analog_expression.h"
#include "analog/type_prefix.h"

namespace vexa {

double raw_to_millivolts(double raw, BoardClass board_class);
// "%.1fmV" on the E class, "%.2fmV" on F and S.
std::string millivolts_text(double raw, BoardClass board_class);

// The value text of a count under a scaling: S class counts of types 'k' and 'p' are linearised
// first (unless skip_linearisation); then multiplier, offset and decimals of the class apply.
std::string format_real_value(double raw, const AnalogScaling& scaling, BoardClass board_class,
                              const TypePrefix& type, bool skip_linearisation = false);

// The count for a real value (no linearisation is undone); callers truncate it.
float real_to_raw(double real_value, const AnalogScaling& scaling);

}  // namespace vexa
