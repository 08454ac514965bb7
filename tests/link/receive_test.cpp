// The receive thread and the reply wait over a real pseudo-terminal: line assembly, the
// consumers and their order, the upload gate, echo, and the sender's wait for "Ok".
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <thread>

#include "link/link_session.h"
#include "platform/pseudo_terminal.h"
#include "support/link_over_pty.h"
#include "support/pty_peer.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

using test::eventually;
using test::RecordingConsumer;

// A board on the master side of a pty that answers each command line it reads.
class ScriptedBoard {
 public:
  explicit ScriptedBoard(std::function<std::string(const std::string&)> answer) : answer_(std::move(answer)) {}
  PseudoTerminal& pty() { return peer_.pty(); }

 private:
  void step(PseudoTerminal& pty) {
    pending_ += pty.read_for(5);
    for (auto lf = pending_.find('\n'); lf != std::string::npos; lf = pending_.find('\n')) {
      std::string command = pending_.substr(0, lf);
      pending_.erase(0, lf + 1);
      pty.write(answer_(command));
    }
  }
  std::function<std::string(const std::string&)> answer_;
  std::string pending_;  // the peer's thread only
  test::PtyPeer peer_{[this](PseudoTerminal& pty) { step(pty); }};
};

class Receiving : public test::LinkOverPty {
 protected:
  // The receive thread stops before the consumer below goes: it may still be handing it a line.
  ~Receiving() override { session.stop(); }

  void connect(PseudoTerminal& pty) {
    heard = session.consumers().add(line_place::configuration, config_lines);
    LinkOverPty::connect(pty);
  }

  RecordingConsumer config_lines;
  LineRegistration heard;
};

// The reply wait over one board that answers by command: only "Ok" in any case acknowledges,
// and only the first line after the command counts. The echo row is last: its "Ok" comes late.
TEST_F(Receiving, TheFirstLineAfterTheCommandDecidesTheReply) {
  ScriptedBoard board([](const std::string& command) {
    if (command == "dot") return std::string("Ok.\r\n");
    if (command == "silent") return std::string();
    if (command == "echo") return command + "\nOk\n";
    return std::string("OK\r\n");
  });
  connect(board.pty());
  EXPECT_TRUE(session.send_and_wait_ok(""));  // nothing to send
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(session.send_and_wait_ok("a" + std::to_string(i) + "=a*1+0")) << i;
  EXPECT_TRUE(report.contains("a199=a*1+0"));
  const struct {
    const char* command;
    const char* report;
  } rows[] = {
      {"dot", "expected: Ok got: Ok."},
      {"silent", "Error no reply (1/258)"},
      {"echo", "expected: Ok got: echo"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.command);
    EXPECT_FALSE(session.send_and_wait_ok(row.command));
    EXPECT_TRUE(report.contains(row.report));
  }
}

TEST_F(Receiving, AReplyBeforeTheWaitBeginsIsNotLost) {
  ScriptedBoard board([](const std::string&) { return std::string("Ok\n"); });
  connect(board.pty());
  ASSERT_TRUE(session.write_text("z\n"));
  ASSERT_TRUE(config_lines.wait_count(1));  // the reply is already in
  EXPECT_TRUE(session.wait_line("Ok\r\n"));
}

TEST_F(Receiving, CarriageReturnsAndNulsVanishAndLongLinesAreCut) {
  PseudoTerminal pty;
  connect(pty);
  pty.write(std::string("a\0b\r\rcd\n", 9));
  pty.write(std::string(1500, 'x') + "\n");
  ASSERT_TRUE(config_lines.wait_count(2));
  auto lines = config_lines.lines();
  EXPECT_EQ(lines[0], "abcd");
  EXPECT_EQ(lines[1], std::string(998, 'x'));
  // The terminal still shows every character.
  ASSERT_TRUE(eventually([&] { return echo.text().size() >= 1500 + 8; }));
  EXPECT_EQ(echo.text().substr(0, 7), "ab\r\rcd\n");  // NULs neither shown nor stored
  EXPECT_EQ(echo.text().find(std::string(1500, 'x')), 7u);
  // A CR after a line end keeps the last line: an empty line repeats it, as without the CR.
  pty.write("Ok\r\n\r\n");
  ASSERT_TRUE(config_lines.wait_count(4));
  lines = config_lines.lines();
  EXPECT_EQ(lines[2], "Ok");
  EXPECT_EQ(lines[3], "Ok");
}

