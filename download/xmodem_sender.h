#pragma once
// The SAM-BA monitor's send command ("S<address>,#") followed by an XMODEM-CRC transfer of
// whole 128-byte blocks. A block that is not acknowledged ends the transfer: nothing is sent
// twice.
#include <cstdint>
#include <string_view>

#include "download/samba_wire.h"

namespace vexa {

inline constexpr std::size_t kXmodemBlockBytes = 128;
inline constexpr unsigned char kSoh = 0x01;
inline constexpr unsigned char kEot = 0x04;
inline constexpr unsigned char kAck = 0x06;
inline constexpr unsigned char kNak = 0x15;
inline constexpr unsigned char kCrcStart = 'C';
inline constexpr int kStartTries = 10;
inline constexpr int kAckTries = 3;

// One block as it goes on the wire: SOH, number, 255 - number, 128 bytes, CRC high, CRC low.
// block holds up to 128 bytes; a short one is filled with zeros.
std::string xmodem_block(std::uint8_t number, std::string_view block);

// Sends data to address. A length that is not a multiple of 128 goes as whole blocks: the
// last one carries the bytes that follow data in memory, so data must be readable up to the
// next multiple of 128 (the caller pads). False after "unexpected response" was printed.
bool xmodem_send(SambaWire& wire, std::string_view padded, std::size_t length,
                 std::uint32_t address);

}  // namespace vexa
