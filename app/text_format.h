#pragma once
// printf-style formatting into std::string, and the fixed text limits the program keeps.
#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace vexa {

// Formats like vsnprintf; the result is cut at max_chars characters (the size of the
// buffer the text would have lived in, less its terminator).
std::string vformat_text(std::size_t max_chars, const char* format, va_list args);
std::string format_text_limited(std::size_t max_chars, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
// Unlimited formatting for internal use.
std::string format_text(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Cuts text to at most max_chars characters.
void limit_text(std::string& text, std::size_t max_chars);
std::string limited(std::string_view text, std::size_t max_chars);

// Case-insensitive comparison of two texts (ASCII letters only).
bool equal_nocase(std::string_view a, std::string_view b);

// text with its first "%s" replaced by value: for catalog texts that name one thing, without
// handing anything that came from outside to a format argument.
std::string fill_placeholder(std::string_view text, std::string_view value);

// Integer value of the leading part of a text, like atoi: blanks, sign, digits; 0 when none.
long leading_integer(std::string_view text);

}  // namespace vexa
