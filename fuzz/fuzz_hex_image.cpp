// Intel HEX files: the image keeps its 64 KB, only data bytes change it, and the counts stay in
// bounds.
#include <cstring>
#include <sstream>
#include <vector>

#include "download/hex_image.h"
#include "fuzz/fuzz_support.h"

using vexa::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The library's compare keeps the 64 KB scan out of the fuzzer's instrumented code.
  static const std::vector<std::uint8_t> erased(vexa::kHexImageBytes, 0xFF);
  std::istringstream in(std::string(vexa::fuzz::text_of(data, size)));
  const vexa::HexImage image = vexa::read_hex_image(in);
  check(image.bytes.size() == vexa::kHexImageBytes);
  check(image.data_count >= 0 && image.long_records >= 0 && image.short_records >= 0);
  // A record carries at most 255 bytes and takes at least a ':' and its line end.
  check(static_cast<std::size_t>(image.data_count) <= 255 * (size / 2 + 1));
  // No data record, no change.
  if (image.data_count == 0) check(std::memcmp(image.bytes.data(), erased.data(), erased.size()) == 0);
  vexa::hex_identity(image);
  return 0;
}
