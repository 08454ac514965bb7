#include "analog/type_prefix.h"

#include <cctype>
#include <algorithm>
#include <string>

#include "analog/c_number.h"

namespace vexa {

namespace {

bool is_letter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

}  // namespace

TypePrefix read_type_prefix(std::string_view text, std::size_t* end) {
  TypePrefix prefix;
  std::size_t position = 0;
  if (!text.empty()) {
    prefix.letter = text[0];
    position = 1;
    if (position < text.size() && is_letter(text[position])) {
      prefix.subtype = kSubtypeLetterBase + static_cast<unsigned char>(text[position]);
      ++position;
    }
    auto number = read_unsigned(text, position);
    if (number.consumed && prefix.subtype < 0) prefix.subtype = static_cast<int>(std::min<unsigned long>(number.value, 1000000));
  }
  if (end) *end = position;
  return prefix;
}

bool match_type_prefix(std::string_view a, std::string_view b) {
  if (a.empty() || b.empty() || a[0] != b[0]) return false;
  std::size_t pa = 1, pb = 1;
  const bool letter_a = pa < a.size() && is_letter(a[pa]);
  const bool letter_b = pb < b.size() && is_letter(b[pb]);
  if (letter_a || letter_b) {
    if (pa >= a.size() || pb >= b.size() || a[pa] != b[pb]) return false;
    ++pa;
    ++pb;
  }
  return read_unsigned(a, pa).value == read_unsigned(b, pb).value;
}

}  // namespace vexa
