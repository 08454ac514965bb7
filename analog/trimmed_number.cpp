#include "analog/trimmed_number.h"

#include <cstdio>

namespace vexa {

namespace {
constexpr int kSignificantDigits = 8;
}

std::size_t append_trimmed_number(std::string& out, float value, TrimmedMode mode) {
  if (value == 0.0f) {
    if (mode == TrimmedMode::zero_as_digit) out += '0';
    return out.size();
  }
  char printed[64];
  std::snprintf(printed, sizeof printed, mode == TrimmedMode::signed_or_nothing ? "%+.12f" : "%.12f",
                static_cast<double>(value));
  std::string text(printed);
  std::size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  int counted = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '1' && c <= '9') {
      ++counted;
    } else if (c == '0') {
      if (counted > 0) ++counted;
    } else if (c == '.') {
      point = true;
    } else {
      break;
    }
    if (point && counted >= kSignificantDigits) {
      text.resize(i + 1);
      break;
    }
  }
  if (point) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  out += text;
  return out.size();
}

}  // namespace vexa
