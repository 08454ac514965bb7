// Sending a text file line by line over a scripted port: the pause between lines, the wait for
// each line's echo or the board's prompt, a silent board, Stop, an unreadable file and a lost port.
#include "terminal/send_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <vector>

#include "base/job_lines.h"
#include "support/recording_sinks.h"
#include "support/scripted_port.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

using clock_type = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Stop, and the end line as the job gate words it from the sender's count.
struct StopSwitch : JobControl {
  StopSwitch(ReportSink& r, const Messages& m) : report(r), messages(m) {}
  bool stop_requested() const override { return stop.load(); }
  void progress(JobUnit unit, long done, long total) const override { last = {unit, done, total}; }
  void finish(const JobEnd& end) const override { report.print_line(job_end_line(end, last, messages)); }
  std::atomic<bool> stop{false};
  ReportSink& report;
  const Messages& messages;
  mutable JobProgress last;
};

// The times of the sender's writes, one a line with its line end, and the echo shown before each.
struct TimedPort : test::ScriptedPort {
  explicit TimedPort(test::SharedEcho& e) : echo(e) {}
  bool write_text(std::string_view text) override {
    writes_at.push_back(clock_type::now());
    shown_before.push_back(echo.text());
    return ScriptedPort::write_text(text);
  }
  test::SharedEcho& echo;
  std::vector<clock_type::time_point> writes_at;
  std::vector<std::string> shown_before;
};

class SendFileTest : public ::testing::Test {
 protected:
  SendFileTest() : sender(report, echo, messages, status) {}

  test::TempDir dir;
  std::string file = dir.write("lines.txt", "one\r\ntwo\nthree\n");
  test::SharedReport report;
  test::SharedEcho echo;
  Messages messages;
  test::RecordingStatus status;
  StopSwitch control{report, messages};
  FileSender sender;
  TimedPort port{echo};
};

TEST_F(SendFileTest, PausesAfterEachLine) {
  SendFileOptions options;
  options.pause_ms = 80;
  EXPECT_TRUE(sender.send(file, port, options, control));
  EXPECT_TRUE(report.contains("Send file lines.txt: done, 3 of 3 lines sent."));
  EXPECT_EQ(port.writes(), (std::vector<std::string>{"one\r", "two\r", "three\r"}));
  for (std::size_t i = 1; i < 3; ++i) EXPECT_GE(port.writes_at[i] - port.writes_at[i - 1], 80ms) << i;
  EXPECT_EQ(status.progress(), (std::vector<std::string>{"Sending line 1/3", "Sending line 2/3", "Sending line 3/3", ""}));
}

// Each line goes out only once the answer to the one before was shown: its echo, or the
// prompt after the board's own text.
TEST_F(SendFileTest, WaitsForEachLinesEchoOrPromptAndShowsIt) {
  port.respond = [](std::string_view line) { return std::string(line) + "\n"; };
  SendFileOptions options;
  options.wait = SendWait::echo;
  EXPECT_TRUE(sender.send(file, port, options, control));
  EXPECT_EQ(port.shown_before, (std::vector<std::string>{"", "one", "one\r\ntwo"}));
  EXPECT_EQ(echo.text(), "one\r\ntwo\r\nthree");

  TimedPort board{echo};
  board.respond = [](std::string_view line) { return "ti=" + std::string(line.substr(0, 1)) + "\r\nOk\r\n"; };
  options.wait = SendWait::prompt;
  options.prompt = "Ok\r\n";
  options.line_end = "\n";
  EXPECT_TRUE(sender.send(file, board, options, control));
  EXPECT_EQ(board.writes(), (std::vector<std::string>{"one\n", "two\n", "three\n"}));
  EXPECT_TRUE(board.shown_before[1].ends_with("ti=o\r\nOk\r\n")) << board.shown_before[1];
  EXPECT_TRUE(board.shown_before[2].ends_with("ti=t\r\nOk\r\n")) << board.shown_before[2];
}

TEST_F(SendFileTest, ASilentBoardStopsTheSendingWithTheLine) {
  SendFileOptions options;
  options.wait = SendWait::prompt;
  options.wait_ms = 100;
  EXPECT_FALSE(sender.send(file, port, options, control));
  EXPECT_TRUE(report.contains("Line 1 was not answered in time: sending stopped."));
  EXPECT_EQ(port.writes(), std::vector<std::string>{"one\r"});
}

TEST_F(SendFileTest, StopUnreadableFilesAndALostPortEndItWithAReport) {
  control.stop = true;
  EXPECT_FALSE(sender.send(file, port, {}, control));
  EXPECT_TRUE(report.contains("Send file lines.txt: stopped, 0 of 3 lines sent."));
  EXPECT_TRUE(port.writes().empty());
  control.stop = false;
  control.last = {};  // as the gate forgets a job's count when it ends
  EXPECT_FALSE(sender.send(dir.file("none.txt"), port, {}, control));
  const auto lines = report.lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[lines.size() - 2].find("cannot be read"), std::string::npos);
  EXPECT_NE(lines[lines.size() - 2].find("none.txt"), std::string::npos);
  EXPECT_EQ(lines.back(), "Send file none.txt: failed.");
  // The port goes away after the first line: the end says how far it got.
  port.respond = [&](std::string_view) {
    port.open = false;
    return std::string();
  };
  EXPECT_FALSE(sender.send(file, port, {}, control));
  EXPECT_EQ(report.lines().back(), "Send file lines.txt: failed, 1 of 3 lines sent.");
}

}  // namespace
}  // namespace vexa
