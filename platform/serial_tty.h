#pragma once
// A serial tty device through termios: raw 8N1 lines, exclusive use, reads that wait with
// poll() and can be woken from another thread.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/line_settings.h"
#include "platform/serial_device.h"
#include "platform/wake_event.h"

namespace vexa {

// Longest a synchronous write waits for the driver to take more bytes before it gives up.
inline constexpr int kSerialWriteStallMs = 5000;

class SerialTty final : public SerialDevice {
 public:
  SerialTty() = default;
  ~SerialTty();
  SerialTty(const SerialTty&) = delete;
  SerialTty& operator=(const SerialTty&) = delete;

  // Opens the device for reading and writing and claims it for this program alone: the tty in
  // exclusive mode and an advisory flock held while it is open, as other serial programs take
  // them, so either side refuses the other. A port that another program holds (its open, its
  // flock or its UUCP lock file in lock_dir) gives EBUSY, with holder() telling who where a lock
  // says so. 0 or an errno code.
  int open(const std::string& path, const std::string& lock_dir = "/var/lock");
  bool is_open() const { return fd_ >= 0; }
  // "minicom, pid 1234" after an open that found the port held; empty when not known.
  const std::string& holder() const override { return holder_; }
  // Gives up the claim on the port while the descriptor may still live on in another thread,
  // so the port can be opened again at once.
  void release() override;
  void close() override;

  // Raw 8N1 at any speed the driver accepts (14400 as well as 9600), receiver on, modem lines
  // ignored, no hardware handshake; with xoff_receive the driver sends XOFF/XON for the input
  // queue (IXOFF). 0 or an errno code (EINVAL for a speed the driver refuses).
  int configure(long speed, bool xoff_receive) override;
  // As configure, with a frame and handshake of the user's.
  int configure_line(long speed, const LineSettings& settings, bool xoff_receive) override;
  // What the driver holds now, read back from it (a driver may keep another frame than it
  // was told without saying so); nothing when the port is closed or cannot be read.
  std::optional<AppliedLine> applied_line() const override;
  int set_rts(bool raised) override;
  int set_dtr(bool raised) override;
  // Holds the line in the break state for duration_ms (1..kLongestBreakMs); 0 or an errno code.
  int send_break(int duration_ms) override;
  // 0 or an errno code (a pseudo-terminal has no modem lines: ENOTTY or EINVAL).
  int modem_lines(ModemLines& out) const override;
  bool networked() const override { return false; }
  int descriptor() const { return fd_; }
  // True when the carrier-detect line is up; false also when it cannot be read.
  bool carrier_detect() const override;

  // Writes every byte, waiting for room in the driver's queue; 0 or an errno code.
  int write_all(const char* bytes, std::size_t length) override;
  // Waits until the driver has sent what was written (at most kSerialWriteStallMs for its
  // queue to empty, so a line held by the handshake cannot hang the caller); 0 or an errno code.
  int drain_output() override;
  // Waits up to wait_ms for input. A hung-up line reports hung_up after the wait has passed
  // (or interrupt() was called), so callers that loop on it do not spin. A readable wake_fd
  // (a WakeEvent of the caller's, left for the caller to drain) ends the wait as timed_out.
  WaitResult wait_readable(int wait_ms, int wake_fd = -1) override;
  // Reads what is queued, without waiting: byte count, 0 when nothing, -1 on error (errno).
  long read_some(char* buffer, std::size_t capacity) override;
  // The descriptor reports a hang-up or an error (the device went away).
  bool hung_up() const override;
  // Ends every current and later wait at once (used before closing from another thread).
  void interrupt() override;

 private:
  void sleep_interruptible(int wait_ms);

  int fd_ = -1;
  WakeEvent interrupted_;  // signalled by interrupt(), ends every wait from then on
  std::string holder_;
};

// Whether a port can be asked for this speed in bits per second at all; the driver may still
// refuse it when it is set.
bool serial_speed_supported(long speed);

// The serial devices that exist under dev_root, as sysfs (sys_root) describes them: every tty in
// class/tty with a device behind it, except serial core ports whose UART type is 0 (phantom
// ttyS without a UART). In this order: ttyS<n>, ttyUSB<n>, ttyACM<n> (each by number), other
// hardware ttys (by name), then the links in serial/by-id (by name). No device is opened.
std::vector<std::string> list_serial_devices(const std::string& dev_root = "/dev",
                                             const std::string& sys_root = "/sys");

}  // namespace vexa
