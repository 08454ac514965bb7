#pragma once
// What the subsystems need of the terminal: report lines, and the character output that
// received bytes are echoed through.
#include <string>
#include <string_view>

namespace vexa {

class ReportSink {
 public:
  virtual ~ReportSink() = default;
  // Prints a report line (UTF-8; board text in it converted first, cp1252_to_utf8) in the
  // terminal and records it in the capture log (tag ' ').
  virtual void print_line(std::string_view text) = 0;
};

class CharSink {
 public:
  virtual ~CharSink() = default;
  // One received byte, through the terminal's new-line folding and caret notation.
  virtual void put_char(unsigned char c) = 0;
  // A burst of received bytes, as put_char of each; a sink may take them in one step.
  virtual void put_text(std::string_view bytes) {
    for (char c : bytes) put_char(static_cast<unsigned char>(c));
  }
  // Shows what put_char collected.
  virtual void flush() = 0;
};

}  // namespace vexa
