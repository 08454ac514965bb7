#pragma once
// The analog side of a board: its class (by the type letter's character code), the ADC
// constants of the class and the firmware gate of the alarms.
#include <cstdint>

namespace vexa {

enum class BoardClass { e, f, s };

inline constexpr int kAlarmFirmware = 603;  // alarms (and the "a%d" live query) from this version

struct AdcConstants {
  std::int32_t full_scale;  // counts
  int max_decimals;
};

inline constexpr AdcConstants kAdcE{1024, 3};
inline constexpr AdcConstants kAdcF{65536, 3};
inline constexpr AdcConstants kAdcS{7864320, 7};

// Below 'F' (also '2') the E class, 'F' up to but excluding 'S' the F class, 'S' and above the S
// class.
constexpr BoardClass board_class(char letter) {
  const auto code = static_cast<unsigned char>(letter);
  if (code < 'F') return BoardClass::e;
  if (code < 'S') return BoardClass::f;
  return BoardClass::s;
}

constexpr const AdcConstants& adc_constants(BoardClass c) {
  return c == BoardClass::e ? kAdcE : c == BoardClass::f ? kAdcF : kAdcS;
}

// The board an expression is read and written for.
struct AnalogBoard {
  char type_letter = 'S';
  int firmware_version = 1404;

  BoardClass board_class() const { return vexa::board_class(type_letter); }
  const AdcConstants& adc() const { return adc_constants(board_class()); }
  // Alarms are part of the expression on F and S class boards from firmware 603.
  bool has_alarms() const { return board_class() != BoardClass::e && firmware_version >= kAlarmFirmware; }
  // Only a board whose letter is exactly 'F' keeps its integer offset to 16 bits.
  bool has_16_bit_offset() const { return type_letter == 'F'; }
};

}  // namespace vexa
