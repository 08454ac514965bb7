#include "sim/board_kind.h"

#include <cctype>

#include "base/text_format.h"

namespace vexa::sim {

std::string BoardKind::identity_line() const {
  return format_text("%s %c v%d", name.c_str(), type, firmware);
}

bool is_board_type(char letter) { return letter == 'E' || letter == 'F' || letter == 'S'; }

bool is_board_name(std::string_view name) {
  if (name.empty() || name.size() > kBoardNameChars) return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  return true;
}

bool is_firmware_version(long version) {
  return version >= kLowestFirmware && version <= kHighestFirmware;
}

}  // namespace vexa::sim
