#include "download/hex_image.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>

namespace vexa {

namespace {

// Lines as a 500-byte line buffer holds them: at most 499 characters, the LF included. The
// stream is read in blocks, so a file of any size or content passes at disk speed.
class LineReader {
 public:
  explicit LineReader(std::istream& in) : in_(in) {}
  // False at the end of the stream; too_long is set when the line did not fit.
  bool next(std::string& line, bool& too_long) {
    line.clear();
    too_long = false;
    bool any = false;
    for (;;) {
      if (position_ == filled_ && !refill()) return any;
      any = true;
      const char* start = block_.data() + position_;
      const char* end = block_.data() + filled_;
      const char* lf = static_cast<const char*>(std::memchr(start, '\n', static_cast<std::size_t>(end - start)));
      const char* stop = lf ? lf + 1 : end;
      const std::size_t n = static_cast<std::size_t>(stop - start);
      const std::size_t room = kHexLineChars - std::min(line.size(), kHexLineChars);
      line.append(start, std::min(n, room));
      if (n > room) too_long = true;
      position_ += n;
      if (lf) return true;
    }
  }

 private:
  bool refill() {
    if (!in_) return false;
    in_.read(block_.data(), static_cast<std::streamsize>(block_.size()));
    filled_ = static_cast<std::size_t>(in_.gcount());
    position_ = 0;
    return filled_ > 0;
  }
  std::istream& in_;
  std::array<char, 65536> block_{};
  std::size_t filled_ = 0, position_ = 0;
};

int pair_value(const std::string& line, std::size_t at) {
  return unchecked_hex_digit_value(line[at]) * 16 + unchecked_hex_digit_value(line[at + 1]);
}

}  // namespace

int unchecked_hex_digit_value(char c) {
  if (c < ':') return c - '0';
  return (static_cast<unsigned char>(c) & 0x0F) + 9;
}

HexImage read_hex_image(std::istream& in) {
  HexImage image;
  std::string line;
  bool too_long = false;
  auto reader = std::make_unique<LineReader>(in);
  while (reader->next(line, too_long)) {
    if (line.empty() || line[0] != ':') continue;
    if (too_long) {
      ++image.long_records;
      continue;
    }
    // Byte count, address high, address low, type: four pairs after the ':'.
    if (line.size() < 9) {
      ++image.short_records;
      continue;
    }
    const int count = pair_value(line, 1) & 0xFF;
    unsigned address = static_cast<unsigned>((pair_value(line, 3) & 0xFF) << 8 | (pair_value(line, 5) & 0xFF));
    const int type = pair_value(line, 7) & 0xFF;
    if (type != 0 || count == 0) continue;
    std::size_t text_end = line.size();
    while (text_end > 9 && (line[text_end - 1] == '\n' || line[text_end - 1] == '\r')) --text_end;
    std::size_t at = 9;
    for (int i = 0; i < count; ++i, at += 2) {
      if (at + 1 >= text_end) {
        ++image.short_records;
        break;
      }
      image.bytes[address] = static_cast<std::uint8_t>(pair_value(line, at));
      address = (address + 1) & 0xFFFF;
      ++image.data_count;
    }
  }
  return image;
}

std::uint16_t hex_identity(const HexImage& image) {
  std::uint16_t identity = 0;
  const std::int32_t words = image.data_count / 2;
  for (std::int32_t w = 0; w < words; ++w) {
    // Offsets past the image wrap as the image's addresses do.
    const std::size_t at = (static_cast<std::size_t>(w) * 2) % kHexImageBytes;
    identity ^= static_cast<std::uint16_t>(image.bytes[at] | image.bytes[at + 1] << 8);
  }
  return identity;
}

WordIdentity bin_identity(std::istream& in) {
  WordIdentity identity;
  std::array<char, 4096> block{};
  unsigned char word[4];
  std::size_t filled = 0;
  while (in) {
    in.read(block.data(), block.size());
    std::streamsize got = in.gcount();
    for (std::streamsize i = 0; i < got; ++i) {
      word[filled++] = static_cast<unsigned char>(block[static_cast<std::size_t>(i)]);
      if (filled < 4) continue;
      filled = 0;
      std::uint32_t value = word[0] | (word[1] << 8) | (word[2] << 16) |
                            (static_cast<std::uint32_t>(word[3]) << 24);
      identity.value += value;  // modulo 2^32
      ++identity.words;
    }
  }
  return identity;
}

}  // namespace vexa
