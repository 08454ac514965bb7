#pragma once
// Search in the terminal's text: next and previous hit, with or without letter case, wrapping
// around at either end.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vexa {

inline constexpr std::size_t kDefaultScrollbackChars = 15000;
inline constexpr std::size_t kLeastScrollbackChars = 2000;
inline constexpr std::size_t kMostScrollbackChars = 10u << 20;

// The scrollback setting as a number of characters: empty or unreadable text is the default,
// others are held within the least and the most.
std::size_t scrollback_chars(std::string_view setting);

// The position of needle in text at or after from (forward) or starting before from (backward),
// wrapping around; nothing when it is not there at all.
std::optional<std::size_t> find_text(std::string_view text, std::string_view needle, std::size_t from,
                                     bool forward, bool match_case);

class ScrollbackSearch {
 public:
  void set_needle(std::string_view needle, bool match_case);
  // The next hit after the current one (the first from the start when there is none yet).
  std::optional<std::size_t> next(std::string_view text);
  std::optional<std::size_t> previous(std::string_view text);
  std::optional<std::size_t> hit() const { return hit_; }
  std::size_t length() const { return needle_.size(); }

 private:
  std::string needle_;
  bool match_case_ = false;
  std::optional<std::size_t> hit_;
};

}  // namespace vexa
