#include "platform/wake_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace vexa {

WakeEvent::WakeEvent() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

WakeEvent::~WakeEvent() {
  if (fd_ >= 0) ::close(fd_);
}

void WakeEvent::signal() {
  const std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(fd_, &one, sizeof one);
}

bool WakeEvent::drain() {
  std::uint64_t count = 0;
  return ::read(fd_, &count, sizeof count) == static_cast<ssize_t>(sizeof count);
}

bool WakeEvent::wait(int wait_ms) {
  pollfd wake{fd_, POLLIN, 0};
  int rc;
  do {
    rc = ::poll(&wake, 1, wait_ms < 0 ? 0 : wait_ms);
  } while (rc < 0 && errno == EINTR);
  return rc > 0 && drain();
}

}  // namespace vexa
