#pragma once
// The byte port to the board as the jobs above the link use it: the downloads, the SAM-BA
// monitor, the file sender, the upload and the modem dialer all run over this one interface,
// against the real link session and against scripted ports in tests alike.
#include <string_view>

namespace vexa {

// What read_byte returns when it has no byte.
inline constexpr int kReadTimedOut = -1;   // nothing came within the wait
inline constexpr int kReadPortClosed = -2; // no port is open

// Whether a speed change shows the port's new description on the terminal ("Mopen ...").
enum class SpeedNotice { quiet, shown };

class BoardPort {
 public:
  virtual ~BoardPort() = default;
  // A text, recorded in the capture log with '>'; a closed port says so and writes nothing.
  virtual bool write_text(std::string_view text) = 0;
  // Raw bytes, not logged.
  virtual bool write_bytes(std::string_view bytes) = 0;
  // 0..255, kReadTimedOut or kReadPortClosed.
  virtual int read_byte(int wait_ms) = 0;
  virtual long speed() const = 0;
  // The speed in force before the change (the current one when it is already speed), or -1
  // when the port is closed or the change failed (the port is then closed).
  virtual long set_speed(long speed, SpeedNotice notice) = 0;
  virtual bool is_open() const = 0;
  // The link is the TCP connection ("tcp/ip"), where speeds mean nothing.
  virtual bool is_tcp() const = 0;
  // Switches the receive thread's reading off, so the caller gets every byte from here on, and
  // back on. Pauses nest: reading resumes with the last resume.
  virtual void pause_reading() = 0;
  virtual void resume_reading() = 0;
};

// Keeps the receive thread's reading off for a scope.
class ReadingPause {
 public:
  explicit ReadingPause(BoardPort& port) : port_(port) { port_.pause_reading(); }
  ~ReadingPause() { port_.resume_reading(); }
  ReadingPause(const ReadingPause&) = delete;
  ReadingPause& operator=(const ReadingPause&) = delete;

 private:
  BoardPort& port_;
};

}  // namespace vexa
