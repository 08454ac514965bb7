#include "terminal/line_stamps.h"

#include <cstdio>
#include <ctime>

namespace vexa {

std::string line_stamp(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const std::time_t seconds = system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto ms = duration_cast<milliseconds>(when.time_since_epoch()).count() % 1000;
  char text[24];
  std::snprintf(text, sizeof text, "[%02d:%02d:%02d.%03d] ", local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(ms < 0 ? ms + 1000 : ms));
  return text;
}

std::string LineStamper::stamp(std::string_view chunk, std::chrono::system_clock::time_point arrived) {
  std::string out;
  out.reserve(chunk.size() + 16);
  std::string prefix;
  for (char c : chunk) {
    const bool line_end = c == '\r' || c == '\n';
    if (!line_end && at_line_start_) {
      if (prefix.empty()) prefix = line_stamp(arrived);
      out += prefix;
      at_line_start_ = false;
    }
    out += c;
    if (line_end) at_line_start_ = true;
  }
  return out;
}

}  // namespace vexa
