#include "platform/pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace vexa {

namespace {
using SteadyClock = std::chrono::steady_clock;

int ms_left(SteadyClock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}
}  // namespace

PseudoTerminal::PseudoTerminal() {
  int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  char name[128];
  if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0) {
    ::close(fd);
    return;
  }
  termios tio{};
  if (::tcgetattr(fd, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  master_ = fd;
  slave_path_ = name;
}

PseudoTerminal::~PseudoTerminal() { close(); }

void PseudoTerminal::close() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

bool PseudoTerminal::write(std::string_view bytes) {
  auto deadline = SteadyClock::now() + std::chrono::seconds(5);
  while (!bytes.empty() && master_ >= 0) {
    ssize_t n = ::write(master_, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    if (ms_left(deadline) == 0) return false;
    pollfd fds{master_, POLLOUT, 0};
    ::poll(&fds, 1, 20);
  }
  return bytes.empty();
}

std::string PseudoTerminal::read_for(int wait_ms, std::size_t max_bytes) {
  std::string got;
  auto deadline = SteadyClock::now() + std::chrono::milliseconds(wait_ms);
  char buffer[4096];
  while (master_ >= 0 && got.size() < max_bytes) {
    pollfd fds{master_, POLLIN, 0};
    int rc = ::poll(&fds, 1, ms_left(deadline));
    if (rc <= 0) break;
    ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n > 0) {
      got.append(buffer, static_cast<std::size_t>(n));
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      continue;
    } else {
      // EIO: no slave holds the line at the moment.
      ::poll(nullptr, 0, std::min(ms_left(deadline), 10));
      if (ms_left(deadline) == 0) break;
    }
  }
  return got;
}

std::string PseudoTerminal::read_until(std::string_view needle, int timeout_ms) {
  std::string got;
  auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms);
  while (got.find(needle) == std::string::npos) {
    int left = ms_left(deadline);
    if (left == 0) break;
    got += read_for(std::min(left, 20));
  }
  return got;
}

bool PseudoTerminal::line_settings(termios& out) const {
  return master_ >= 0 && ::tcgetattr(master_, &out) == 0;
}

}  // namespace vexa
