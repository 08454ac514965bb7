#include "app/text_format.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <vector>

namespace vexa {

std::string vformat_text(std::size_t max_chars, const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[512];
  int needed = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (needed < 0) return {};
  std::string out;
  if (static_cast<std::size_t>(needed) < sizeof small) {
    out.assign(small, static_cast<std::size_t>(needed));
  } else {
    std::vector<char> big(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(big.data(), big.size(), format, args);
    out.assign(big.data(), static_cast<std::size_t>(needed));
  }
  limit_text(out, max_chars);
  return out;
}

std::string format_text_limited(std::size_t max_chars, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = vformat_text(max_chars, format, args);
  va_end(args);
  return out;
}

std::string format_text(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = vformat_text(std::string::npos, format, args);
  va_end(args);
  return out;
}

void limit_text(std::string& text, std::size_t max_chars) {
  if (text.size() > max_chars) text.resize(max_chars);
}

std::string limited(std::string_view text, std::size_t max_chars) {
  return std::string(text.substr(0, max_chars));
}

bool equal_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

long leading_integer(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    int digit = text[i] - '0';
    if (value > (LONG_MAX - digit) / 10) return negative ? LONG_MIN : LONG_MAX;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

std::string fill_placeholder(std::string_view text, std::string_view value) {
  const std::size_t at = text.find("%s");
  if (at == std::string_view::npos) return std::string(text);
  std::string out(text.substr(0, at));
  out.append(value);
  out.append(text.substr(at + 2));
  return out;
}

}  // namespace vexa
