#include "platform/tcp_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace vexa {

TcpListening listen_tcp(std::uint32_t address, int port) {
  TcpListening result;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    result.error = errno;
    return result;
  }
  result.created = true;
  int yes = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = address;
  local.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || ::listen(fd, 4) != 0) {
    result.error = errno;
    ::close(fd);
    return result;
  }
  // Port 0 asks the system for a free port: the name says which.
  socklen_t size = sizeof local;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size);
  char dotted[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &local.sin_addr, dotted, sizeof dotted);
  result.fd = fd;
  result.port = ntohs(local.sin_port);
  result.address = dotted;
  return result;
}

int accept_tcp_client(int listen_fd) {
  return ::accept4(listen_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
}

}  // namespace vexa
