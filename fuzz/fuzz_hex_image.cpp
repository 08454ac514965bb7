// Intel HEX files: the image keeps its 64 KB, only data bytes change it, the counts stay in
// bounds, and an image written back as HEX reads to the same bytes.
#include <cstring>
#include <sstream>
#include <vector>

#include "base/text_format.h"
#include "download/hex_image.h"
#include "fuzz/fuzz_support.h"

using vexa::fuzz::check;

namespace {

// The library's compare keeps the 64 KB scans out of the fuzzer's instrumented code.
const std::vector<std::uint8_t>& erased() {
  static const std::vector<std::uint8_t> bytes(vexa::kHexImageBytes, 0xFF);
  return bytes;
}

bool same(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
}

// The image as 16-byte data records of the bytes that are not 0xFF.
std::string as_hex(const vexa::HexImage& image) {
  std::string out;
  for (std::size_t at = 0; at < image.bytes.size(); at += 16) {
    if (std::memcmp(image.bytes.data() + at, erased().data(), 16) == 0) continue;
    out += vexa::format_text(":10%04X00", static_cast<unsigned>(at));
    unsigned sum = 0x10 + (at >> 8) + (at & 0xFF);
    for (std::size_t i = at; i < at + 16; ++i) {
      out += vexa::format_text("%02X", static_cast<unsigned>(image.bytes[i]));
      sum += image.bytes[i];
    }
    out += vexa::format_text("%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
  }
  return out + ":00000001FF\r\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(vexa::fuzz::text_of(data, size));
  std::istringstream in(text);
  const vexa::HexImage image = vexa::read_hex_image(in);
  check(image.bytes.size() == vexa::kHexImageBytes);
  check(image.data_count >= 0 && image.long_records >= 0 && image.short_records >= 0);
  // A record carries at most 255 bytes and takes at least a ':' and its line end.
  check(static_cast<std::size_t>(image.data_count) <= 255 * (size / 2 + 1));
  // No data record, no change.
  if (image.data_count == 0) check(same(image.bytes, erased()));
  vexa::hex_identity(image);

  std::istringstream again_in(as_hex(image));
  const vexa::HexImage again = vexa::read_hex_image(again_in);
  check(same(again.bytes, image.bytes));
  check(again.long_records == 0 && again.short_records == 0);

  std::istringstream words(text);
  check(vexa::bin_identity(words).words == size / 4);
  return 0;
}
