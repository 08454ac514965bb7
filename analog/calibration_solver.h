#pragma once
// Two calibration points (an ADC count and the real value it should show, each) turned into
// the scaling the board class can hold.
#include <string_view>

#include "analog/analog_board.h"
#include "analog/analog_expression.h"
#include "analog/type_prefix.h"
#include "base/report_sink.h"

namespace vexa {

struct CalibrationTexts {
  std::string_view raw1, raw2, real1, real2;
};

struct CalibrationInput {
  double raw1 = 0, raw2 = 0;
  double real1 = 0, real2 = 0;  // multiplied by 10^decimals
  int decimals = 0;             // the most digits after "." in the two real texts
  bool valid = false;           // every text begins with a number
};

CalibrationInput read_calibration_input(const CalibrationTexts& texts);

// Overwrites scaling from the points, or leaves it as it is (invalid input, equal counts or
// equal values). trace (may be null) gets the solver's trace lines.
void solve_scaling(const CalibrationTexts& texts, const TypePrefix& type, const AnalogBoard& board,
                   AnalogScaling& scaling, ReportSink* trace = nullptr);

}  // namespace vexa
