#pragma once
// A board on the other end of a BoardChannel and its port, for the configuration tests: it records what
// is sent, answers "Ok" to a given number of command lines and then stays silent, and can
// answer written commands with reply lines handed to a line consumer.
#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "link/board_channel.h"
#include "link/line_consumer.h"
#include "base/report_sink.h"
#include "support/scripted_port.h"

namespace vexa::test {

class RecordingReport final : public ReportSink {
 public:
  std::vector<std::string> lines;
  void print_line(std::string_view text) override { lines.emplace_back(text); }
  bool contains(std::string_view text) const { return std::ranges::find(lines, text) != lines.end(); }
};

class FakeBoard final : public BoardChannel, public ScriptedPort {
 public:
  explicit FakeBoard(ReportSink& report) : report_(report) {}

  // Command lines sent with send_and_wait_ok (empty ones are not sent).
  std::vector<std::string> commands;
  // Everything written with write_text or send_line (with its LF).
  std::vector<std::string> written;
  // How many more command lines get their "Ok"; negative: all of them.
  int oks_left = -1;
  // Reply lines for a written text (e.g. "conf\n"), delivered to consumer at once.
  std::map<std::string, std::vector<std::string>> replies;
  LineConsumer* consumer = nullptr;
  bool port_open = true;

  bool send_and_wait_ok(std::string_view command) override {
    if (command.empty()) return true;
    commands.emplace_back(command);
    report_.print_line(command);
    if (oks_left == 0) {
      report_.print_line("Error no reply (1/258)");
      return false;
    }
    if (oks_left > 0) --oks_left;
    return true;
  }
  bool wait_line(std::string_view) override { return oks_left != 0; }
  void set_echo_suppressed(bool) override {}
  void send_line(std::string_view text) override {
    report_.print_line(text);
    write_text(std::string(text) + "\n");
  }
  bool write_text(std::string_view text) override {
    if (!port_open) {
      report_.print_line("Error Port is not open");
      return false;
    }
    written.emplace_back(text);
    auto it = replies.find(std::string(text));
    if (it != replies.end() && consumer)
      for (const auto& line : it->second) consumer->on_line(line);
    return true;
  }

 private:
  ReportSink& report_;
};

}  // namespace vexa::test
