#pragma once
// The one connection to the board: a serial tty (a "COMn" name or a device path) or, for the
// link name "tcp/ip", the TCP client. Opens, configures, watches and closes the port, changes
// its speed, writes to whichever connection stands and reads bytes with a time-out.
//
// Reads are buffered: one read system call fetches everything the driver has queued, and the
// byte interface hands it out. The receive thread takes whole chunks of it instead.
#include <atomic>
#include <cstdint>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/capture_log.h"
#include "base/messages.h"
#include "link/tcp_client.h"
#include "platform/serial_tty.h"
#include "platform/wake_event.h"
#include "base/report_sink.h"

namespace vexa {

inline constexpr char kTcpLinkName[] = "tcp/ip";
inline constexpr std::size_t kSelectorChars = 20;      // the speed text
// A "COMn" name fits the selector's 20 characters; device paths (serial/by-id links) are longer.
inline constexpr std::size_t kLinkNameChars = 255;
inline constexpr std::size_t kPortErrorTextChars = 500;
inline constexpr int kLowestPortNumber = 1;
inline constexpr int kHighestPortNumber = 99;
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

// What a link name opens: the device path and the description "COM5:9600,n,8,1".
struct PortName {
  std::string device_path;  // "/dev/ttyS4" for "COM5"; a path stands as it is
  std::string label;        // "COM5" or the path, used in the description
};

// "COMn" (n 1..99; anything else counts as COM1) maps to /dev/ttyS(n-1); other names are paths.
PortName resolve_port_name(std::string_view link_name);
// "%s:%d,n,8,1" with the label and the speed.
std::string port_description(const PortName& name, long speed);
// As above with the user's frame and handshake: "COM5:250000,e,7,1,rtscts".
std::string port_description(const PortName& name, long speed, const LineSettings& settings);
// What the user can do about an errno from opening a device: a hint for permissions, a busy
// port or a missing device; the system text otherwise.
// holder: who holds a busy port ("minicom, pid 1234"), empty when not known.
std::string open_failure_reason(const std::string& device_path, int error_code, const std::string& holder = {});
// The selector's entries: the serial devices that exist, then "tcp/ip".
std::vector<std::string> port_list(const std::string& dev_root = "/dev", const std::string& sys_root = "/sys");

class SerialLink {
 public:
  SerialLink(ReportSink& reports, const Messages& messages, TcpClient& tcp, CaptureLog* log = nullptr);
  ~SerialLink();
  SerialLink(const SerialLink&) = delete;
  SerialLink& operator=(const SerialLink&) = delete;

  void set_observer(LinkObserver* observer) { observer_.store(observer); }

  // The selectors' texts (the speed cut to 20 characters, the name to 255), read again by every open.
  void select(std::string_view link_name, std::string_view speed_text);
  std::string link_name() const;
  std::string speed_text() const;
  long speed() const { return speed_.load(); }
  // The address text of the phone number field, for the TCP connect.
  void set_tcp_address(std::string_view text);
  std::string tcp_address() const;

  // The user's frame, handshake and free speeds: nothing (the default) keeps the boards' plain
  // 8N1 with the driver's listed speeds only. Takes effect at the next open or speed change.
  void set_line_settings(std::optional<LineSettings> settings);
  std::optional<LineSettings> line_settings() const;
  // The description line of the port as it would open now.
  std::string description() const;
  // What the open port's driver holds, read back after its last open or change; nothing
  // while no serial port is open.
  std::optional<AppliedLine> applied_line() const;
  // Its description ("COM5:9600,n,8,1" with what the driver kept); nothing while closed.
  std::optional<std::string> kept_description() const;
  // Takes the line settings and speed on the open port at once (the line settings dialog),
  // reporting what the driver kept as an open does. Closed: the speed waits for the next open.
  // False when the port is closed or refused them (it is then closed).
  bool reconfigure(long speed);

  // Modem lines of the open serial port: 0 or an errno code (EBADF when none is open).
  int send_break(int duration_ms);
  int set_dtr(bool raised);
  int set_rts(bool raised);
  int modem_lines(ModemLines& out) const;

