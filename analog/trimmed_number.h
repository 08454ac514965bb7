#pragma once
// Printing a float with at most eight significant digits once the point is passed, without
// trailing zeros: how S class multipliers and offsets are written.
#include <string>

namespace vexa {

enum class TrimmedMode {
  zero_as_digit = 0,  // 0 prints "0"
  zero_as_nothing = 1,
  signed_or_nothing = 2,  // "%+" form; 0 prints nothing
};

// Appends the number to out and returns the length of out afterwards.
std::size_t append_trimmed_number(std::string& out, float value, TrimmedMode mode);

}  // namespace vexa
