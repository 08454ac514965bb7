#pragma once
// How much of the terminal's text is kept: the last N lines (the TermScrollback setting), or, with
// 0 lines, the old character rule (at 15,000 characters the older 7,500 go). Every trim of the
// view and of the text queued for it follows this one rule. A line ends with CR LF, the new line
// of board text; the line being received counts as none.
#include <cstddef>
#include <string_view>

namespace vexa {

inline constexpr std::size_t kViewTrimAtChars = 15000;   // the character rule: trimmed from this length
inline constexpr std::size_t kViewTrimDropChars = 7500;  // the older part it drops
// The older Scrollback setting: how many characters the character rule keeps.
inline constexpr std::size_t kDefaultScrollbackChars = 15000;
inline constexpr std::size_t kLeastScrollbackChars = 2000;
inline constexpr std::size_t kMostScrollbackChars = 10u << 20;
inline constexpr std::size_t kDefaultScrollbackLines = 10000;
inline constexpr std::size_t kLeastScrollbackLines = 100;
inline constexpr std::size_t kMostScrollbackLines = 200000;
// Under the line rule the text also stays below this many characters a line on average, so a
// board that sends no line ends at all cannot grow the view without end.
inline constexpr std::size_t kScrollbackLineChars = 256;

// The TermScrollback setting as a number of lines: 0 is the character rule, empty or unreadable
// text the default, others held within the least and the most.
std::size_t scrollback_lines(std::string_view setting);

// The Scrollback setting as a number of characters: empty or unreadable text is the default,
// others are held within the least and the most.
std::size_t scrollback_chars(std::string_view setting);

// CR LF pairs in text.
std::size_t count_line_ends(std::string_view text);
// The position just after the count-th line end of text (text.size() when it has fewer).
std::size_t after_line_ends(std::string_view text, std::size_t count);

class ScrollbackLimit {
 public:
  // The character rule: the older half goes at `trim_chars` characters (15,000: 7,500 go).
  static ScrollbackLimit characters(std::size_t trim_chars);
  // The last `lines` lines (0: the character rule at its 15,000).
  static ScrollbackLimit of_lines(std::size_t lines);

  bool by_lines() const { return lines_ > 0; }
  std::size_t lines() const { return lines_; }
  // The length at which the older half goes: the character rule, or the line rule's ceiling.
  std::size_t trim_chars() const { return trim_chars_; }
  // How many characters the older half is, at trim_chars.
  std::size_t half_chars() const;

  // Lines to drop from the front of a text that holds line_ends line ends.
  std::size_t excess_lines(std::size_t line_ends) const {
    return by_lines() && line_ends > lines_ ? line_ends - lines_ : 0;
  }
  // Characters to drop from the front of a text of length characters: the older half, as often
  // as it takes to come below trim_chars.
  std::size_t excess_chars(std::size_t length) const;
  // Text waiting for a view that falls behind is cut back to lines() only once it holds this
  // many, so a slow view does not cost one cut of a long text per burst.
  std::size_t backlog_lines() const { return lines_ + lines_ / 4; }

  bool operator==(const ScrollbackLimit&) const = default;

 private:
  ScrollbackLimit(std::size_t lines, std::size_t trim_chars) : lines_(lines), trim_chars_(trim_chars) {}
  std::size_t lines_;
  std::size_t trim_chars_;
};

}  // namespace vexa
