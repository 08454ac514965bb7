#pragma once
// Numbered lines for streaming tests, and the check that a terminal view is a contiguous tail of
// them: whatever the view dropped left from the oldest end, and no line was cut and joined to
// another.
#include <string>
#include <string_view>

namespace vexa::test {

inline constexpr std::size_t kNumberedLineChars = 56;  // with its CR LF

// "line 00042 the quick brown fox ...\r\n", 56 characters.
std::string numbered_line(int n);
// Lines first..last, each numbered_line.
std::string numbered_lines(int first, int last);

// Empty when text (board text, CR LF line ends) is a tail of numbered lines ending with line
// last (a first line cut at its front is allowed, nothing else), else what is wrong.
std::string contiguous_tail_error(std::string_view text, int last);

}  // namespace vexa::test
