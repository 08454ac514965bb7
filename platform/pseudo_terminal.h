#pragma once
// A pseudo-terminal whose master side stands in for a board: the slave path is opened like a
// serial port, the master reads what was sent and writes what the board answers.
#include <string>
#include <string_view>
#include <termios.h>

namespace vexa {

class PseudoTerminal {
 public:
  // Opens a master with a raw line; is_open() tells whether that worked.
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool is_open() const { return master_ >= 0; }
  const std::string& slave_path() const { return slave_path_; }
  int master_fd() const { return master_; }

  // Writes all bytes to the master side (waiting for room up to a few seconds).
  bool write(std::string_view bytes);
  // What arrives within wait_ms (stops early after max_bytes).
  std::string read_for(int wait_ms, std::size_t max_bytes = 1 << 20);
  // Reads until the collected text contains needle or timeout_ms passed; returns all collected.
  std::string read_until(std::string_view needle, int timeout_ms);
  // The line settings in force (shared by both sides).
  bool line_settings(termios& out) const;
  // Closing the master hangs up whoever holds the slave.
  void close();

 private:
  int master_ = -1;
  std::string slave_path_;
};

}  // namespace vexa
