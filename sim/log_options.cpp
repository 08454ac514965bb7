#include "sim/log_options.h"

#include <charconv>

namespace vexa::sim {

namespace {

constexpr long kMostLines = 100000000;
constexpr long kLongestGrowMs = 3600000;
constexpr std::string_view kGroup = "Logs";

using Logs = std::vector<LogFileSpec>;
using Value = const std::string&;

bool read_number(const std::string& text, long low, long high, long& out) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return !text.empty() && error == std::errc() && end == text.data() + text.size() && out >= low && out <= high;
}

std::string add_log(Logs& logs, std::string_view name, const std::string& value, LogKind kind) {
  if (value.empty() || value.find_first_of(" \t") != std::string::npos)
    return std::string(name) + " needs a file name without blanks";
  LogFileSpec spec;
  spec.name = value;
  spec.kind = kind;
  logs.push_back(spec);
  return {};
}

// --log-lines and --log-grow say something about the log named last.
std::string last_log_needed(const Logs& logs, std::string_view name) {
  return logs.empty() ? std::string(name) + " must follow --log-file or --log-numbered" : std::string();
}

const OptionRow<Logs> kRows[] = {
    {{"--log-file", "NAME", kGroup, "a logged file of stamped lines that grows while the board runs"},
     [](Logs& logs, std::string_view name, Value value) { return add_log(logs, name, value, LogKind::stamped); }},
    {{"--log-numbered", "NAME", kGroup, "a logged file of numbered lines ('017: ...')"},
     [](Logs& logs, std::string_view name, Value value) { return add_log(logs, name, value, LogKind::numbered); }},
    {{"--log-lines", "N", kGroup, "lines the last named log holds at the start (default 100)"},
     [](Logs& logs, std::string_view name, Value value) -> std::string {
       if (std::string problem = last_log_needed(logs, name); !problem.empty()) return problem;
       long number = 0;
       if (!read_number(value, 0, kMostLines, number))
         return "--log-lines must be a count from 0 to 100000000, not '" + value + "'";
       logs.back().initial_lines = static_cast<std::size_t>(number);
       return {};
     }},
    {{"--log-grow", "MS", kGroup, "the last named log gains a line every MS ms (default 1000, 0 never)"},
     [](Logs& logs, std::string_view name, Value value) -> std::string {
       if (std::string problem = last_log_needed(logs, name); !problem.empty()) return problem;
       long number = 0;
       if (!read_number(value, 0, kLongestGrowMs, number))
         return "--log-grow must be 0 to 3600000 milliseconds, not '" + value + "'";
       logs.back().grow_ms = static_cast<int>(number);
       return {};
     }},
};

}  // namespace

std::span<const OptionRow<std::vector<LogFileSpec>>> log_option_rows() { return kRows; }

}  // namespace vexa::sim