TEST_F(Receiving, ConsumersHearLinesInTheirOrderAndTheUploadGateHolds) {
  std::vector<std::string> order;
  std::mutex order_mutex;
  RecordingConsumer upload("upload", &order, &order_mutex), analog("analog", &order, &order_mutex),
      view("view", &order, &order_mutex), factory("factory", &order, &order_mutex),
      loader("loader", &order, &order_mutex), config("config", &order, &order_mutex);
  // The consumers live on this test's stack: the receive thread stops before they go.
  struct StopFirst {
    LinkSession& session;
    ~StopFirst() { session.stop(); }
  } stop_first{session};
  // Added in the reverse of their places: the places decide the order.
  std::vector<LineRegistration> heard;
  heard.push_back(session.consumers().add(line_place::configuration, config));
  heard.push_back(session.consumers().add(line_place::loader, loader));
  heard.push_back(session.consumers().add(line_place::factory_test, factory));
  heard.push_back(session.consumers().add(line_place::data_view, view));
  heard.push_back(session.consumers().add(line_place::analog_tab, analog));
  heard.push_back(session.consumers().add(line_place::upload, upload));
  PseudoTerminal pty;
  std::filesystem::create_symlink(pty.slave_path(), path);
  session.start();
  ASSERT_TRUE(session.open(path, "9600"));

  pty.write("one\n");
  ASSERT_TRUE(config.wait_count(1));
  {
    std::lock_guard lock(order_mutex);
    EXPECT_EQ(order, (std::vector<std::string>{"upload", "analog", "view", "factory", "loader", "config"}));
  }

  session.consumers().set_upload_running(true);
  const std::string shown_before = echo.text();
  pty.write("two\n");
  ASSERT_TRUE(factory.wait_count(2));
  EXPECT_EQ(loader.lines().size(), 1u);
  EXPECT_EQ(config.lines().size(), 1u);
  EXPECT_EQ(upload.lines().back(), "two");
  EXPECT_EQ(echo.text(), shown_before);  // nothing echoed during an upload

  session.consumers().set_upload_running(false);
  pty.write("three\n");
  ASSERT_TRUE(config.wait_count(2));
  EXPECT_EQ(config.lines().back(), "three");
}

TEST_F(Receiving, SambaPromptStartsATerminalLineButNotAReplyLine) {
  PseudoTerminal pty;
  connect(pty);
  session.flags().samba_mode = true;
  pty.write(">#ok\n");
  ASSERT_TRUE(config_lines.wait_count(1));
  EXPECT_EQ(config_lines.lines()[0], ">#ok");
  EXPECT_EQ(echo.text(), ">#\nok\n");
}

TEST_F(Receiving, NoiseAndHugeLinesStayBounded) {
  PseudoTerminal pty;
  connect(pty);
  std::mt19937 random(7);
  std::string noise(3 << 20, '\0');
  for (char& c : noise) c = static_cast<char>(random() & 0xff);
  std::thread writer([&] {
    pty.write(noise);
    pty.write(std::string(100000, 'y') + "\nend\n");
  });
  ASSERT_TRUE(eventually([&] {
    auto lines = config_lines.lines();
    return !lines.empty() && lines.back() == "end";
  }, 60000));
  writer.join();
  for (const auto& line : config_lines.lines()) {
    EXPECT_LE(line.size(), kMaxLineChars);
    EXPECT_EQ(line.find('\r'), std::string::npos);
    EXPECT_EQ(line.find('\0'), std::string::npos);
  }
}

TEST_F(Receiving, ABoardThatVanishesMidLineIsNoticed) {
  auto pty = std::make_unique<PseudoTerminal>();
  connect(*pty);
  pty->write("half a li");
  ASSERT_TRUE(eventually([&] { return echo.text() == "half a li"; }));
  pty.reset();
  std::filesystem::remove(path);
  session.port().probe_port();
  EXPECT_TRUE(report.contains("close com"));
  EXPECT_FALSE(session.send_and_wait_ok("conf"));
  EXPECT_TRUE(report.contains("Error Port is not open"));
  EXPECT_TRUE(config_lines.lines().empty());
}

}  // namespace
}  // namespace vexa
