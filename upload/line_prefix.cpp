#include "upload/line_prefix.h"

namespace vexa {

namespace {

constexpr std::string_view kTimeStampPatterns[] = {
    "....:..:.. ..:..:.. ",
    "....:..:.. ..:..:..:... ",
    "../../.... ..:..:.. ",
    "../../.... ..:..:..:... ",
};
constexpr std::string_view kNumberPattern = "...: ";

}  // namespace

std::size_t pattern_prefix(std::string_view text, std::string_view pattern) {
  if (text.size() < pattern.size()) return 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = text[i];
    switch (pattern[i]) {
      case '.':
        if (c < '0' || c > '9') return 0;
        break;
      case ' ':
        if (c != ' ' && c != '\t') return 0;
        break;
      default:
        if (c != pattern[i]) return 0;
    }
  }
  return pattern.size();
}

std::size_t time_stamp_length(std::string_view text) {
  for (std::string_view pattern : kTimeStampPatterns)
    if (std::size_t n = pattern_prefix(text, pattern)) return n;
  return 0;
}

std::size_t number_prefix_length(std::string_view text) {
  if (time_stamp_length(text) != 0) return 0;
  return pattern_prefix(text, kNumberPattern);
}

std::size_t data_prefix_length(std::string_view text) {
  if (std::size_t n = time_stamp_length(text)) return n;
  return pattern_prefix(text, kNumberPattern);
}

}  // namespace vexa
