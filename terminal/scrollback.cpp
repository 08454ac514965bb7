#include "terminal/scrollback.h"

#include <algorithm>

#include "base/text_format.h"

namespace vexa {

namespace {
constexpr std::size_t kLeastTrimChars = 1000;  // twice the terminal's pending buffer
}  // namespace

std::size_t scrollback_lines(std::string_view setting) {
  const std::size_t first = setting.find_first_not_of(' ');
  if (first == std::string_view::npos) return kDefaultScrollbackLines;
  setting = setting.substr(first, setting.find_last_not_of(' ') + 1 - first);
  if (setting.find_first_not_of("0123456789") != std::string_view::npos) return kDefaultScrollbackLines;
  // Too many digits for any count worth keeping: the most.
  if (setting.size() > 9) return kMostScrollbackLines;
  std::size_t value = 0;
  for (char c : setting) value = value * 10 + static_cast<std::size_t>(c - '0');
  if (value == 0) return 0;
  return std::clamp(value, kLeastScrollbackLines, kMostScrollbackLines);
}

std::size_t scrollback_chars(std::string_view setting) {
  const long value = leading_integer(setting);
  if (value <= 0) return kDefaultScrollbackChars;
  return std::clamp(static_cast<std::size_t>(value), kLeastScrollbackChars, kMostScrollbackChars);
}

std::size_t count_line_ends(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string_view::npos; at = text.find("\r\n", at + 2)) ++count;
  return count;
}

std::size_t after_line_ends(std::string_view text, std::size_t count) {
  std::size_t at = 0;
  for (; count > 0; --count) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string_view::npos) return text.size();
    at = end + 2;
  }
  return at;
}

ScrollbackLimit ScrollbackLimit::characters(std::size_t trim_chars) {
  return ScrollbackLimit(0, std::max(trim_chars, kLeastTrimChars));
}

ScrollbackLimit ScrollbackLimit::of_lines(std::size_t lines) {
  if (lines == 0) return characters(kViewTrimAtChars);
  return ScrollbackLimit(lines, lines * kScrollbackLineChars);
}

std::size_t ScrollbackLimit::half_chars() const {
  return trim_chars_ == kViewTrimAtChars ? kViewTrimDropChars : trim_chars_ / 2;
}

std::size_t ScrollbackLimit::excess_chars(std::size_t length) const {
  std::size_t drop = 0;
  while (length - drop >= trim_chars_) drop += half_chars();
  return std::min(drop, length);
}

}  // namespace vexa
