#include "download/xmodem_crc.h"

namespace vexa {

std::uint16_t xmodem_crc16(std::string_view bytes, std::uint16_t crc) {
  for (char c : bytes) {
    crc ^= static_cast<std::uint16_t>(static_cast<unsigned char>(c) << 8);
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                           : static_cast<std::uint16_t>(crc << 1);
  }
  return crc;
}

}  // namespace vexa
