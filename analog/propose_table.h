#pragma once
// The standard points of a sensor (an input type's propose text "first real,first raw,real
// step,raw step,unit"), offered as a list in the calibration rows.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analog/analog_board.h"

namespace vexa {

inline constexpr std::size_t kProposeUnitChars = 9;

struct ProposeEntry {
  std::string text;  // "0.0 degC"; the first entry is " " (no choice)
  double raw = 0;
};

// The list for a board class; empty when the text has fewer than five fields.
std::vector<ProposeEntry> propose_list(std::string_view propose, BoardClass board_class);

// The raw count of entry k >= 1: trunc(first raw + (k - 1) * raw step); nothing for k = 0 or a
// text without a list.
std::optional<long long> propose_choice(std::string_view propose, int k);

}  // namespace vexa
