#pragma once
// The serial port of a network gateway (ser2net, a serial device server) reached as
// "rfc2217://host:port": a telnet connection with com port control, so that speed changes,
// the frame, Break, DTR and RTS reach the gateway's UART and its carrier comes back. The port
// layer drives it as it drives a tty.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "link/port_name.h"
#include "link/telnet_com_port.h"
#include "platform/serial_device.h"
#include "platform/tcp_socket.h"
#include "platform/wake_event.h"

namespace vexa {

// How long the connect, the negotiation and every com port request wait for the gateway.
inline constexpr int kGatewayAnswerMs = 2000;

class Rfc2217Device final : public SerialDevice {
 public:
  explicit Rfc2217Device(int answer_ms = kGatewayAnswerMs) : answer_ms_(answer_ms) {}
  ~Rfc2217Device() override;
  Rfc2217Device(const Rfc2217Device&) = delete;
  Rfc2217Device& operator=(const Rfc2217Device&) = delete;

  // Connects and negotiates com port control. 0 or an errno code: EADDRNOTAVAIL for a host
  // that cannot be resolved, ECONNREFUSED, ETIMEDOUT (no answer), EPROTONOSUPPORT (a plain
  // telnet or raw port that refuses com port control).
  int open(const GatewayAddress& address);

  const std::string& holder() const override { return holder_; }
  void release() override {}
  void close() override { interrupt(); }
  bool networked() const override { return true; }

  int configure(long speed, bool xoff_receive) override;
  int configure_line(long speed, const LineSettings& settings, bool xoff_receive) override;
  std::optional<AppliedLine> applied_line() const override;
  int set_rts(bool raised) override;
  int set_dtr(bool raised) override;
  int send_break(int duration_ms) override;
  int modem_lines(ModemLines& out) const override;
  bool carrier_detect() const override;

  int write_all(const char* bytes, std::size_t length) override;
  // Waits until the gateway has every byte written (see TcpSocket::wait_sent).
  int drain_output() override { return socket_.wait_sent(answer_ms_); }
  WaitResult wait_readable(int wait_ms, int wake_fd = -1) override;
  long read_some(char* buffer, std::size_t capacity) override;
  bool hung_up() const override;
  void interrupt() override;

 private:
  // Takes what the gateway has sent so far, without waiting. Caller holds mutex_.
  void pump_locked();
  int send_raw(std::string_view bytes);
  // Sends a com port request and waits for the gateway's answer to it; 0 or an errno code.
  int request(ComPortCommand command, std::string_view value, std::string* answer = nullptr);
  int control(unsigned char value);
  // Takes what the gateway sends until settled (called with mutex_ held after each look) gives a
  // result, the connection ends (ECONNRESET) or the answer time has passed (silent).
  int await(const std::function<std::optional<int>()>& settled, int silent);

  const int answer_ms_;
  TcpSocket socket_;
  WakeEvent interrupted_;  // ends the waits of a connection that has ended
  std::string holder_;

  mutable std::mutex mutex_;  // the codec, the received data and what the gateway said
  TelnetComPortCodec codec_;
  std::string data_;
  std::size_t data_position_ = 0;
  std::array<std::uint64_t, 256> answers_{};      // answers so far, by command
  std::array<std::string, 256> last_answer_{};    // the latest value of each
  unsigned char modem_state_ = 0;
  bool dtr_ = true, rts_ = true;
  std::optional<AppliedLine> applied_;
  bool ended_ = false;  // the gateway closed the connection or it failed

  std::mutex send_mutex_;  // keeps writes and requests whole
};

}  // namespace vexa
