#pragma once
// What the downloads need of the link, so they run against the real link session and against
// scripted boards in tests alike; and the clock and sleeps they pace themselves with.
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace vexa {

class DownloadPort {
 public:
  virtual ~DownloadPort() = default;
  // Binary bytes, not recorded in the capture log.
  virtual bool write_bytes(std::string_view bytes) = 0;
  // A command text, recorded in the capture log.
  virtual bool write_text(std::string_view text) = 0;
  // 0..255, -1 when nothing came within wait_ms, -2 when the link is closed.
  virtual int read_byte(int wait_ms) = 0;
  virtual long speed() const = 0;
  // The speed before the change, or -1 when the link is closed or the change failed.
  virtual long set_speed(long speed) = 0;
  // The receive thread's reading; pauses nest.
  virtual void pause_reading() = 0;
  virtual void resume_reading() = 0;
  // The reply wait of the text-line protocol (prints the line unless echo is suppressed).
  virtual bool send_and_wait_ok(std::string_view command) = 0;
  virtual void set_echo_suppressed(bool on) = 0;
};

// Keeps the receive thread's reading off for a scope.
class PortReadingPause {
 public:
  explicit PortReadingPause(DownloadPort& port) : port_(port) { port_.pause_reading(); }
  ~PortReadingPause() { port_.resume_reading(); }
  PortReadingPause(const PortReadingPause&) = delete;
  PortReadingPause& operator=(const PortReadingPause&) = delete;

 private:
  DownloadPort& port_;
};

}  // namespace vexa
