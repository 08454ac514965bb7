#include "sim/self_test.h"

#include "base/text_format.h"
#include "sim/simulated_board.h"

namespace vexa::sim {

namespace {

constexpr const char* kFailureNames[] = {"data", "disk", "res", "ad", "rtc", "temp", "supply"};
constexpr int kChannels = 16;
constexpr int kLateClockSeconds = 3;

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool is_self_test_command(std::string_view command) {
  static constexpr std::string_view kWords[] = {"st", "go", "ls", "d", "t", "ar", "ar12"};
  for (std::string_view word : kWords)
    if (command == word) return true;
  static constexpr std::string_view kPrefixes[] = {"up ", "rm ", "wt ", "ec ", "sn="};
  for (std::string_view prefix : kPrefixes)
    if (command.starts_with(prefix)) return true;
  return false;
}


std::string clock_text(const std::tm& t) {
  return format_text("%d:%02d:%02d %02d:%02d:%02d", t.tm_year % 100 + 2000, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                     t.tm_min, t.tm_sec);
}

}  // namespace

std::string self_test_failure_names() {
  std::string names;
  for (const char* name : kFailureNames) names += names.empty() ? name : std::string(",") + name;
  return names;
}

std::string parse_self_test_failures(std::string_view list, SelfTestOptions& options) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = list.find(',', start);
    const std::string_view name = trimmed(list.substr(start, comma == std::string_view::npos ? comma : comma - start));
    bool known = false;
    for (const char* candidate : kFailureNames) known |= name == candidate;
    if (!known) return "--selftest-fail knows " + self_test_failure_names() + ", not '" + std::string(name) + "'";
    options.fail.insert(std::string(name));
    if (comma == std::string_view::npos) return {};
    start = comma + 1;
  }
}

bool SelfTest::resolution_fails() {
  ++resolution_runs_;
  if (options_.resolution_fails_once) return resolution_runs_ == 1;
  return fails("res");
}

std::optional<BoardReply> SelfTest::run_line(std::string_view line, SimulatedBoard& board) {
  const std::vector<std::string_view> commands = split_commands(line);
  bool ours = false;
  for (std::string_view command : commands) ours |= is_self_test_command(command);
  if (!ours) return std::nullopt;
  BoardReply reply;
  for (std::string_view command : commands) {
    if (is_self_test_command(command)) {
      for (std::string& text : run_command(command, board)) reply.lines.push_back(std::move(text));
      continue;
    }
    // The board's own commands: their report lines and errors, without each one's "Ok".
    for (std::string& text : board.execute_line(command).lines)
      if (text != "Ok") reply.lines.push_back(std::move(text));
  }
  reply.lines.push_back("Ok");
  return reply;
}

std::vector<std::string> SelfTest::run_command(std::string_view command, SimulatedBoard& board) {
  const char type = board.configuration().kind().type;
  std::vector<std::string> out;
  if (command.starts_with("sn=")) {
    serial_number_ = limited(command.substr(3), 40);
  } else if (command.starts_with("ec ")) {
    out.emplace_back(trimmed(command.substr(3)));
  } else if (command.starts_with("up ")) {
    const std::tm now = board.clock().now();
    int values[3] = {0, 0, 0};
    switch (type) {
      case 'E': values[0] = 1000, values[1] = 238, values[2] = fails("data") ? 600 : 502; break;
      case 'F': values[0] = 5200, values[1] = 57000, values[2] = fails("data") ? 1300 : 1240; break;
      default: values[0] = fails("data") ? 900 : 1000, values[1] = 238, values[2] = 25; break;
    }
    for (int row = 0; row < 3; ++row)
      out.push_back(format_text("> %02d.%02d.%02d %02d:%02d:%02d\t%d\t%d\t%d", now.tm_mday, now.tm_mon + 1,
                                now.tm_year % 100, now.tm_hour, now.tm_min, now.tm_sec, values[0] + row % 2,
                                values[1], values[2]));
  } else if (command == "ls") {
    for (std::string& entry : board.uploads().directory_lines()) out.push_back(std::move(entry));
    out.emplace_back(fails("disk") ? "dr=3 free=0" : "dr=0 free=1843200");
  } else if (command == "ar12") {
    out.push_back(format_text("res a12 min=1233 max=1248 delta= %d", resolution_fails() ? 9 : 15));
  } else if (command == "ar") {
    const bool bad = resolution_fails();
    for (int channel = 0; channel < kChannels; ++channel) {
      double millivolts = channel == 0 ? 1000.0 : channel == 1 ? 238.0 : channel % 2 ? 25.0 : 63.0;
      if (bad && channel == 7) millivolts = 40.0;
      out.push_back(format_text("ch%2d: pivot=%4d %8.3fmV %5.1fbits", channel, 2048 + channel, millivolts, 18.5));
    }
  } else if (command == "t") {
    const int degrees = fails("temp") ? 45 : 24;
    if (type == 'S')
      out.push_back(format_text("t=%d v=%.2f", degrees, fails("supply") ? 10.80 : 12.05));
    else
      out.push_back(format_text("t=%d", degrees));
  } else if (command == "d") {
    out.emplace_back(fails("ad") ? "ad=7 conversions lost" : "ad=0 conversions lost");
    std::tm now = board.clock().now();
    if (fails("rtc")) {
      now.tm_sec -= kLateClockSeconds;
      std::mktime(&now);
    }
    out.push_back(clock_text(now));
  }
  return out;  // st, go, wt, rm: nothing to print
}

}  // namespace vexa::sim
