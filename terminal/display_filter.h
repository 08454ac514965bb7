#pragma once
// Between the link and the terminal: received bytes go on as they are while the hex view and
// time stamps are off (the plain terminal), else as hex rows or with each line's time stamp.
// The newest received and sent bytes and the program's own report lines are kept (as much as
// the scrollback holds), so switching the view redraws what was received in the new form, with
// the report lines where they were, instead of losing it. With both on, each hex row carries
// the time its bytes came. Report lines reach the capture log once, when first printed.
//
// Threads: bytes come from the receive thread and jobs, switches from the window thread; one
// lock orders them. The terminal is called with the lock held and never calls back.
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "terminal/hex_dump.h"
#include "terminal/line_stamps.h"
#include "base/report_sink.h"
#include "terminal/scrollback.h"
#include "terminal/terminal.h"

namespace vexa {

class DisplayFilter final : public CharSink, public ReportSink {
 public:
  using Now = std::function<std::chrono::system_clock::time_point()>;
  explicit DisplayFilter(Terminal& terminal, Now now = {});

  void put_char(unsigned char c) override;
  void put_text(std::string_view bytes) override;
  void flush() override { terminal_.flush(); }
  // A report line: printed by the terminal (and logged), and kept for a redraw.
  void print_line(std::string_view text) override;
  // Bytes sent to the board: shown in the hex view only (the board's echo shows them otherwise).
  void sent(std::string_view bytes);

  // Each switch redraws the kept bytes in the new form.
  void set_hex(bool on);
  void set_stamps(bool on);
  // ANSI colour in the terminal (see Terminal::set_ansi); redraws like the switches above.
  void set_ansi(bool on);
  bool hex() const { return hex_.load(); }
  bool stamps() const { return stamps_.load(); }
  // How many bytes are kept for a redraw (the scrollback).
  void set_keep(std::size_t bytes);

 private:
  struct Piece {
    ByteDirection direction;
    std::chrono::system_clock::time_point when;
    std::string bytes;
    bool report = false;  // a report line (bytes is its text), never dumped or stamped
  };
  void add_locked(ByteDirection direction, std::string_view bytes);
  void keep_locked(Piece piece);
  void show_locked(const Piece& piece);
  void redraw_locked();

  Terminal& terminal_;
  const Now now_;
  std::atomic<bool> hex_{false};
  std::atomic<bool> stamps_{false};

  std::mutex mutex_;
  std::deque<Piece> kept_;
  std::size_t kept_bytes_ = 0;
  std::size_t keep_ = kDefaultScrollbackChars;
  HexDump dump_;
  LineStamper stamper_;
};

}  // namespace vexa
