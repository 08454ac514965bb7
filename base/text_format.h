#pragma once
// printf-style formatting into std::string, and the fixed text limits the program keeps.
#include <cstdarg>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vexa {

// Formats like vsnprintf; the result is cut at max_chars characters (the size of the
// buffer the text would have lived in, less its terminator).
std::string vformat_text(std::size_t max_chars, const char* format, va_list args)
    __attribute__((format(printf, 2, 0)));
std::string format_text_limited(std::size_t max_chars, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
// Unlimited formatting for internal use.
std::string format_text(const char* format, ...) __attribute__((format(printf, 1, 2)));

// One argument of format_message: a number, a character or a text, with its kind kept.
class FormatArg {
 public:
  enum class Kind { integer, real, character, text };
  FormatArg(int v) : kind_(Kind::integer), integer_(v) {}
  FormatArg(long v) : kind_(Kind::integer), integer_(v) {}
  FormatArg(long long v) : kind_(Kind::integer), integer_(v) {}
  FormatArg(unsigned v) : kind_(Kind::integer), integer_(v) {}
  FormatArg(unsigned long v) : kind_(Kind::integer), integer_(static_cast<long long>(v)) {}
  FormatArg(double v) : kind_(Kind::real), real_(v) {}
  FormatArg(char v) : kind_(Kind::character), integer_(static_cast<unsigned char>(v)) {}
  FormatArg(const char* v) : kind_(Kind::text), text_(v ? v : "") {}
  FormatArg(std::string_view v) : kind_(Kind::text), text_(v) {}
  FormatArg(const std::string& v) : kind_(Kind::text), text_(v) {}

  Kind kind() const { return kind_; }
  long long integer() const { return integer_; }
  double real() const { return real_; }
  std::string_view text() const { return text_; }

 private:
  Kind kind_;
  long long integer_ = 0;
  double real_ = 0;
  std::string_view text_;
};

// Formats a text that is data (a catalog message) with printf's conversions, taking the
// arguments with their kinds: the text never reaches printf as a format, a conversion the
// arguments cannot serve (none left, %n, %p, a malformed one) stays as written, and an argument
// of another kind than its conversion wants is shown as what it is. Cut at max_chars.
std::string format_message(std::string_view format, std::initializer_list<FormatArg> args,
                           std::size_t max_chars = std::string::npos);

// Cuts text to at most max_chars characters.
void limit_text(std::string& text, std::size_t max_chars);
std::string limited(std::string_view text, std::size_t max_chars);

// Case-insensitive comparison of two texts (ASCII letters only).
bool equal_nocase(std::string_view a, std::string_view b);

// The value of a hexadecimal digit of either case, -1 for any other character.
int hex_digit_value(char c);

// Integer value of the leading part of a text, like atoi: blanks, sign, digits; 0 when none.
long leading_integer(std::string_view text);

}  // namespace vexa
