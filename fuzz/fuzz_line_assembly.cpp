// The line assembler fed arbitrary received bytes: every line it completes is the text between
// two LFs without its CRs, cut to 998 characters, and it stays until the next line's first byte.

#include "fuzz/fuzz_support.h"
#include "link/line_assembler.h"

using vexa::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vexa::LineAssembler assembler;
  std::string expected;  // what the current line must hold: its bytes so far, without CR
  bool just_completed = false;
  for (const char c : vexa::fuzz::text_of(data, size)) {
    // A CR is skipped: the line just completed stays until a character of the next one.
    if (just_completed && c != '\n' && c != '\r') expected.clear();
    check(assembler.feed(c) == (c == '\n'));
    if (c == '\n') {
      just_completed = true;
    } else if (c != '\r') {
      just_completed = false;
      expected.push_back(c);
    }
    check(assembler.line() == std::string_view(expected).substr(0, vexa::kMaxLineChars));
  }
  return 0;
}
