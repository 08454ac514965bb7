#pragma once
// The board's serial port: opens a device (or a network gateway's port) by its port name, configures its line, reports what
// the driver kept, changes its speed, drives the modem lines, watches that the device is still
// there and closes it.
//
// Reads are buffered: one read system call fetches everything the driver has queued, and the
// byte interface hands it out. The receive thread takes whole chunks of it instead.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/capture_log.h"
#include "base/messages.h"
#include "base/report_sink.h"
#include "link/port_name.h"
#include "platform/serial_tty.h"
#include "platform/wake_event.h"

namespace vexa {

inline constexpr std::size_t kPortErrorTextChars = 500;
inline constexpr std::size_t kReadChunkBytes = 4096;   // one read system call at most
inline constexpr int kDrainBytes = 20;                 // discarded right after an open

// The window's side of the port: the selector / name display and the terminal look.
class LinkObserver {
 public:
  virtual ~LinkObserver() = default;
  // The link opened (true) or closed (false).
  virtual void link_state_changed(bool open) = 0;
  // The speed selector should show this speed.
  virtual void speed_selected(long speed) = 0;
};

class SerialPort {
 public:
  // opened: signalled when a port opens (the receive thread then stops waiting for one).
  SerialPort(ReportSink& reports, const Messages& messages, WakeEvent& opened, CaptureLog* log = nullptr);
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  void set_observer(LinkObserver* observer) { observer_.store(observer); }

  long speed() const { return speed_.load(); }
  // The user's frame, handshake and free speeds: nothing (the default) keeps the boards' plain
  // 8N1 with the driver's listed speeds only. Takes effect at the next open or speed change.
  void set_line_settings(std::optional<LineSettings> settings);
  std::optional<LineSettings> line_settings() const;
  // The description line of the port name at this speed with the current line settings.
  std::string describe(const PortName& name, long speed) const;
  // What the open port's driver holds, read back after its last open or change; nothing
  // while no port is open.
  std::optional<AppliedLine> applied_line() const;
  // Its description ("COM5:9600,n,8,1" with what the driver kept); nothing while closed.
  std::optional<std::string> kept_description() const;
  // Takes the line settings and speed on the open port at once, reporting what the driver kept
  // as an open does. False when the port is closed or refused them (it is then closed).
  bool reconfigure(long speed);

  // Modem lines of the open port: 0 or an errno code (EBADF when none is open).
  int send_break(int duration_ms);
  int set_dtr(bool raised);
  int set_rts(bool raised);
  int modem_lines(ModemLines& out) const;

  // A user's open (reconnect false) or the automatic reopen after a loss (reconnect true, which
  // reports no failure). An open port is closed first.
  bool open(const PortName& port, long speed, bool reconnect);
  // True when a port was open and is now closed.
  bool close();
  // The speed in force before the change, the current speed when it is already speed, or -1
  // (port closed, or the change failed and the port was closed).
  long set_speed(long speed, bool announce);

  // Writes every byte; reports a closed port or a failed write.
  bool write(const char* bytes, std::size_t length);
  // 0..255, -1 when nothing came within wait_ms, -2 when the port is not open.
  int read_byte(int wait_ms);
  // The next read returns this byte first (0: none).
  void push_back(unsigned char byte);
  // Appends to out what the port has (push-back byte, buffered bytes, one read of the queue),
  // up to but not including a NUL byte. Returns true when a NUL was met (and dropped).
  // opening: which open of the port the bytes came from (each open counts one up).
  bool read_chunk(std::string& out, std::uint64_t* opening = nullptr);
  // Whether a push-back byte or buffered bytes wait to be read.
  bool has_buffered();
  // Waits up to wait_ms for the port to become readable, less when wake_fd becomes readable;
  // false when it did not or no port is open.
  bool wait_readable(int wait_ms, int wake_fd);

  bool is_open() const;
  bool lost() const { return lost_.load(); }
  bool carrier_detect() const;

  // The presence probe of the 100 ms timer: notices a vanished device path or a hung-up line
  // and closes the port. True when a lost port should be opened again.
  bool probe();

 private:
  std::shared_ptr<SerialDevice> tty(std::uint64_t* opening = nullptr) const;
  // A tty device for a path, a gateway's telnet port for an "rfc2217://" name; code and holder
  // tell why it did not open.
  std::shared_ptr<SerialDevice> open_device(const std::string& path, int& code, std::string& holder) const;
  PortName open_name() const;
  bool refill_locked(SerialDevice& tty);
  int configure_port(SerialDevice& port, long speed, bool xoff_receive) const;
  // After a configuration: reads the driver's settings back and keeps them; the description
  // of what it kept (what was asked when it cannot be read), and lines for what it refused.
  std::string kept_description(SerialDevice& port, const PortName& name, long speed,
                               std::vector<std::string>& refused);
  void report_configured(const std::string& description, const std::vector<std::string>& refused);
  void report_open_failure(const std::string& description, const std::string& path, int code,
                           bool reconnect, const std::string& holder = {});
  void notify_state(bool open);

  ReportSink& reports_;
  const Messages& messages_;
  WakeEvent& opened_;
  CaptureLog* log_;
  std::atomic<LinkObserver*> observer_{nullptr};

  mutable std::mutex state_mutex_;  // the open port and what is known of it
  std::string device_path_;
  std::string label_;
  std::shared_ptr<SerialDevice> tty_;
  std::uint64_t openings_ = 0;  // opens so far, tty_'s number among them
  std::optional<LineSettings> line_settings_;
  std::optional<AppliedLine> applied_;  // read back from the open port
  std::string kept_text_;               // its description
  std::atomic<long> speed_{9600};
  std::atomic<bool> lost_{false};

  std::mutex read_mutex_;  // the read buffer and push-back byte (one reader at a time)
  std::string buffer_;
  std::size_t buffer_position_ = 0;
  int push_back_ = 0;

  std::mutex write_mutex_;  // keeps concurrent writes whole
};

}  // namespace vexa
