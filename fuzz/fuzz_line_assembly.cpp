// The line assembler fed arbitrary received bytes: every line it completes is the text between
// two LFs without its CRs, cut to 998 characters, and the line in progress never grows past that.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "link/line_assembler.h"

namespace {

using vexa::fuzz::check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  vexa::LineAssembler assembler;
  std::string expected;  // what the current line must hold: its bytes so far, without CR
  bool just_completed = false;
  std::size_t lines = 0;
  for (const char c : input) {
    // A CR is skipped: the line just completed stays until a character of the next one.
    if (just_completed && c != '\n' && c != '\r') expected.clear();
    const bool complete = assembler.feed(c);
    check(complete == (c == '\n'));
    if (c == '\n') {
      ++lines;
      just_completed = true;
    } else if (c != '\r') {
      just_completed = false;
      expected.push_back(c);
    }
    const std::string_view line = assembler.line();
    check(line.size() <= vexa::kMaxLineChars);
    check(line.find('\r') == std::string_view::npos);
    check(line.find('\n') == std::string_view::npos);
    check(line == std::string_view(expected).substr(0, vexa::kMaxLineChars));
  }
  // An empty input, or one made of LFs only, completes empty lines.
  if (!input.empty() && input.find_first_not_of('\n') == std::string_view::npos)
    check(lines == input.size() && assembler.line().empty());
  return 0;
}
