#pragma once
// The hex view: bytes received ('<') and sent ('>') as rows of up to 16 with their offset in
// that direction and their text beside them, and the typed hex of the send line ('0A 1B FF').
#include <cstdint>
#include <string>
#include <string_view>

namespace vexa {

inline constexpr std::size_t kHexRowBytes = 16;

enum class ByteDirection { received, sent };

// "< 00000010  41 42 0D 0A ...                   AB.." (hex padded to a full row).
std::string format_hex_row(ByteDirection direction, std::uint64_t offset, std::string_view bytes);

// Cuts a stream into rows: a row ends when it is full or the direction changes, so sent and
// received bytes never share a row.
class HexDump {
 public:
  // The rows completed by these bytes, each ending with "\r\n".
  std::string add(ByteDirection direction, std::string_view bytes);
  // The row still being filled (empty when none), without a line end.
  std::string open_row() const;
  // Ends the open row early (a burst is over): its text with "\r\n", empty when none.
  std::string finish_row();
  void reset();

 private:

  ByteDirection direction_ = ByteDirection::received;
  std::string row_;
  std::uint64_t offsets_[2] = {0, 0};  // bytes so far in each direction, before row_
};

// The typed hex of the send line: bytes separated by spaces, tabs or commas, each one or two hex
// digits with an optional "0x"; a longer run of digits of even length stands for several bytes
// ("0A1BFF"). ok false: bad names the first piece that is not hex.
struct HexParse {
  bool ok = true;
  std::string bytes;
  std::string bad;
};
HexParse parse_hex_bytes(std::string_view text);

}  // namespace vexa
