#include "analog/input_type_description.h"

#include "analog/input_types.h"
#include "base/messages.h"

namespace vexa {

TypeDescription show_type_description(const InputType* type, bool debug, const Messages& messages) {
  TypeDescription description;
  if (!type) return description;
  std::string& text = description.text;
  text = type->mode + "  " + type->set + "\r\n" + type->txt;
  const std::size_t first_end = text.size();
  if (debug) text += type->hide;
  const std::size_t warning_start = text.size();
  if (!type->warn.empty()) text += messages.message("MinpWarn") + "\r\n" + messages.message("MinpWarn2");

  auto add = [&](std::size_t begin, std::size_t end, TextColour colour) {
    if (end > begin) description.colours.push_back({begin, end, colour});
  };
  add(0, first_end, kDescriptionBlack);
  add(first_end, warning_start, kDescriptionDarkRed);
  add(warning_start, text.size(), kDescriptionRed);
  return description;
}

}  // namespace vexa
