#include "download/xmodem_sender.h"

#include "base/text_format.h"
#include "download/xmodem_crc.h"

namespace vexa {

std::string xmodem_block(std::uint8_t number, std::string_view block) {
  std::string data(block.substr(0, kXmodemBlockBytes));
  data.resize(kXmodemBlockBytes, '\0');
  const std::uint16_t crc = xmodem_crc16(data);
  std::string frame;
  frame.reserve(kXmodemBlockBytes + 5);
  frame += static_cast<char>(kSoh);
  frame += static_cast<char>(number);
  frame += static_cast<char>(255 - number);
  frame += data;
  frame += static_cast<char>(crc >> 8);
  frame += static_cast<char>(crc & 0xFF);
  return frame;
}

bool xmodem_send(SambaWire& wire, std::string_view padded, std::size_t length,
                 std::uint32_t address) {
  const std::string command = format_text("S%08x,#", address);
  if (wire.verbose()) wire.report().print_line(command);
  wire.send(command);
  int unexpected = wire.hunt(kCrcStart, kStartTries);
  if (unexpected == 0) {
    std::uint8_t number = 1;
    std::size_t offset = 0;
    for (; offset < length; offset += kXmodemBlockBytes, ++number) {
      const std::string_view block =
          offset < padded.size() ? padded.substr(offset, kXmodemBlockBytes) : std::string_view();
      wire.send(xmodem_block(number, block));
      unexpected = wire.hunt(kAck, kAckTries);
      if (unexpected != 0) break;
    }
    if (unexpected == 0) {
      wire.send(std::string_view(reinterpret_cast<const char*>(&kEot), 1));
      const int reply = wire.port().read_byte(kHuntWaitMs);
      if (reply == kAck) return true;
      unexpected = reply & 0xFF;
    }
  }
  wire.report().print_line(format_text("unexpected response 0x%02x/%c", unexpected, unexpected));
  return false;
}

}  // namespace vexa
