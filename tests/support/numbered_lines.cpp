#include "support/numbered_lines.h"

#include <cstdio>

namespace vexa::test {

std::string numbered_line(int n) {
  char head[16];
  std::snprintf(head, sizeof head, "line %05d ", n);
  std::string line = head;
  const std::string_view filler = "the quick brown fox jumps over the lazy dog ........";
  line.append(filler.substr(0, kNumberedLineChars - 2 - line.size()));
  return line + "\r\n";
}

std::string numbered_lines(int first, int last) {
  std::string out;
  out.reserve(static_cast<std::size_t>(last - first + 1) * kNumberedLineChars);
  for (int n = first; n <= last; ++n) out += numbered_line(n);
  return out;
}

std::string contiguous_tail_error(std::string_view text, int last) {
  if (text.size() < kNumberedLineChars) return "the view holds less than one line";
  if (text.size() % kNumberedLineChars != 0) {
    // The first line may have lost its front to a trim; it must still be the end of a line.
    const std::size_t cut = text.size() % kNumberedLineChars;
    const std::string whole = numbered_line(last - static_cast<int>(text.size() / kNumberedLineChars));
    if (whole.compare(kNumberedLineChars - cut, cut, text.substr(0, cut)) != 0)
      return "the first line is not the end of line " + whole.substr(5, 5) + ": " +
             std::string(text.substr(0, cut));
    text.remove_prefix(cut);
  }
  int n = last - static_cast<int>(text.size() / kNumberedLineChars) + 1;
  for (std::size_t at = 0; at < text.size(); at += kNumberedLineChars, ++n) {
    const std::string expected = numbered_line(n);
    if (text.compare(at, kNumberedLineChars, expected) != 0)
      return "expected " + expected.substr(0, 10) + " at " + std::to_string(at) + ", found: " +
             std::string(text.substr(at, kNumberedLineChars));
  }
  return {};
}

}  // namespace vexa::test
