#pragma once
// The 16-bit CRC of XMODEM-CRC: polynomial 0x1021, initial value 0, most significant bit
// first, no final XOR.
#include <cstdint>
#include <string_view>

namespace vexa {

std::uint16_t xmodem_crc16(std::string_view bytes, std::uint16_t crc = 0);

}  // namespace vexa
