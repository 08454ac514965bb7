#pragma once
// The description of the current input type for the analog tab's text field: mode and set
// text, the description lines, in debug mode the hidden lines, and the damage warning, with
// the colours of its parts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vexa {

class Messages;
struct InputType;

struct TextColour {
  std::uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const TextColour&) const = default;
};

inline constexpr TextColour kDescriptionBlack{0, 0, 0};
inline constexpr TextColour kDescriptionDarkRed{128, 0, 0};
inline constexpr TextColour kDescriptionRed{255, 0, 0};

// Bytes [begin, end) of the UTF-8 text in one colour.
struct ColourRange {
  std::size_t begin = 0;
  std::size_t end = 0;
  TextColour colour;
  bool operator==(const ColourRange&) const = default;
};

struct TypeDescription {
  std::string text;                  // lines end in CR LF
  std::vector<ColourRange> colours;  // consecutive, covering the text; empty for an empty text
};

// The description of type (empty for none). debug adds the hidden lines; a non-empty warn
// text adds the catalog's warning lines MinpWarn and MinpWarn2 in the current language.
TypeDescription show_type_description(const InputType* type, bool debug, const Messages& messages);

}  // namespace vexa
