#pragma once
// Everything that makes up the link to a board, wired together: the port layer, the TCP
// client, the receive thread, the line consumers and the reply wait. It is also the board
// channel the configuration, download and upload code send their commands through.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/capture_log.h"
#include "base/messages.h"
#include "link/board_channel.h"
#include "link/link_board_port.h"
#include "link/link_control.h"
#include "link/line_consumers.h"
#include "link/receive_thread.h"
#include "link/reply_wait.h"
#include "link/serial_link.h"
#include "link/tcp_client.h"
#include "base/report_sink.h"

namespace vexa {

inline constexpr std::size_t kSendLineChars = 499;  // send_line's copy holds 500 with its LF
inline constexpr int kWaitTimeoutCode = 258;        // the wait's result code for a time-out

class LinkSession final : public BoardChannel, public LinkControl {
 public:
  // reports: report lines (the terminal); echo: received bytes (the terminal's character
  // output). The receive thread starts with start().
  LinkSession(ReportSink& reports, CharSink& echo, const Messages& messages, CaptureLog* log = nullptr);
  ~LinkSession() override;
  LinkSession(const LinkSession&) = delete;
  LinkSession& operator=(const LinkSession&) = delete;

  void start();
  void stop();

  SerialLink& port() { return port_; }
  TcpClient& tcp() { return tcp_; }
  LineConsumers& consumers() { return consumers_; }
  ReplyWait& replies() { return replies_; }
  ReceiveFlags& flags() { return flags_; }
  ReceiveThread& receiver() { return receiver_; }
  // The byte port the jobs talk to the board through.
  BoardPort& board_port() { return board_port_; }

  // Opens the port by its name ("COMn", a path, "tcp/ip") at speed_text; for "tcp/ip" the
  // connection is made on the receive thread, so this waits up to wait_ms for it.
  bool open(std::string_view link_name, std::string_view speed_text, int tcp_wait_ms = 10000);
  // Closes the serial port or the TCP connection; true when something was open.
  bool close();

  // The reply time-out (3000 ms; tests shorten it).
  void set_reply_timeout_ms(int ms) { reply_timeout_ms_.store(ms); }

  // --- BoardChannel ---
  bool send_and_wait_ok(std::string_view command) override;
  bool wait_line(std::string_view expected) override;
  void send_line(std::string_view text) override;
  void set_echo_suppressed(bool on) override { flags_.echo_suppressed.store(on); }

  // --- LinkControl ---
  bool serial_open() override { return port_.serial_open(); }
  bool open_link() override { return port_.open_link(false) && port_.serial_open(); }
  void set_tcp_address(std::string_view text) override { port_.set_tcp_address(text); }
  bool carrier_detect() override { return port_.carrier_detect(); }
  void set_upload_running(bool running) override { consumers_.set_upload_running(running); }

  // Writes a text to the link as it stands (recorded in the capture log with '>'); a
  // following wait_line waits for the line after it. Jobs write through board_port().
  bool write_text(std::string_view text);

  // Waits for the first line completed after mark and compares it with expected (cut at its
  // first CR or LF), reporting a time-out or a different line.
  bool wait_line_after(std::uint64_t mark, std::string_view expected);

 private:
  ReportSink& reports_;
  const Messages& messages_;
  TcpClient tcp_;
  SerialLink port_;
  LineConsumers consumers_;
  ReplyWait replies_;
  ReceiveFlags flags_;
  ReceiveThread receiver_;
  LinkBoardPort board_port_{*this};
  std::atomic<std::uint64_t> last_write_mark_{0};
  std::atomic<int> reply_timeout_ms_{kReplyWaitMs};
};

}  // namespace vexa
