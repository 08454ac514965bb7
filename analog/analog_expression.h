#pragma once
// The analog expression: the value of an "a<n>" parameter such as "a*3.814685+0,2", carrying the
// input's type, its linear scaling, alarm thresholds and, on S class boards, display and storage
// options. Parsing never fails: it keeps what it read up to the first character it does not
// understand.
#include <cstdint>
#include <string>
#include <string_view>

#include "analog/analog_board.h"
#include "analog/type_prefix.h"

namespace vexa {

inline constexpr std::size_t kAnalogTextChars = 99;  // name and abc expression buffers of 100

struct AnalogScaling {
  std::int32_t int_multiplier = 0;  // E class
  std::int32_t int_offset = 0;      // E and F class
  float real_multiplier = 0;        // F and S class; 0 is read as 1
  float real_offset = 0;            // S class
  std::uint8_t decimals = 0;        // the scaled integer is divided by 10^decimals for display

  bool operator==(const AnalogScaling&) const = default;
};

enum class DigitalAlarm { none, on_zero, on_one };

enum StoreMaskBits : unsigned { kStoreAverage = 1, kStoreMinimum = 2, kStoreMaximum = 4 };

struct AnalogExpression {
  TypePrefix prefix;  // as read; printing takes the prefix of the current input type instead
  AnalogScaling scaling;
  int low_alarm = 0;   // ADC counts, 0 none
  int high_alarm = 0;
  DigitalAlarm digital_alarm = DigitalAlarm::none;
  std::string name;
  bool diff = false;
  int pivot = 0;
  int lcd = 0;
  unsigned store_mask = kStoreAverage;  // 0 is read as average only
  std::string abc_expression;

  bool operator==(const AnalogExpression&) const = default;
};

// Reads value; the name starts as name_text (the parameter's ".name"), an option "n=" replaces it.
AnalogExpression parse_analog_expression(std::string_view value, std::string_view name_text = {});

// Reads the scaling that follows the type prefix ("*" multiplier offset "," decimals) from
// position on, advancing it. Used by parsing and when an input type's mode gives a default.
AnalogScaling read_scaling(std::string_view text, std::size_t& position);

// The current input type as printing needs it: its mode text (whose prefix is written) and
// its title. No type selected: both empty, the prefix is written as '-'.
struct InputTypeChoice {
  std::string_view mode;
  std::string_view title;
};

struct PrintedExpression {
  std::string line;        // "a3=a*3.8146851,2,l=0"
  std::string value;       // what follows the first "="
  std::string name;        // for the parameter's name text
  std::string type_title;  // for the parameter's type text
};

// Writes the expression as the board stores it: the prefix of the chosen type, the scaling in
// the form of the board class, alarms (F and S class from firmware 603), the S class options and
// the abc formula of type 'v'.
PrintedExpression print_analog_expression(std::string_view key, const AnalogExpression& expression,
                                          const InputTypeChoice& type, const AnalogBoard& board);

}  // namespace vexa
