#pragma once
// Number-insensitive text comparison: every number in a text is rewritten in one fixed form,
// so "9600" and "9600.0" read alike.
#include <cstddef>
#include <string>
#include <string_view>

namespace vexa {

// The size of the buffers that file comparison normalises values into.
inline constexpr std::size_t kNormalizedChars = 1000;

// Copies text, writing every number that starts at a decimal digit (digits, optional
// fraction, optional exponent) as "%.6f"; signs and a leading '.' stay plain characters.
// The result holds at most size - 2 characters, like the buffer of that size it models.
std::string normalize_numbers(std::string_view text, std::size_t size = kNormalizedChars);

}  // namespace vexa
