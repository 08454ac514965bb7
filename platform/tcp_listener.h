#pragma once
// A listening IPv4 stream socket that never blocks, and the clients it accepts: how the
// simulator serves a board over TCP.
#include <cstdint>
#include <string>

namespace vexa {

struct TcpListening {
  int fd = -1;           // the listening socket (non-blocking, close-on-exec); -1 on failure
  int error = 0;         // the errno of the step that failed
  bool created = false;  // on failure: whether the socket was made (and binding or listening failed)
  int port = 0;          // the port it listens on: the one asked for, or the system's choice for 0
  std::string address;   // the dotted address it listens on
};

// A socket on address (network byte order) and port, with SO_REUSEADDR, listening with a
// backlog of 4. The caller closes fd.
TcpListening listen_tcp(std::uint32_t address, int port);

// The next waiting client as a non-blocking, close-on-exec socket, or -1 when none waits.
int accept_tcp_client(int listen_fd);

}  // namespace vexa
