#include "sim/log_options.h"

#include <charconv>

namespace vexa::sim {

namespace {

constexpr long kMostLines = 100000000;
constexpr long kLongestGrowMs = 3600000;

bool read_number(const std::string& text, long low, long high, long& out) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return !text.empty() && error == std::errc() && end == text.data() + text.size() && out >= low && out <= high;
}

}  // namespace

const char* const kLogOptionsUsage =
    "  --log-file NAME    a logged file of stamped lines that grows while the board runs\n"
    "  --log-numbered NAME  a logged file of numbered lines ('017: ...')\n"
    "  --log-lines N      lines the last named log holds at the start (default 100)\n"
    "  --log-grow MS      the last named log gains a line every MS ms (default 1000, 0 never)\n";

bool is_log_option(const std::string& name) {
  return name == "--log-file" || name == "--log-numbered" || name == "--log-lines" || name == "--log-grow";
}

std::string apply_log_option(const std::string& name, const std::string& value,
                             std::vector<LogFileSpec>& logs) {
  if (name == "--log-file" || name == "--log-numbered") {
    if (value.empty() || value.find_first_of(" \t") != std::string::npos)
      return name + " needs a file name without blanks";
    LogFileSpec spec;
    spec.name = value;
    spec.kind = name == "--log-file" ? LogKind::stamped : LogKind::numbered;
    logs.push_back(spec);
    return {};
  }
  if (logs.empty()) return name + " must follow --log-file or --log-numbered";
  long number = 0;
  if (name == "--log-lines") {
    if (!read_number(value, 0, kMostLines, number))
      return "--log-lines must be a count from 0 to 100000000, not '" + value + "'";
    logs.back().initial_lines = static_cast<std::size_t>(number);
  } else {
    if (!read_number(value, 0, kLongestGrowMs, number))
      return "--log-grow must be 0 to 3600000 milliseconds, not '" + value + "'";
    logs.back().grow_ms = static_cast<int>(number);
  }
  return {};
}

}  // namespace vexa::sim
