#pragma once
// The one connection to the board: the serial port of a "COMn" name or a device path or, for
// the link name "tcp/ip", the TCP client. Keeps the selectors' texts, opens and closes what they
// name, writes to whichever connection stands and reads from it with a time-out.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "base/capture_log.h"
#include "base/messages.h"
#include "base/report_sink.h"
#include "link/port_name.h"
#include "link/serial_port.h"
#include "link/tcp_client.h"
#include "platform/wake_event.h"

namespace vexa {

class SerialLink {
 public:
  SerialLink(ReportSink& reports, const Messages& messages, TcpClient& tcp, CaptureLog* log = nullptr);
  SerialLink(const SerialLink&) = delete;
  SerialLink& operator=(const SerialLink&) = delete;

  void set_observer(LinkObserver* observer) { serial_.set_observer(observer); }

  // The selectors' texts (the speed cut to 20 characters, the name to 255), read again by every open.
  void select(std::string_view link_name, std::string_view speed_text);
  std::string link_name() const;
  std::string speed_text() const;
  long speed() const { return serial_.speed(); }
  // The address text of the phone number field, for the TCP connect.
  void set_tcp_address(std::string_view text);
  std::string tcp_address() const;

  // The user's frame, handshake and free speeds: nothing (the default) keeps the boards' plain
  // 8N1 with the driver's listed speeds only. Takes effect at the next open or speed change.
  void set_line_settings(std::optional<LineSettings> settings) { serial_.set_line_settings(settings); }
  std::optional<LineSettings> line_settings() const { return serial_.line_settings(); }
  // The description line of the port as it would open now.
  std::string description() const;
  // What the open port's driver holds, read back after its last open or change; nothing
  // while no serial port is open.
  std::optional<AppliedLine> applied_line() const { return serial_.applied_line(); }
  // Its description ("COM5:9600,n,8,1" with what the driver kept); nothing while closed.
  std::optional<std::string> kept_description() const { return serial_.kept_description(); }
  // Takes the line settings and speed on the open port at once (the line settings dialog),
  // reporting what the driver kept as an open does. Closed: the speed waits for the next open.
  // False when the port is closed or refused them (it is then closed).
  bool reconfigure(long speed);

  // Modem lines of the open serial port: 0 or an errno code (EBADF when none is open).
  int send_break(int duration_ms) { return serial_.send_break(duration_ms); }
  int set_dtr(bool raised) { return serial_.set_dtr(raised); }
  int set_rts(bool raised) { return serial_.set_rts(raised); }
  int modem_lines(ModemLines& out) const { return serial_.modem_lines(out); }

  // A user's open (reconnect false) or the automatic reopen after a loss (reconnect true).
  // For "tcp/ip" only the connect request is set: the receive thread connects.
  bool open_link(bool reconnect);
  // True when a serial port was open and is now closed.
  bool close_link() { return serial_.close(); }
  // The speed in force before the change, the current speed when it is already speed, or -1
  // (port closed, or the change failed and the port was closed).
  long set_speed(long speed, bool announce) { return serial_.set_speed(speed, announce); }

  // A text, recorded in the capture log with '>'.
  bool write_text(std::string_view text);
  // Binary bytes, not logged.
  bool write_bytes(const char* bytes, std::size_t length);
  // One character as a one-character text; NUL writes nothing.
  bool write_char(char c);

  // 0..255, -1 when nothing came within wait_ms, -2 when the serial port is not open.
  int serial_read_byte(int wait_ms) { return serial_.read_byte(wait_ms); }
  // The TCP reader when no serial port is open, else serial_read_byte.
  int link_read_byte(int wait_ms);
  // The next serial read returns this byte first (0: none).
  void push_back(unsigned char byte) { serial_.push_back(byte); }

  bool serial_open() const { return serial_.is_open(); }
  bool link_is_open() const;
  bool lost() const { return serial_.lost(); }
  bool carrier_detect() const { return serial_.carrier_detect(); }

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
  bool read_serial_chunk(std::string& out, std::uint64_t* opening = nullptr) {
    return serial_.read_chunk(out, opening);
  }
  void wake_receiver();
  // Sleeps up to wait_ms, less when wake_receiver() is called.
  void wait_for_wake(int wait_ms) { receiver_wake_.wait(wait_ms); }

 private:
  ReportSink& reports_;
  const Messages& messages_;
  TcpClient& tcp_;
  CaptureLog* log_;

  mutable std::mutex state_mutex_;  // the selectors' texts and the address
  std::string link_name_ = "COM1";
  std::string speed_text_ = "9600";
  std::string tcp_address_;
  std::atomic<bool> tcp_connect_request_{false};

  std::mutex write_mutex_;  // keeps concurrent TCP sends whole

  WakeEvent receiver_wake_;  // ends the receive thread's wait early (stop, pause, open)
  SerialPort serial_;        // after receiver_wake_, which it signals
};

}  // namespace vexa
