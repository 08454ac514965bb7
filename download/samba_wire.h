#pragma once
// The host's side of the SAM-BA boot monitor dialogue: the byte channel it runs over, the
// auto-baud start, the wait for the '>' prompt, monitor commands, the byte hunt and the flash
// status poll. The XMODEM sender and the download are built on it.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/board_port.h"
#include "base/messages.h"
#include "base/report_sink.h"

#include "platform/clock.h"

namespace vexa {

inline constexpr int kPromptWaitMs = 100;     // one wait of the prompt's budget
inline constexpr int kCommandWaits = 10;      // waits a monitor command gets for its prompt
inline constexpr std::size_t kCommandChars = 199;    // the 200-byte command buffer
inline constexpr std::size_t kStatusReplyChars = 100; // the flash status reply buffer
inline constexpr int kReadyPolls = 20;
inline constexpr int kHuntWaitMs = 100;

class SambaWire {
 public:
  // echo (may be null) receives the bytes of the prompt wait in verbose mode.
  // The fixed pauses of the protocol are the clock's (tests give one that only counts).
  SambaWire(BoardPort& port, ReportSink& report, const Messages& messages, const Clock& clock,
            bool verbose, CharSink* echo = nullptr);

  BoardPort& port() { return port_; }
  ReportSink& report() { return report_; }
  bool verbose() const { return verbose_; }
  void sleep(int ms) { clock_.sleep_ms(ms); }
  bool send(std::string_view bytes) { return port_.write_bytes(bytes); }

  // 0x80, 100 ms, 0x80, 100 ms, '#', 100 ms: the monitor measures the speed from it.
  void auto_baud_sync();
  // True when '>' came within the budget of waits; the other bytes (CR, LF dropped) go to
  // buffer, at most size - 1 of them. Unless quiet, a failure prints MnoDown.
  bool wait_for_prompt(std::string* buffer, std::size_t size, int waits, bool quiet);
  // Sends the command (cut to 199 characters) and waits for its prompt.
  bool monitor_command(std::string_view command);
  // 0 when wanted came within tries reads, else the first byte that was not 0 (0xFF when none).
  int hunt(int wanted, int tries);
  // Polls MC_FSR until FRDY is set; false after 20 replies without it or a missing prompt.
  bool wait_flash_ready();

 private:
  BoardPort& port_;
  ReportSink& report_;
  const Messages& messages_;
  const Clock& clock_;
  bool verbose_;
  CharSink* echo_;
};

// The number after the first 'x' of a status reply ("0x00000001"); nothing without an 'x'.
bool status_reply_ready(std::string_view reply);

}  // namespace vexa
