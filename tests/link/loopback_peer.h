#pragma once
// The far end of a TCP connection on 127.0.0.1: a listener on a free port that accepts one
// connection and sends, receives, closes or resets it. Every wait is a hang guard.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <string_view>

namespace vexa::test {

class LoopbackPeer {
 public:
  // listening false: the port is bound but not listening, so a connect to it is refused.
  explicit LoopbackPeer(bool listening = true) {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    if (listening) ::listen(listen_fd_, 4);
  }
  ~LoopbackPeer() {
    close();
    ::close(listen_fd_);
  }
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  // A small receive buffer, for the connections accepted from now on: a peer that stops
  // reading then holds the client's bytes in the client's own send queue.
  void set_receive_buffer(int bytes) { ::setsockopt(listen_fd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes); }
  int port() const { return port_; }
  int fd() const { return peer_fd_; }  // the accepted connection
  std::string address_text() const { return "127.0.0.1 " + std::to_string(port_); }

  bool accept(int timeout_ms = 5000) {
    if (!readable(listen_fd_, timeout_ms)) return false;
    peer_fd_ = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    return peer_fd_ >= 0;
  }
  bool send(std::string_view bytes) {
    return ::send(peer_fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }
  // Reads until count bytes came or nothing came for timeout_ms.
  std::string receive(std::size_t count, int timeout_ms = 5000) {
    std::string got;
    char buffer[256];
    ssize_t n = 0;
    while (got.size() < count && readable(peer_fd_, timeout_ms) && (n = ::recv(peer_fd_, buffer, sizeof buffer, 0)) > 0)
      got.append(buffer, static_cast<std::size_t>(n));
    return got;
  }
  // True once the client has closed its end.
  bool client_closed(int timeout_ms = 5000) {
    char byte;
    return readable(peer_fd_, timeout_ms) && ::recv(peer_fd_, &byte, 1, 0) <= 0;
  }
  // An orderly close: the client reads the end of the stream.
  void close() {
    if (peer_fd_ >= 0) ::close(peer_fd_);
    peer_fd_ = -1;
  }
  // A close that resets the connection.
  void reset() {
    linger hard{1, 0};
    ::setsockopt(peer_fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    close();
  }

 private:
  static bool readable(int fd, int timeout_ms) {
    pollfd fds{fd, POLLIN, 0};
    return ::poll(&fds, 1, timeout_ms) > 0;
  }

  int listen_fd_ = -1;
  int peer_fd_ = -1;
  int port_ = 0;
};

}  // namespace vexa::test
