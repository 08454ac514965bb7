#pragma once
// Intel HEX files read into a 64 KB memory image the way the boards' loaders expect it: data
// records only, addresses wrapping at 0xFFFF, no validation of digits and no checksum test.
#include <cstdint>
#include <istream>
#include <vector>

namespace vexa {

inline constexpr std::size_t kHexImageBytes = 65536;
inline constexpr std::size_t kHexLineChars = 499;  // the line buffer of 500

struct HexImage {
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kHexImageBytes, 0xFF);
  std::int32_t data_count = 0;  // data bytes read, overlapping records counted twice
  int long_records = 0;         // records longer than the line buffer, ignored whole
  int short_records = 0;        // records whose line ended before their data did
};

// One hexadecimal digit as the loader's reader converts it: below ':' its value minus '0',
// otherwise its low four bits plus 9 (so both letter cases give 10..15; nothing is checked).
int unchecked_hex_digit_value(char c);

// Reads the stream to its end. A record that does not fit in 499 characters is ignored as a
// whole; a record whose line ends early keeps the bytes its line holds.
HexImage read_hex_image(std::istream& in);

// 16-bit XOR of the little-endian words image[0..1], image[2..3]... over data_count / 2 words.
std::uint16_t hex_identity(const HexImage& image);

struct WordIdentity {
  std::uint32_t value = 0;
  std::uint32_t words = 0;  // whole 32-bit words read
};

// A "bin" file: the sum of its little-endian 32-bit words modulo 2^32 (1..3 trailing bytes
// left out). Reads to the end; the caller rewinds.
WordIdentity bin_identity(std::istream& in);

}  // namespace vexa
