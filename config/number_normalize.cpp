#include "config/number_normalize.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace vexa {
namespace {

bool is_digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Length of the longest decimal number at the start of text (which begins with a digit).
std::size_t number_length(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_digit(text[i])) ++i;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && is_digit(text[i])) ++i;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && is_digit(text[j])) {
      while (j < text.size() && is_digit(text[j])) ++j;
      i = j;
    }
  }
  return i;
}

// Locale-independent conversion: the desktop front end may switch the C locale.
double to_double(std::string_view number) {
  double value = 0;
  auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  (void)end;
  if (ec == std::errc::result_out_of_range) {
    // Overflow gives infinity and underflow zero, as the C conversion does.
    std::size_t e = number.find_first_of("eE");
    bool negative_exponent = e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
    return negative_exponent ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return value;
}

std::string fixed6(double value) {
  if (std::isinf(value)) return "inf";
  char buffer[400];  // the largest double needs 309 integer digits
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  if (ec != std::errc()) return "inf";
  return std::string(buffer, end);
}

}  // namespace

std::string normalize_numbers(std::string_view text, std::size_t size) {
  const std::size_t limit = size >= 2 ? size - 2 : 0;
  std::string out;
  std::size_t i = 0;
  while (i < text.size() && out.size() < limit) {
    if (is_digit(text[i])) {
      std::size_t n = number_length(text.substr(i));
      out += fixed6(to_double(text.substr(i, n)));
      i += n;
    } else {
      out += text[i++];
    }
  }
  if (out.size() > limit) out.resize(limit);
  return out;
}

}  // namespace vexa
