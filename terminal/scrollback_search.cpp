#include "terminal/scrollback_search.h"

#include <algorithm>
#include <cctype>

#include "app/text_format.h"

namespace vexa {

namespace {

bool same(char a, char b, bool match_case) {
  if (match_case) return a == b;
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

bool matches_at(std::string_view text, std::string_view needle, std::size_t at, bool match_case) {
  if (at + needle.size() > text.size()) return false;
  for (std::size_t i = 0; i < needle.size(); ++i)
    if (!same(text[at + i], needle[i], match_case)) return false;
  return true;
}

}  // namespace

std::size_t scrollback_chars(std::string_view setting) {
  const long value = leading_integer(setting);
  if (value <= 0) return kDefaultScrollbackChars;
  return std::clamp(static_cast<std::size_t>(value), kLeastScrollbackChars, kMostScrollbackChars);
}

std::optional<std::size_t> find_text(std::string_view text, std::string_view needle, std::size_t from,
                                     bool forward, bool match_case) {
  if (needle.empty() || needle.size() > text.size()) return std::nullopt;
  const std::size_t last = text.size() - needle.size();
  const std::size_t count = last + 1;
  from = std::min(from, count);
  for (std::size_t step = 0; step < count; ++step) {
    std::size_t at;
    if (forward)
      at = (from + step) % count;
    else
      at = (from + count - 1 - step % count) % count;
    if (matches_at(text, needle, at, match_case)) return at;
  }
  return std::nullopt;
}

void ScrollbackSearch::set_needle(std::string_view needle, bool match_case) {
  if (needle != needle_ || match_case != match_case_) hit_.reset();
  needle_ = std::string(needle);
  match_case_ = match_case;
}

std::optional<std::size_t> ScrollbackSearch::next(std::string_view text) {
  const std::size_t from = hit_ ? *hit_ + 1 : 0;
  hit_ = find_text(text, needle_, from, true, match_case_);
  return hit_;
}

std::optional<std::size_t> ScrollbackSearch::previous(std::string_view text) {
  const std::size_t from = hit_ ? *hit_ : text.size();
  hit_ = find_text(text, needle_, from, false, match_case_);
  return hit_;
}

}  // namespace vexa
