#pragma once
// Time stamps in front of received lines: each line gets the time its first byte arrived, to the
// millisecond. Line ends (CR, LF) themselves never start a line, so CR LF is one line end and an
// empty line carries no stamp.
#include <chrono>
#include <string>
#include <string_view>

namespace vexa {

// "[14:03:07.482] " in local time.
std::string line_stamp(std::chrono::system_clock::time_point when);

class LineStamper {
 public:
  // The chunk with a stamp before every line that begins in it; arrived is when the chunk came.
  std::string stamp(std::string_view chunk, std::chrono::system_clock::time_point arrived);
  // The next byte begins a line (after a report line, or when stamps are turned on).
  void restart() { at_line_start_ = true; }

 private:
  bool at_line_start_ = true;
};

}  // namespace vexa
