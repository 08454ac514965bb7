#include "base/text_format.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <algorithm>
#include <vector>

namespace vexa {

std::string vformat_text(std::size_t max_chars, const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[512];
  int needed = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (needed < 0) return {};
  std::string out;
  if (static_cast<std::size_t>(needed) < sizeof small) {
    out.assign(small, static_cast<std::size_t>(needed));
  } else {
    std::vector<char> big(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(big.data(), big.size(), format, args);
    out.assign(big.data(), static_cast<std::size_t>(needed));
  }
  limit_text(out, max_chars);
  return out;
}

std::string format_text_limited(std::size_t max_chars, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = vformat_text(max_chars, format, args);
  va_end(args);
  return out;
}

std::string format_text(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = vformat_text(std::string::npos, format, args);
  va_end(args);
  return out;
}

namespace {

struct Conversion {
  std::string flags;
  int width = -1;      // -1: none
  int precision = -1;  // -1: none
  char type = 0;
};

// One number through snprintf with a conversion spec built here from checked parts only.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
template <typename Number>
std::string print_number(const Conversion& c, const char* length, char type, Number value) {
  std::string spec = "%" + c.flags;
  if (c.width >= 0) spec += std::to_string(c.width);
  if (c.precision >= 0) spec += "." + std::to_string(c.precision);
  spec += length;
  spec += type;
  char buffer[128];
  const int n = std::snprintf(buffer, sizeof buffer, spec.c_str(), value);
  if (n < 0) return {};
  if (static_cast<std::size_t>(n) < sizeof buffer) return std::string(buffer, static_cast<std::size_t>(n));
  std::vector<char> big(static_cast<std::size_t>(n) + 1);
  std::snprintf(big.data(), big.size(), spec.c_str(), value);
  return std::string(big.data(), static_cast<std::size_t>(n));
}
#pragma GCC diagnostic pop

std::string padded(const Conversion& c, std::string text) {
  if (c.width < 0 || text.size() >= static_cast<std::size_t>(c.width)) return text;
  const std::string fill(static_cast<std::size_t>(c.width) - text.size(), ' ');
  return c.flags.find('-') != std::string::npos ? text + fill : fill + text;
}

std::string as_text(const Conversion& c, const FormatArg& arg) {
  std::string text;
  switch (arg.kind()) {
    case FormatArg::Kind::text: text = arg.text(); break;
    case FormatArg::Kind::character: text = std::string(1, static_cast<char>(arg.integer())); break;
    case FormatArg::Kind::integer: text = std::to_string(arg.integer()); break;
    case FormatArg::Kind::real: text = print_number(Conversion{}, "", 'g', arg.real()); break;
  }
  if (c.type == 's' && c.precision >= 0) limit_text(text, static_cast<std::size_t>(c.precision));
  return padded(c, std::move(text));
}

std::string convert(const Conversion& c, const FormatArg& arg) {
  const std::string_view integers = "dioxXu";
  const bool wants_integer = integers.find(c.type) != std::string_view::npos;
  const bool wants_real = std::string_view("eEfgG").find(c.type) != std::string_view::npos;
  switch (arg.kind()) {
    case FormatArg::Kind::integer:
    case FormatArg::Kind::character:
      if (wants_integer) {
        if (c.type == 'd' || c.type == 'i') return print_number(c, "ll", c.type, arg.integer());
        return print_number(c, "ll", c.type, static_cast<unsigned long long>(arg.integer()));
      }
      if (wants_real) return print_number(c, "", c.type, static_cast<double>(arg.integer()));
      if (c.type == 'c') {
        Conversion plain = c;
        plain.precision = -1;
        return padded(plain, std::string(1, static_cast<char>(arg.integer())));
      }
      break;
    case FormatArg::Kind::real:
      if (wants_real) return print_number(c, "", c.type, arg.real());
      break;
    case FormatArg::Kind::text: break;
  }
  Conversion plain = c;
  if (c.type != 's') plain.precision = -1;
  return as_text(plain, arg);
}

// Reads one conversion after its '%'; the position moves past it. False for a malformed one
// or one this formatter does not serve.
bool read_conversion(std::string_view f, std::size_t& i, Conversion& c, bool& width_star,
                     bool& precision_star) {
  while (i < f.size() && std::string_view("-+ #0").find(f[i]) != std::string_view::npos) c.flags += f[i++];
  auto number = [&](int& out, bool& star) {
    if (i < f.size() && f[i] == '*') {
      star = true;
      ++i;
      return;
    }
    int value = -1;
    while (i < f.size() && f[i] >= '0' && f[i] <= '9' && value < 10000)
      value = (value < 0 ? 0 : value * 10) + (f[i++] - '0');
    out = value;
  };
  number(c.width, width_star);
  if (i < f.size() && f[i] == '.') {
    ++i;
    number(c.precision, precision_star);
    if (c.precision < 0 && !precision_star) c.precision = 0;
  }
  while (i < f.size() && std::string_view("hlLqjzt").find(f[i]) != std::string_view::npos) ++i;
  if (i >= f.size()) return false;
  c.type = f[i++];
  return std::string_view("diouxXeEfgGcs").find(c.type) != std::string_view::npos;
}

}  // namespace

std::string format_message(std::string_view f, std::initializer_list<FormatArg> args, std::size_t max_chars) {
  std::string out;
  const FormatArg* next = args.begin();
  std::size_t i = 0;
  while (i < f.size() && out.size() < max_chars) {
    const std::size_t percent = f.find('%', i);
    out.append(f.substr(i, percent == std::string_view::npos ? std::string_view::npos : percent - i));
    if (percent == std::string_view::npos) break;
    if (percent + 1 < f.size() && f[percent + 1] == '%') {
      out += '%';
      i = percent + 2;
      continue;
    }
    std::size_t end = percent + 1;
    Conversion c;
    bool width_star = false, precision_star = false;
    const bool known = read_conversion(f, end, c, width_star, precision_star);
    const std::size_t needed = 1 + (width_star ? 1 : 0) + (precision_star ? 1 : 0);
    const bool enough = static_cast<std::size_t>(args.end() - next) >= needed;
    const bool stars_are_numbers =
        enough && (!width_star || next->kind() == FormatArg::Kind::integer) &&
        (!precision_star || next[width_star ? 1 : 0].kind() == FormatArg::Kind::integer);
    if (!known || !enough || !stars_are_numbers) {
      out.append(f.substr(percent, end - percent));  // shown as written
      i = end;
      continue;
    }
    if (width_star) {
      const long long w = (next++)->integer();
      if (w < 0) c.flags += '-';
      c.width = static_cast<int>(std::min<long long>(w < 0 ? -w : w, 10000));
    }
    if (precision_star) {
      const long long p = (next++)->integer();
      c.precision = p < 0 ? -1 : static_cast<int>(std::min<long long>(p, 10000));
    }
    out += convert(c, *next++);
    i = end;
  }
  limit_text(out, max_chars);
  return out;
}

void limit_text(std::string& text, std::size_t max_chars) {
  if (text.size() > max_chars) text.resize(max_chars);
}

std::string limited(std::string_view text, std::size_t max_chars) {
  return std::string(text.substr(0, max_chars));
}

bool equal_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

int hex_digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

long leading_integer(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    int digit = text[i] - '0';
    if (value > (LONG_MAX - digit) / 10) return negative ? LONG_MIN : LONG_MAX;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

}  // namespace vexa
