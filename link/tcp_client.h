#pragma once
// The TCP connection to a board behind a network adapter: connect to the address and port of
// the phone number field, send, read bytes one at a time from received batches, report socket
// errors with their Winsock codes.
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "base/messages.h"
#include "link/call_state.h"
#include "base/report_sink.h"

namespace vexa {

class TcpSocket;

inline constexpr std::size_t kTcpAddressChars = 99;  // the address text is copied into char[100]
inline constexpr std::size_t kTcpBatchBytes = 999;   // one receive fills char[1000] with its NUL
inline constexpr long kTcpHighestPort = 65535;       // a larger number is refused like no port
// How long a hang-up waits for the peer to take what was sent last.
inline constexpr int kCloseSendWaitMs = 2000;

// Winsock codes kept in the reports.
inline constexpr int kWsaConnReset = 10054;
inline constexpr int kWsaTimedOut = 10060;
inline constexpr int kWsaConnRefused = 10061;

struct TcpAddress {
  std::string address;  // the leading run of digits and dots
  long port = 0;        // the number after the one separator character
};

// "  192.168.0.1 1470" -> {"192.168.0.1", 1470}; anything after the port is ignored.
TcpAddress parse_tcp_address(std::string_view text);

// The reported code for an errno value (the Winsock number where one exists) and its text.
int socket_error_code(int err);
std::string socket_error_text(int err);

class TcpClient {
 public:
  TcpClient(ReportSink& reports, const Messages& messages);
  ~TcpClient();
  TcpClient(const TcpClient&) = delete;
  TcpClient& operator=(const TcpClient&) = delete;

  // Where the "Calling"/"Online"/"Offline" texts go (the status field and the terminal);
  // by default they are printed as report lines. Set before the link is used.
  void set_status_sink(std::function<void(const std::string&)> status);
  // Told when the connection comes up (true) or goes down (false). Set before use.
  void set_state_listener(std::function<void(bool connected)> listener);
  void set_verbose(bool on) { verbose_.store(on); }

  // Connects to the address text ("ADDR PORT"); true when connected.
  bool tcp_connect(std::string_view address_text);
  // True when a connection was closed.
  bool tcp_close();
  // True when sent; on an error the connection is closed.
  bool tcp_send(const char* bytes, std::size_t length);
  // 0..255, or -1: nothing within wait_ms, an error, the peer closed, or not connected.
  int tcp_read_byte(int wait_ms);
  // Waits up to wait_ms for a byte to hand out; false at once when not connected, or as soon
  // as wake_fd (a WakeEvent of the caller's) becomes readable.
  bool wait_readable(int wait_ms, int wake_fd = -1);
  // The call button's action on the link "tcp/ip": a click closes the connection when a call
  // state is set. True when the click asks for a connection (offline): the caller then sets
  // the port layer's connect request, and the receive thread connects.
  bool tcp_toggle(bool clicked);
  // Ends a connect that is blocked on another thread (it then fails as refused or aborted).
  // For shutting down: a user's close leaves a connect in progress alone.
  void abort_connect();

  bool connected() const { return connected_.load(); }
  CallState call_state() const { return call_state_.load(); }
  // The call state shared with the modem dialer (0..2 here; the dialer also uses 3).
  SharedCallState& shared_call_state() { return call_state_; }

  // "Error: %s %d %s" with what, the reported code of err and its text.
  void report_socket_error(std::string_view what, int err);

 private:
  std::shared_ptr<TcpSocket> current() const;
  void status(const std::string& text);
  void notify(bool connected);

  ReportSink& reports_;
  const Messages& messages_;
  std::function<void(const std::string&)> status_;
  std::function<void(bool)> listener_;
  std::atomic<bool> verbose_{false};

  mutable std::mutex mutex_;  // guards socket_ (connect, close and send come from any thread)
  std::shared_ptr<TcpSocket> socket_;
  std::shared_ptr<TcpSocket> connecting_;  // the socket of a connect in progress
  std::atomic<bool> connected_{false};
  SharedCallState call_state_{CallState::offline};

  std::mutex read_mutex_;  // the batch belongs to one reader at a time
  std::string batch_;
  std::size_t read_position_ = 0;
  bool batch_valid_ = false;
};

}  // namespace vexa
