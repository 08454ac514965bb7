#include "platform/serial_tty.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "platform/line_settings.h"
#include "platform/port_lock.h"
#include <fstream>
#include <tuple>

namespace vexa {

namespace {

int poll_retry(pollfd* fds, nfds_t count, int wait_ms) {
  using clock = std::chrono::steady_clock;
  auto deadline = clock::now() + std::chrono::milliseconds(wait_ms);
  for (;;) {
    int rc = ::poll(fds, count, wait_ms);
    if (rc >= 0 || errno != EINTR) return rc;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
    wait_ms = left > 0 ? static_cast<int>(left) : 0;
  }
}

}  // namespace

SerialTty::~SerialTty() { close(); }

int SerialTty::open(const std::string& path, const std::string& lock_dir) {
  close();
  holder_.clear();
  // A program that announces its port with a UUCP lock file is not disturbed at all.
  holder_ = uucp_lock_holder(path, lock_dir);
  if (!holder_.empty()) return EBUSY;
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    struct stat info {};
    if (error == EBUSY && ::stat(path.c_str(), &info) == 0) holder_ = flock_holder(info.st_dev, info.st_ino);
    return error;
  }
  if (!::isatty(fd)) {
    ::close(fd);
    return ENOTTY;
  }
  // The advisory lock first: a holder that is root passes the exclusive mode but not this.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    struct stat info {};
    if (::fstat(fd, &info) == 0) holder_ = flock_holder(info.st_dev, info.st_ino);
    ::close(fd);
    return error == EWOULDBLOCK ? EBUSY : error;
  }
  // Exclusive like a COM port: a second open of the tty fails while we hold it.
  ::ioctl(fd, TIOCEXCL);
  fd_ = fd;
  return 0;
}

void SerialTty::release() {
  if (fd_ < 0) return;
  ::ioctl(fd_, TIOCNXCL);
  ::flock(fd_, LOCK_UN);
}

void SerialTty::close() {
  release();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

int SerialTty::configure(long speed, bool xoff_receive) {
  // The plain frame goes the same way as the user's: one place sets a speed, B-code or not.
  return configure_line(speed, LineSettings{}, xoff_receive);
}

int SerialTty::set_rts(bool raised) {
  if (fd_ < 0) return EBADF;
  int bits = TIOCM_RTS;
  return ::ioctl(fd_, raised ? TIOCMBIS : TIOCMBIC, &bits) == 0 ? 0 : errno;
}

int SerialTty::configure_line(long speed, const LineSettings& settings, bool xoff_receive) {
  if (fd_ < 0) return EBADF;
  return apply_line_settings(fd_, speed, settings, xoff_receive);
}

std::optional<AppliedLine> SerialTty::applied_line() const {
  if (fd_ < 0) return std::nullopt;
  return read_line_settings(fd_);
}

int SerialTty::set_dtr(bool raised) {
  if (fd_ < 0) return EBADF;
  int bits = TIOCM_DTR;
  return ::ioctl(fd_, raised ? TIOCMBIS : TIOCMBIC, &bits) == 0 ? 0 : errno;
}

int SerialTty::send_break(int duration_ms) {
  if (fd_ < 0) return EBADF;
  if (!is_break_duration(duration_ms)) return EINVAL;
  if (::ioctl(fd_, TIOCSBRK) != 0) return errno;
  sleep_interruptible(duration_ms);
  return ::ioctl(fd_, TIOCCBRK) == 0 ? 0 : errno;
}

int SerialTty::modem_lines(ModemLines& out) const {
  int bits = 0;
  if (fd_ < 0) return EBADF;
  if (::ioctl(fd_, TIOCMGET, &bits) != 0) return errno;
  out.dtr = bits & TIOCM_DTR;
  out.rts = bits & TIOCM_RTS;
  out.cts = bits & TIOCM_CTS;
  out.dsr = bits & TIOCM_DSR;
  out.dcd = bits & TIOCM_CD;
  out.ri = bits & TIOCM_RI;
  return 0;
}

bool SerialTty::carrier_detect() const {
  int bits = 0;
  if (fd_ < 0 || ::ioctl(fd_, TIOCMGET, &bits) != 0) return false;
  return (bits & TIOCM_CD) != 0;
}

int SerialTty::write_all(const char* bytes, std::size_t length) {
  if (fd_ < 0) return EBADF;
  while (length > 0) {
    ssize_t n = ::write(fd_, bytes, length);
    if (n > 0) {
      bytes += n;
      length -= static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return errno;
    pollfd fds[2] = {{fd_, POLLOUT, 0}, {interrupted_.descriptor(), POLLIN, 0}};
    int rc = poll_retry(fds, 2, kSerialWriteStallMs);
    if (rc < 0) return errno;
    if (rc == 0) return ETIMEDOUT;
    if (fds[1].revents) return ECANCELED;
    if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) return EIO;
  }
  return 0;
}

int SerialTty::drain_output() {
  if (fd_ < 0) return EBADF;
  // tcdrain alone waits for ever on a queue that cannot move; once the queue is empty it only
  // waits for the UART's own FIFO, which the driver bounds.
  constexpr int kStepMs = 2;
  for (int waited = 0;; waited += kStepMs) {
    int queued = 0;
    if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) return errno;
    if (queued <= 0) break;
    if (waited >= kSerialWriteStallMs) return ETIMEDOUT;
    pollfd wake{interrupted_.descriptor(), POLLIN, 0};
    if (poll_retry(&wake, 1, kStepMs) > 0) return ECANCELED;
  }
  // tcdrain's own request (termios.h stays out: the line settings use the kernel's termios2).
  while (::ioctl(fd_, TCSBRK, 1) != 0)
    if (errno != EINTR) return errno;
  return 0;
}

