#include "config/config_file_format.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "base/capture_log.h"
#include "base/text_format.h"
#include "platform/atomic_file.h"

namespace vexa {

std::string dialog_path(std::string_view chosen) {
  std::string path = limited(chosen, kFileDialogChars);
  for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return path;
}

std::string save_path(std::string_view path) {
  std::string out(path);
  if (out.find('.') == std::string::npos) out += ".txt";
  return out;
}

std::string file_name_part(std::string_view path) {
  std::size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string configuration_header(std::string_view identity_line, const std::tm& local) {
  return format_text("# Configuration %.*s %s", static_cast<int>(identity_line.size()),
                     identity_line.data(), log_stamp(local).c_str());
}

void for_each_file_piece(std::string_view text, const std::function<void(std::string_view)>& piece) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    std::size_t line_end = end == std::string_view::npos ? text.size() : end + 1;
    std::size_t length = std::min(line_end - at, kFilePieceChars);
    std::string_view raw = text.substr(at, length);
    std::size_t nul = raw.find('\0');
    piece(nul == std::string_view::npos ? raw : raw.substr(0, nul));
    at += length;
  }
}

FilePieceReader::~FilePieceReader() {
  if (file_) std::fclose(file_);
}

int FilePieceReader::open(const std::string& path) {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  int fd = -1;
  if (const int error = open_regular_file(path, fd)) return error;
  file_ = ::fdopen(fd, "r");
  if (file_) return 0;
  const int error = errno;
  ::close(fd);
  return error;
}

int FilePieceReader::for_each_piece(const std::function<void(std::string_view)>& piece) {
  if (!file_) return EBADF;
  // The line reader's buffer: at most 499 characters and the end of text.
  char buffer[kFilePieceChars + 1];
  errno = 0;
  while (std::fgets(buffer, sizeof buffer, file_)) piece(std::string_view(buffer, std::strlen(buffer)));
  return std::ferror(file_) ? (errno != 0 ? errno : EIO) : 0;
}

}  // namespace vexa
