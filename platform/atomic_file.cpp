#include "platform/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

namespace vexa {

bool write_file_atomically(const std::string& path, const std::string& text) {
  std::string temp = path + ".tmp" + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const char* data = text.data();
  std::size_t left = text.size();
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

bool read_whole_file(const std::string& path, std::string& text, std::size_t max_bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.clear();
  char buffer[65536];
  while (text.size() < max_bytes) {
    in.read(buffer, sizeof buffer);
    if (in.gcount() <= 0) break;
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  if (text.size() > max_bytes) text.resize(max_bytes);
  return true;
}

}  // namespace vexa
