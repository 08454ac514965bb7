#pragma once
// Cuts the received byte stream into reply lines: LF ends a line, CR is dropped wherever it
// occurs, a line keeps at most 998 characters (the rest up to the LF is lost). NUL bytes never
// reach the assembler: the receive loop drops them.
#include <cstddef>
#include <string>
#include <string_view>

namespace vexa {

inline constexpr std::size_t kMaxLineChars = 998;

class LineAssembler {
 public:
  LineAssembler() { line_.reserve(kMaxLineChars); }

  // Takes one byte; true when it completed a line (then line() holds it until the next byte
  // other than CR).
  bool feed(char c) {
    // A CR is no character of the line: it must not end the hold on the last complete one, so
    // "Ok\r\n\r\n" gives "Ok" twice as "Ok\n\n" does.
    if (c == '\r') return false;
    if (c == '\n') {
      complete_ = true;
      return true;
    }
    if (complete_) {
      line_.clear();
      complete_ = false;
    }
    if (line_.size() < kMaxLineChars) line_.push_back(c);
    return false;
  }

  // Forgets a half line (the connection it came over is gone).
  void clear() {
    line_.clear();
    complete_ = false;
  }

  // The line being assembled, or the last complete line right after its LF.
  std::string_view line() const { return line_; }

 private:
  std::string line_;
  bool complete_ = false;
};

}  // namespace vexa
