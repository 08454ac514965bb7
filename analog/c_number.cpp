#include "analog/c_number.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cfloat>
#include <cstdlib>
#include <string>

namespace vexa {

namespace {

// The C functions want a terminated text; a number is never longer than what is left.
template <class T, class Convert>
ReadNumber<T> read_with(std::string_view text, std::size_t& position, Convert convert) {
  ReadNumber<T> result;
  if (position >= text.size()) return result;
  const std::string piece(text.substr(position));
  char* end = nullptr;
  errno = 0;
  result.value = convert(piece.c_str(), &end);
  const auto used = static_cast<std::size_t>(end - piece.c_str());
  result.consumed = used > 0;
  position += used;
  return result;
}

}  // namespace

ReadNumber<unsigned long> read_unsigned(std::string_view text, std::size_t& position) {
  return read_with<unsigned long>(text, position, [](const char* s, char** e) { return std::strtoul(s, e, 10); });
}

ReadNumber<long> read_integer(std::string_view text, std::size_t& position) {
  return read_with<long>(text, position, [](const char* s, char** e) { return std::strtol(s, e, 10); });
}

ReadNumber<double> read_real(std::string_view text, std::size_t& position) {
  return read_with<double>(text, position, [](const char* s, char** e) { return std::strtod(s, e); });
}

long peek_integer(std::string_view text, std::size_t position) { return read_integer(text, position).value; }

long long truncate_to_int64(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.2e18) return LLONG_MAX;
  if (value <= -9.2e18) return LLONG_MIN;
  return static_cast<long long>(value);
}

int truncate_to_int32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT_MAX;
  if (value <= -2147483648.0) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace vexa

namespace vexa {

float narrow_to_float(double value) {
  if (std::isfinite(value)) {
    if (value > FLT_MAX) return FLT_MAX;
    if (value < -FLT_MAX) return -FLT_MAX;
  }
  return static_cast<float>(value);
}

}  // namespace vexa
