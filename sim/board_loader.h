#pragma once
// The simulated board's own loader, entered with "dl": it prints its banner and from then on
// talks at its speed. HEX pages come as ':' + address low + address high (answered with the
// address high byte) and then the page's bytes (answered with its first byte); "bin" frames
// as ':' + a page of bytes (answered with one byte). Text lines are a line script: "go" starts
// the firmware again, anything else is answered "ok" and LF. After the last HEX page or "go"
// the flashed image is written to the flash file, if one is named.
#include <cstdint>
#include <string>
#include <vector>

#include "download/loader_types.h"

namespace vexa::sim {

inline constexpr char kLoaderAck = 0x06;  // the "bin" loader's reply to a frame

struct LoaderOptions {
  int row = 1;                  // index into the loader type table ("Download")
  bool bin_frames = false;      // takes "bin" frames instead of HEX pages
  bool banner = true;           // false: "dl" is ignored (a board without a loader)
  int wrong_echo_page = -1;     // HEX: this page's data is answered with a wrong byte
  bool script_crlf = false;     // script lines answered "ok" CR LF
  std::string flash_out;        // where the flashed image is written
  int vanish_after_pages = 0;   // the board goes away after this many pages (0: never)
};

class BoardLoader {
 public:
  void configure(const LoaderOptions& options);
  const LoaderType& row() const;

  bool active() const { return active_; }
  // "dl": the banner line (without its line end) when the loader starts, else nothing.
  bool enter();
  // Power off and on (power_cycle.cpp): a running loader ends where it was; a vanish fault is
  // spent.
  void power_cycle();
  // One received byte while active; returns what the loader answers.
  std::string feed(unsigned char byte);

  const std::vector<std::uint8_t>& flash() const { return flash_; }
  int pages_written() const { return pages_written_; }
  int script_lines() const { return script_lines_; }
  bool vanished() const { return options_.vanish_after_pages > 0 && pages_written_ >= options_.vanish_after_pages; }

 private:
  enum class State { idle, header, page, frame, text };
  std::string end_page();
  void leave();

  LoaderOptions options_;
  bool active_ = false;
  State state_ = State::idle;
  std::vector<std::uint8_t> flash_;
  std::string collected_;
  unsigned address_ = 0;
  unsigned bin_address_ = 0;
  int pages_written_ = 0;
  int script_lines_ = 0;
};

}  // namespace vexa::sim
