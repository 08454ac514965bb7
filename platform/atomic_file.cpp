#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace vexa {

int write_file_atomically_error(const std::string& path, const std::string& text) {
  std::string temp = path + ".tmp" + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return errno;
  const char* data = text.data();
  std::size_t left = text.size();
  int error = 0;
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && std::rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) std::remove(temp.c_str());
  return error;
}

bool write_file_atomically(const std::string& path, const std::string& text) {
  return write_file_atomically_error(path, text) == 0;
}

int open_regular_file(const std::string& path, int& fd) {
  // O_NONBLOCK: opening a pipe without a writer must not wait; a regular file ignores it.
  const int opened = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (opened < 0) return errno;
  struct stat info {};
  int error = ::fstat(opened, &info) != 0 ? errno : 0;
  if (error == 0 && S_ISDIR(info.st_mode)) error = EISDIR;
  else if (error == 0 && !S_ISREG(info.st_mode)) error = ENODEV;
  if (error != 0) {
    ::close(opened);
    return error;
  }
  fd = opened;
  return 0;
}

int readable_file_error(const std::string& path) {
  int fd = -1;
  const int error = open_regular_file(path, fd);
  if (error == 0) ::close(fd);
  return error;
}

int read_whole_file_error(const std::string& path, std::string& text, std::size_t max_bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat info {};
  const bool known = ::fstat(fd, &info) == 0;
  if (known && S_ISDIR(info.st_mode)) {
    ::close(fd);
    return EISDIR;
  }
  // Read straight into the text. A regular file says how long it is (one byte more lets the
  // end show without growing); a pipe or device does not, and the text grows as it fills.
  const std::size_t expected =
      known && S_ISREG(info.st_mode) ? static_cast<std::size_t>(info.st_size) + 1 : 4096;
  text.clear();
  std::size_t filled = 0;
  int error = 0;
  while (filled < max_bytes) {
    if (filled == text.size()) text.resize(std::min(max_bytes, std::max(expected, 2 * filled)));
    const ssize_t n = ::read(fd, text.data() + filled, text.size() - filled);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    if (n == 0) break;
    filled += static_cast<std::size_t>(n);
  }
  ::close(fd);
  text.resize(filled);
  return error;
}

bool read_whole_file(const std::string& path, std::string& text, std::size_t max_bytes) {
  return read_whole_file_error(path, text, max_bytes) == 0;
}

}  // namespace vexa
