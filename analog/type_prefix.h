#pragma once
// The type prefix at the start of an analog expression or an input type's mode text: the type
// letter and an optional subtype (a letter, or a decimal number).
#include <string_view>

namespace vexa {

inline constexpr int kSubtypeLetterBase = 1000;  // a letter subtype is held as its code + 1000

struct TypePrefix {
  char letter = '-';
  int subtype = -1;  // -1 none; 0..1000 a number; 1000 + code a letter
  bool operator==(const TypePrefix&) const = default;
};

// Reads the prefix of text ('-' and no subtype for an empty text) and, when end is given, the
// position after it.
TypePrefix read_type_prefix(std::string_view text, std::size_t* end = nullptr);

// The first characters are equal; when the second character of either text is a letter, the
// second characters are equal too and both are skipped; then the unsigned decimal values of
// the rests are equal (no digits count as 0). 'a*3,2' matches "a", 'k1*1' does not match "k".
bool match_type_prefix(std::string_view a, std::string_view b);

}  // namespace vexa