void SerialTty::sleep_interruptible(int wait_ms) {
  if (wait_ms <= 0) return;
  pollfd wake{interrupted_.descriptor(), POLLIN, 0};
  poll_retry(&wake, 1, wait_ms);
}

WaitResult SerialTty::wait_readable(int wait_ms, int wake_fd) {
  if (fd_ < 0) return WaitResult::hung_up;
  pollfd fds[3] = {{fd_, POLLIN, 0}, {interrupted_.descriptor(), POLLIN, 0}, {wake_fd, POLLIN, 0}};
  int rc = poll_retry(fds, wake_fd >= 0 ? 3 : 2, std::max(wait_ms, 0));
  if (rc <= 0) return WaitResult::timed_out;
  if (fds[1].revents || fds[2].revents) return WaitResult::timed_out;
  if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
    sleep_interruptible(wait_ms);
    return WaitResult::hung_up;
  }
  return WaitResult::readable;
}

long SerialTty::read_some(char* buffer, std::size_t capacity) {
  if (fd_ < 0) {
    errno = EBADF;
    return -1;
  }
  for (;;) {
    ssize_t n = ::read(fd_, buffer, capacity);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return 0;
    return -1;
  }
}

bool SerialTty::hung_up() const {
  if (fd_ < 0) return true;
  pollfd fds{fd_, POLLIN, 0};
  if (::poll(&fds, 1, 0) < 0) return false;
  return (fds.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void SerialTty::interrupt() {
  interrupted_.signal();  // never taken back: every later wait ends at once too
}

bool serial_speed_supported(long speed) { return speed >= kLowestLineSpeed && speed <= kHighestLineSpeed; }

namespace {

namespace fs = std::filesystem;

// The tty is on hardware (it has a device) and, when it is a serial core port, has a UART.
bool is_hardware_tty(const fs::path& entry) {
  std::error_code ec;
  if (!fs::exists(entry / "device", ec)) return false;
  std::ifstream type(entry / "type");
  long uart = -1;
  if (type >> uart && uart == 0) return false;  // PORT_UNKNOWN: nothing answers there
  return true;
}

// Sort key: the known families first, each by number, then the rest by name.
std::tuple<int, long, std::string> list_order(const std::string& name) {
  static const char* const kFamilies[] = {"ttyS", "ttyUSB", "ttyACM"};
  for (int family = 0; family < 3; ++family) {
    const std::string prefix = kFamilies[family];
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 6 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    return {family, std::stol(digits), name};
  }
  return {3, 0, name};
}

}  // namespace

std::vector<std::string> list_serial_devices(const std::string& dev_root, const std::string& sys_root) {
  const fs::path root(dev_root);
  std::vector<std::tuple<int, long, std::string>> found;
  std::error_code ec;
  for (fs::directory_iterator it(fs::path(sys_root) / "class" / "tty", ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code exists_ec;
    if (!is_hardware_tty(it->path()) || !fs::exists(fs::symlink_status(root / name, exists_ec))) continue;
    found.push_back(list_order(name));
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> devices;
  for (const auto& entry : found) devices.push_back((root / std::get<2>(entry)).string());
  std::vector<std::string> by_id;
  for (fs::directory_iterator it(root / "serial" / "by-id", ec), end; !ec && it != end; it.increment(ec))
    by_id.push_back(it->path().string());
  std::sort(by_id.begin(), by_id.end());
  devices.insert(devices.end(), by_id.begin(), by_id.end());
  return devices;
}

}  // namespace vexa
