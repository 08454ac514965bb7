#pragma once
// An IPv4 stream socket with waits that another thread can end early.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/wake_event.h"

namespace vexa {

// A dotted IPv4 address taken as it is, else the first IPv4 address of the host name (network
// byte order); nothing when neither works.
std::optional<std::uint32_t> resolve_ipv4(const std::string& address);

class TcpSocket {
 public:
  TcpSocket() = default;
  ~TcpSocket();
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  // Creates the socket; 0 or an errno code.
  int create();
  // Blocking connect; 0 or an errno code.
  int connect(std::uint32_t address, int port);
  // A connect that gives up after wait_ms (ETIMEDOUT) or at interrupt() (EINTR); 0 or an errno code.
  int connect(std::uint32_t address, int port, int wait_ms);
  // Sends small writes at once instead of gathering them (a request waits for its answer).
  void send_at_once();
  bool is_open() const { return fd_ >= 0; }
  void close();

  // Sends every byte (as many sends as it takes); 0, or the errno code of the send that failed.
  int send(const char* bytes, std::size_t length);
  // Waits up to wait_ms until the socket is readable (data, end or error); false on time-out
  // or after interrupt(), or when wake_fd (a WakeEvent of the caller's) becomes readable.
  bool wait_readable(int wait_ms, int wake_fd = -1);
  // Receives up to capacity bytes: the count, 0 when the peer closed, -1 on error (errno).
  long receive(char* buffer, std::size_t capacity);
  // As receive, without waiting: -1 with errno EAGAIN when nothing is there.
  long receive_now(char* buffer, std::size_t capacity);
  // Waits up to wait_ms until the peer has acknowledged every byte sent. A close with unread
  // data in the receive queue resets the connection, and a reset throws away what was not yet
  // acknowledged: the last bytes before a close (a board's reset command) would be lost.
  // 0, ETIMEDOUT, EINTR after interrupt(), or the errno code of the query.
  int wait_sent(int wait_ms);
  // Shuts the connection down and ends every current and later wait; the descriptor itself
  // is closed by close() or the destructor.
  void interrupt();

 private:
  int fd_ = -1;
  WakeEvent interrupted_;  // signalled by interrupt(), ends every wait from then on
};

}  // namespace vexa