  // A user's open (reconnect false) or the automatic reopen after a loss (reconnect true).
  // For "tcp/ip" only the connect request is set: the receive thread connects.
  bool open_link(bool reconnect);
  // True when a serial port was open and is now closed.
  bool close_link();
  // The speed in force before the change, the current speed when it is already speed, or -1
  // (port closed, or the change failed and the port was closed).
  long set_speed(long speed, bool announce);

  // A text, recorded in the capture log with '>'.
  bool write_text(std::string_view text);
  // Binary bytes, not logged.
  bool write_bytes(const char* bytes, std::size_t length);
  // One character as a one-character text; NUL writes nothing.
  bool write_char(char c);

  // 0..255, -1 when nothing came within wait_ms, -2 when the serial port is not open.
  int serial_read_byte(int wait_ms);
  // The TCP reader when no serial port is open, else serial_read_byte.
  int link_read_byte(int wait_ms);
  // The next serial read returns this byte first (0: none).
  void push_back(unsigned char byte);

  bool serial_open() const;
  bool link_is_open() const;
  bool lost() const { return lost_.load(); }
  bool carrier_detect() const;

  // The presence probe of the 100 ms timer: notices a vanished device path or a hung-up line
  // and closes the port; reopens it once it is back.
  void probe_port();

  // --- for the receive thread ---
  // Consumes the TCP connect request (set by open_link on "tcp/ip").
  bool take_tcp_connect_request() { return tcp_connect_request_.exchange(false); }
  // Waits up to wait_ms for something to read on the open connection; with nothing open, until
  // a port opens or wake_receiver() is called. True when there is something to read.
  bool wait_readable(int wait_ms);
  // Appends to out what the serial port has (push-back byte, buffered bytes, one read of the
  // queue), up to but not including a NUL byte. Returns true when a NUL was met (and dropped).
  // opening: which open of the port the bytes came from (each open counts one up).
  bool read_serial_chunk(std::string& out, std::uint64_t* opening = nullptr);
  void wake_receiver();
  // Sleeps up to wait_ms, less when wake_receiver() is called.
  void wait_for_wake(int wait_ms) { receiver_wake_.wait(wait_ms); }

 private:
  std::shared_ptr<SerialTty> tty(std::uint64_t* opening = nullptr) const;
  bool refill_locked(SerialTty& tty);
  int configure_port(SerialTty& port, long speed, bool xoff_receive) const;
  std::string describe(const PortName& name, long speed) const;
  // After a configuration: reads the driver's settings back and keeps them; the description
  // of what it kept (what was asked when it cannot be read), and lines for what it refused.
  std::string kept_description(SerialTty& port, const PortName& name, long speed,
                               std::vector<std::string>& refused);
  void report_configured(const std::string& description, const std::vector<std::string>& refused);
  void report_open_failure(const std::string& description, const std::string& path, int code,
                           bool reconnect, const std::string& holder = {});
  void notify_state(bool open);

  ReportSink& reports_;
  const Messages& messages_;
  TcpClient& tcp_;
  CaptureLog* log_;
  std::atomic<LinkObserver*> observer_{nullptr};

  mutable std::mutex state_mutex_;  // names, the handle pointer
  std::string link_name_ = "COM1";
  std::string speed_text_ = "9600";
  std::string tcp_address_;
  std::string device_path_;
  std::string label_;
  std::shared_ptr<SerialTty> tty_;
  std::uint64_t openings_ = 0;  // state_mutex_: opens so far, tty_'s number among them
  std::optional<LineSettings> line_settings_;
  std::optional<AppliedLine> applied_;  // state_mutex_: read back from the open port
  std::string kept_text_;               // state_mutex_: its description
  std::atomic<long> speed_{9600};
  std::atomic<bool> lost_{false};
  std::atomic<bool> tcp_connect_request_{false};

  std::mutex read_mutex_;  // the read buffer and push-back byte (one reader at a time)
  std::string buffer_;
  std::size_t buffer_position_ = 0;
  int push_back_ = 0;

  std::mutex write_mutex_;  // keeps concurrent writes whole

  WakeEvent receiver_wake_;  // ends the receive thread's wait early (stop, pause, open)
};

}  // namespace vexa
