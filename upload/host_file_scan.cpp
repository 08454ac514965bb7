#include "upload/host_file_scan.h"

#include <fstream>

#include "base/text_format.h"
#include "upload/line_prefix.h"

namespace vexa {

ResumePoint scan_host_file(const std::string& path) {
  ResumePoint point;
  std::ifstream file(path, std::ios::binary);
  if (!file) return point;
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  if (size < 0) return point;
  const std::streamoff start = size > static_cast<std::streamoff>(kHostTailBytes)
                                   ? size - static_cast<std::streamoff>(kHostTailBytes)
                                   : 0;
  file.seekg(start);
  std::string tail(static_cast<std::size_t>(size - start), '\0');
  file.read(tail.data(), static_cast<std::streamsize>(tail.size()));
  tail.resize(static_cast<std::size_t>(file.gcount()));

  std::string_view rest(tail);
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, std::min(end, kHostLineChars));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (std::size_t n = time_stamp_length(line)) {
      point.stamp = limited(line.substr(0, n), kResumeStampChars);
      point.number_prefix.clear();
    } else if (std::size_t m = number_prefix_length(line)) {
      point.number_prefix = limited(line.substr(0, m), kNumberPrefixChars);
    }
  }
  return point;
}

}  // namespace vexa
