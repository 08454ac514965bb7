// Sending a text file line by line over a pseudo-terminal: the pause between lines, the wait
// for each line's echo, the wait for the simulated board's "Ok", a silent peer and Stop.
#include "terminal/send_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "base/job_lines.h"
#include "link/link_session.h"
#include "platform/pseudo_terminal.h"
#include "sim/board_server.h"
#include "support/pty_peer.h"
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

class SendFileTest : public ::testing::Test {
 protected:
  SendFileTest() : sender(report, echo, messages, status) {}

  bool open(const std::string& slave) {
    std::filesystem::remove(path);
    std::filesystem::create_symlink(slave, path);
    link.select(path, "115200");
    return link.open_link(false);
  }

  test::TempDir dir;
  std::string path = dir.file("board");
  std::string file = dir.write("lines.txt", "one\r\ntwo\nthree\n");
  test::SharedReport report;
  test::SharedEcho echo;
  Messages messages;
  LinkSession session{report, echo, messages};  // its receive thread does not run
  SerialLink& link = session.port();
  BoardPort& port = session.board_port();
  test::RecordingStatus status;
  StopSwitch control{report, messages};
  FileSender sender;
};

TEST_F(SendFileTest, PausesAfterEachLine) {
  PseudoTerminal pty;
  ASSERT_TRUE(open(pty.slave_path()));
  // The times of the sender's own writes: a pause can only make their gaps longer, however busy
  // the machine.
  struct TimedPort : test::ScriptedPort {
    explicit TimedPort(BoardPort& port) : inner(port) {}
    bool write_text(std::string_view text) override {
      writes.push_back(clock_type::now());  // one write a line, with its line end
      return inner.write_text(text);
    }
    int read_byte(int wait_ms) override { return inner.read_byte(wait_ms); }
    BoardPort& inner;
    std::vector<clock_type::time_point> writes;
  } timed{port};
  SendFileOptions options;
  options.pause_ms = 80;
  EXPECT_TRUE(sender.send(file, timed, options, control));
  EXPECT_TRUE(report.contains("Send file lines.txt: done, 3 of 3 lines sent."));
  ASSERT_EQ(timed.writes.size(), 3u);
  for (std::size_t i = 1; i < timed.writes.size(); ++i) EXPECT_GE(timed.writes[i] - timed.writes[i - 1], 80ms) << i;
  EXPECT_EQ(pty.read_until("three\r", 10000), "one\rtwo\rthree\r");
  EXPECT_EQ(status.progress(), (std::vector<std::string>{"Sending line 1/3", "Sending line 2/3", "Sending line 3/3", ""}));
}

TEST_F(SendFileTest, WaitsForEachLinesEchoAndShowsIt) {
  // A slow echo of each CR-ended line; a byte that comes before the echo is sent is noted.
  std::string partial, arrived;
  std::mutex mutex;
  test::PtyPeer peer([&](PseudoTerminal& pty) {
    partial += pty.read_for(5);
    for (std::size_t end; (end = partial.find('\r')) != std::string::npos;) {
      const std::string line = partial.substr(0, end);
      partial.erase(0, end + 1);
      std::this_thread::sleep_for(30ms);
      std::lock_guard lock(mutex);
      arrived += line + (partial.empty() && pty.read_for(0).empty() ? "|" : "|<early>");
      pty.write(line + "\r\n");
    }
  });
  ASSERT_TRUE(open(peer.pty().slave_path()));
  SendFileOptions options;
  options.wait = SendWait::echo;
  EXPECT_TRUE(sender.send(file, port, options, control));
  std::lock_guard lock(mutex);
  EXPECT_EQ(arrived, "one|two|three|");
  EXPECT_NE(echo.text().find("one\r\ntwo\r\nthree"), std::string::npos) << echo.text();
}

TEST_F(SendFileTest, WaitsForTheSimulatedBoardsOkAfterEachLine) {
  sim::BoardKind kind;
  kind.type = 'S';
  sim::FaultOptions faults;
  faults.reply_delay_ms = 60;  // a board that takes its time: the next line must wait for it
  sim::BoardServer server{sim::BoardConfiguration(kind), faults};
  ASSERT_EQ(server.start_pty(dir.file("sim")), "");
  ASSERT_TRUE(open(server.slave_path()));
  const std::string commands = dir.write("commands.txt", "ti\nm1=first\nm1=second\n");
  SendFileOptions options;
  options.wait = SendWait::prompt;
  options.prompt = "Ok\r\n";
  options.line_end = "\n";
  const auto start = clock_type::now();
  EXPECT_TRUE(sender.send(commands, port, options, control));
  EXPECT_GE(clock_type::now() - start, 180ms);
  // The server counts a reply once written: the sender may have read it a moment before.
  test::eventually([&] { return server.replies_sent() >= 3u; });
  EXPECT_EQ(server.replies_sent(), 3u);
  std::optional<std::string> m1;
  server.with_board([&](sim::SimulatedBoard& board) { m1 = board.configuration().value("m1"); });
  EXPECT_EQ(m1.value_or(""), "second");  // both assignments arrived, in order
  EXPECT_NE(echo.text().find("ti="), std::string::npos);
  server.stop();
}

TEST_F(SendFileTest, ASilentPeerStopsTheSendingWithTheLine) {
  PseudoTerminal pty;
  ASSERT_TRUE(open(pty.slave_path()));
  SendFileOptions options;
  options.wait = SendWait::prompt;
  options.wait_ms = 100;
  EXPECT_FALSE(sender.send(file, port, options, control));
  EXPECT_TRUE(report.contains("Line 1 was not answered in time: sending stopped."));
  EXPECT_EQ(pty.read_for(50), "one\r");
}

TEST_F(SendFileTest, StopAndUnreadableFilesEndItWithAReport) {
  PseudoTerminal pty;
  ASSERT_TRUE(open(pty.slave_path()));
  control.stop = true;
  EXPECT_FALSE(sender.send(file, port, {}, control));
  EXPECT_TRUE(report.contains("Send file lines.txt: stopped, 0 of 3 lines sent."));
  EXPECT_EQ(pty.read_for(50), "");
  control.stop = false;
  control.last = {};  // as the gate forgets a job's count when it ends
  EXPECT_FALSE(sender.send(dir.file("none.txt"), port, {}, control));
  const auto lines = report.lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[lines.size() - 2].find("cannot be read"), std::string::npos);
  EXPECT_NE(lines[lines.size() - 2].find("none.txt"), std::string::npos);
  EXPECT_EQ(lines.back(), "Send file none.txt: failed.");

  // The port goes away after the first line: the end says how far it got.
  struct VanishingPort : test::ScriptedPort {
    bool write_text(std::string_view text) override {
      open = writes().empty();
      return ScriptedPort::write_text(text);
    }
  } vanishing;
  EXPECT_FALSE(sender.send(file, vanishing, {}, control));
  EXPECT_EQ(report.lines().back(), "Send file lines.txt: failed, 1 of 3 lines sent.");
}

}  // namespace
}  // namespace vexa
