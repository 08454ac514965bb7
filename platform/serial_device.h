#pragma once
// A serial line as the port layer drives it, whatever carries it: a tty device here, or a
// serial port of a network gateway spoken to over telnet (the link layer's RFC 2217 client).
#include <cstddef>
#include <optional>
#include <string>

#include "platform/line_settings.h"

namespace vexa {

enum class WaitResult { readable, timed_out, hung_up };

// The modem lines as TIOCMGET reports them.
struct ModemLines {
  bool dtr = false, rts = false;             // outputs
  bool cts = false, dsr = false, dcd = false, ri = false;  // inputs
  bool operator==(const ModemLines&) const = default;
};

inline constexpr int kLongestBreakMs = 5000;
// The break lengths a port takes, the same for a tty and a network gateway.
inline constexpr bool is_break_duration(int duration_ms) {
  return duration_ms >= 1 && duration_ms <= kLongestBreakMs;
}

class SerialDevice {
 public:
  virtual ~SerialDevice() = default;

  // Who holds a port that refused to open ("minicom, pid 1234"); empty when not known.
  virtual const std::string& holder() const = 0;
  // Gives up the claim on the port while the device may still live on in another thread, so
  // the port can be opened again at once.
  virtual void release() = 0;
  virtual void close() = 0;
  // A network gateway's port rather than a device file: it has no path to look for, and a
  // lost connection is not an adapter that comes back by itself.
  virtual bool networked() const = 0;

  // Raw 8N1 at the speed; with xoff_receive the line sends XOFF/XON for the input queue.
  // 0 or an errno code (EINVAL for a speed the driver refuses).
  virtual int configure(long speed, bool xoff_receive) = 0;
  // As configure, with a frame and handshake of the user's.
  virtual int configure_line(long speed, const LineSettings& settings, bool xoff_receive) = 0;
  // What the line holds now, as read back from its driver or gateway; nothing when unknown.
  virtual std::optional<AppliedLine> applied_line() const = 0;
  virtual int set_rts(bool raised) = 0;
  virtual int set_dtr(bool raised) = 0;
  // Holds the line in the break state for duration_ms (1..kLongestBreakMs); 0 or an errno code.
  virtual int send_break(int duration_ms) = 0;
  // 0 or an errno code (a pseudo-terminal has no modem lines: ENOTTY or EINVAL).
  virtual int modem_lines(ModemLines& out) const = 0;
  // True when the carrier-detect line is up; false also when it cannot be read.
  virtual bool carrier_detect() const = 0;

  // Writes every byte; 0 or an errno code.
  virtual int write_all(const char* bytes, std::size_t length) = 0;
  // Waits until what was written has left (bounded, so a held line cannot hang the caller).
  virtual int drain_output() = 0;
  // Waits up to wait_ms for input. A hung-up line reports hung_up after the wait has passed
  // (or interrupt() was called), so callers that loop on it do not spin. A readable wake_fd
  // (a WakeEvent of the caller's, left for the caller to drain) ends the wait as timed_out.
  virtual WaitResult wait_readable(int wait_ms, int wake_fd = -1) = 0;
  // Reads what is queued, without waiting: byte count, 0 when nothing, -1 on error (errno).
  virtual long read_some(char* buffer, std::size_t capacity) = 0;
  // The line reports a hang-up or an error (the device or the connection went away).
  virtual bool hung_up() const = 0;
  // Ends every current and later wait at once (used before closing from another thread).
  virtual void interrupt() = 0;
};

}  // namespace vexa
