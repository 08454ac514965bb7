#pragma once
// The C library's number conversions (strtoul, strtol, strtod) on a piece of a text, with the
// position advanced past what they consumed. Texts need not be NUL-terminated.
#include <cstddef>
#include <string_view>

namespace vexa {

template <class T>
struct ReadNumber {
  T value{};
  bool consumed = false;
};

// Each skips leading white space as the C functions do; position moves past the number.
ReadNumber<unsigned long> read_unsigned(std::string_view text, std::size_t& position);
ReadNumber<long> read_integer(std::string_view text, std::size_t& position);
ReadNumber<double> read_real(std::string_view text, std::size_t& position);
// The integer conversion without moving (atoi-like).
long peek_integer(std::string_view text, std::size_t position);

// Truncation toward zero that never overflows: NaN gives 0, values beyond the range the limit.
long long truncate_to_int64(double value);
int truncate_to_int32(double value);
// double to float, finite values beyond the float range becoming the largest float.
float narrow_to_float(double value);

}  // namespace vexa
