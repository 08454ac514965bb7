#pragma once
// What kind of board the simulator plays: its name, type letter and firmware version, and the
// identity line it reports first in its configuration.
#include <string>
#include <string_view>

namespace vexa::sim {

inline constexpr int kDefaultFirmware = 1404;
inline constexpr int kLowestFirmware = 400;    // the program accepts 400 .. 2999
inline constexpr int kHighestFirmware = 2999;
inline constexpr std::size_t kBoardNameChars = 20;

struct BoardKind {
  char type = 'S';  // 'E', 'F' or 'S'
  int firmware = kDefaultFirmware;
  std::string name = "VexaLog";

  // "VexaLog S v1404".
  std::string identity_line() const;
};

bool is_board_type(char letter);
// 1 to 20 letters and digits: what the program reads as a board name.
bool is_board_name(std::string_view name);
bool is_firmware_version(long version);

}  // namespace vexa::sim
