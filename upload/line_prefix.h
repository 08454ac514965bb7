#pragma once
// The prefixes an upload recognises at the start of a data line: a time stamp in one of four
// forms, or a three-digit line number. In a pattern '.' stands for a decimal digit, ' ' for a
// blank or a tab, and every other character for itself; the whole pattern must match.
#include <cstddef>
#include <string_view>

namespace vexa {

// Length of the pattern when text begins with it, else 0.
std::size_t pattern_prefix(std::string_view text, std::string_view pattern);

// Length of the time stamp text begins with (trailing blank included), else 0.
std::size_t time_stamp_length(std::string_view text);

// Length of the number prefix ('017: ') text begins with, else 0. A time stamp is no number
// prefix.
std::size_t number_prefix_length(std::string_view text);

// Length of whichever prefix (time stamp first) text begins with, else 0.
std::size_t data_prefix_length(std::string_view text);

}  // namespace vexa
