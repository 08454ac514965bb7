// Lines of an upload listing: the prefixes found are pieces of the line that match their
// pattern, the binary data lines give one byte per hex pair up to the first pair that is not
// one, and the repair of a cut line start only ever drops a start.
#include <cctype>

#include "fuzz/fuzz_support.h"
#include "upload/data_upload.h"
#include "upload/line_prefix.h"

using vexa::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto is_hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  vexa::fuzz::Bytes bytes(data, size);
  const std::size_t pattern_size = bytes.take() % 16;
  const std::string_view all = bytes.rest();
  const std::string_view pattern = all.substr(0, pattern_size);
  const std::string_view line = all.substr(std::min(pattern_size, all.size()));

  const std::size_t matched = vexa::pattern_prefix(line, pattern);
  check(matched == 0 || matched == pattern.size());
  for (std::size_t i = 0; i < matched; ++i) {
    const char p = pattern[i], c = line[i];
    check(p == '.' ? c >= '0' && c <= '9' : p == ' ' ? c == ' ' || c == '\t' : c == p);
  }
  const std::size_t stamp = vexa::time_stamp_length(line);
  const std::size_t number = vexa::number_prefix_length(line);
  const std::size_t either = vexa::data_prefix_length(line);
  check(stamp <= line.size() && number <= line.size());
  check(stamp == 0 || number == 0);
  check(either == (stamp != 0 ? stamp : number));

  const std::string binary = vexa::hex_bytes(line);
  check(binary.size() <= line.size() / 2);
  for (std::size_t i = 0; i < binary.size(); ++i) {
    check(is_hex(line[2 * i]) && is_hex(line[2 * i + 1]));
    check(static_cast<unsigned char>(binary[i]) == std::stoul(std::string(line.substr(2 * i, 2)), nullptr, 16));
  }
  if (2 * binary.size() + 1 < line.size())
    check(!is_hex(line[2 * binary.size()]) || !is_hex(line[2 * binary.size() + 1]));

  const std::string_view repaired = vexa::drop_cut_line_start(line);
  check(repaired.size() <= line.size());
  check(line.substr(line.size() - repaired.size()) == repaired);
  if (repaired.size() != line.size()) check(!repaired.empty() && repaired[0] == '>');
  return 0;
}
