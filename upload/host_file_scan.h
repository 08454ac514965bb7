#pragma once
// Where an upload into an existing host file goes on: the time stamp of its last stamped line,
// or the number prefix of its last numbered line after that, read from the file's tail.
#include <cstddef>
#include <string>

namespace vexa {

inline constexpr std::size_t kHostTailBytes = 100000;
inline constexpr std::size_t kHostLineChars = 999;
inline constexpr std::size_t kResumeStampChars = 99;
inline constexpr std::size_t kNumberPrefixChars = 101;

struct ResumePoint {
  std::string stamp;          // with its trailing blank; empty: from the beginning
  std::string number_prefix;  // such as '017: '; empty: none
  bool operator==(const ResumePoint&) const = default;
};

// Reads the last 100000 bytes of the file (all of a shorter one) line by line, each line cut
// to 999 characters. Nothing for a file that does not exist or cannot be read.
ResumePoint scan_host_file(const std::string& path);

}  // namespace vexa
