#include "platform/tcp_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <linux/sockios.h>

#include <cerrno>
#include <chrono>

namespace vexa {

namespace {

sockaddr_in peer_address(std::uint32_t address, int port) {
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_addr.s_addr = address;
  peer.sin_port = htons(static_cast<std::uint16_t>(port));
  return peer;
}

}  // namespace

std::optional<std::uint32_t> resolve_ipv4(const std::string& address) {
  in_addr parsed{};
  if (!address.empty() && ::inet_aton(address.c_str(), &parsed) != 0) return parsed.s_addr;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (address.empty() || ::getaddrinfo(address.c_str(), nullptr, &hints, &found) != 0 || !found)
    return std::nullopt;
  std::uint32_t result = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  ::freeaddrinfo(found);
  return result;
}

TcpSocket::~TcpSocket() { close(); }

int TcpSocket::create() {
  close();
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  return fd_ < 0 ? errno : 0;
}

int TcpSocket::connect(std::uint32_t address, int port) {
  if (fd_ < 0) return EBADF;
  const sockaddr_in peer = peer_address(address, port);
  for (;;) {
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) return 0;
    if (errno != EINTR) return errno;
  }
}

int TcpSocket::connect(std::uint32_t address, int port, int wait_ms) {
  if (fd_ < 0) return EBADF;
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags < 0 || ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) < 0) return errno;
  const sockaddr_in peer = peer_address(address, port);
  int result = 0;
  if (::connect(fd_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
    result = errno;
    if (result == EINPROGRESS) {
      pollfd fds[2] = {{fd_, POLLOUT, 0}, {interrupted_.descriptor(), POLLIN, 0}};
      int rc;
      do {
        rc = ::poll(fds, 2, wait_ms < 0 ? 0 : wait_ms);
      } while (rc < 0 && errno == EINTR);
      socklen_t length = sizeof result;
      if (rc < 0)
        result = errno;
      else if (rc == 0)
        result = ETIMEDOUT;
      else if (fds[1].revents != 0)
        result = EINTR;
      else if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &result, &length) != 0)
        result = errno;
    }
  }
  if (::fcntl(fd_, F_SETFL, flags) < 0 && result == 0) result = errno;
  return result;
}

void TcpSocket::send_at_once() {
  const int on = 1;
  if (fd_ >= 0) ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void TcpSocket::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

int TcpSocket::send(const char* bytes, std::size_t length) {
  if (fd_ < 0) return EBADF;
  // The kernel may take part of the bytes (a signal while the peer's window is full): the rest
  // follows, so a command never reaches the board cut in two.
  while (length > 0) {
    const ssize_t sent = ::send(fd_, bytes, length, MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes += sent;
    length -= static_cast<std::size_t>(sent);
  }
  return 0;
}

bool TcpSocket::wait_readable(int wait_ms, int wake_fd) {
  if (fd_ < 0) return false;
  pollfd fds[3] = {{fd_, POLLIN, 0}, {interrupted_.descriptor(), POLLIN, 0}, {wake_fd, POLLIN, 0}};
  int rc;
  do {
    rc = ::poll(fds, wake_fd >= 0 ? 3 : 2, wait_ms < 0 ? 0 : wait_ms);
  } while (rc < 0 && errno == EINTR);
  return rc > 0 && fds[1].revents == 0 && fds[2].revents == 0 && fds[0].revents != 0;
}

long TcpSocket::receive(char* buffer, std::size_t capacity) {
  if (fd_ < 0) {
    errno = EBADF;
    return -1;
  }
  for (;;) {
    ssize_t n = ::recv(fd_, buffer, capacity, 0);
    if (n >= 0) return static_cast<long>(n);
    if (errno != EINTR) return -1;
  }
}

long TcpSocket::receive_now(char* buffer, std::size_t capacity) {
  if (fd_ < 0) {
    errno = EBADF;
    return -1;
  }
  for (;;) {
    ssize_t n = ::recv(fd_, buffer, capacity, MSG_DONTWAIT);
    if (n >= 0) return static_cast<long>(n);
    if (errno != EINTR) return -1;
  }
}

int TcpSocket::wait_sent(int wait_ms) {
  if (fd_ < 0) return EBADF;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  for (;;) {
    int unacknowledged = 0;
    if (::ioctl(fd_, SIOCOUTQ, &unacknowledged) != 0) return errno;
    if (unacknowledged == 0) return 0;
    if (std::chrono::steady_clock::now() >= deadline) return ETIMEDOUT;
    // The kernel tells nothing when the queue empties: look again soon, unless interrupted.
    pollfd fds{interrupted_.descriptor(), POLLIN, 0};
    if (::poll(&fds, 1, 2) > 0) return EINTR;
  }
}

void TcpSocket::interrupt() {
  // The shutdown also ends a send or receive that is blocked in the kernel.
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
  interrupted_.signal();  // never taken back: every later wait ends at once too
}

}  // namespace vexa
