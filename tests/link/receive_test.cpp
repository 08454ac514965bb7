// The line table, and the receive thread over a real pty: line assembly, echo, the wait for
// "Ok", and a job that reads the port itself while the board streams.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "link/line_consumers.h"
#include "link/link_session.h"
#include "platform/pseudo_terminal.h"
#include "support/link_over_pty.h"
#include "support/pty_peer.h"
#include "support/recording_sinks.h"

namespace vexa {
namespace {

using namespace std::chrono_literals;
using test::eventually;
using test::RecordingConsumer;

class CallbackConsumer final : public LineConsumer {
 public:
  explicit CallbackConsumer(std::function<void(std::string_view)> on) : on_(std::move(on)) {}
  void on_line(std::string_view line) override { on_(line); }

 private:
  std::function<void(std::string_view)> on_;
};

// Who hears nothing during an upload is the Receiving test's (the replies' place against the upload's).
TEST(LineConsumers, LowerPlacesHearFirstEqualOnesInTheirOrderAndAConsumerDropsRegistrationsInItsLine) {
  LineConsumers table;
  std::vector<std::string> order;
  std::mutex order_mutex;
  RecordingConsumer late("late", &order, &order_mutex), deaf("deaf", &order, &order_mutex),
      hearing("hearing", &order, &order_mutex);
  LineRegistration own, late_lines = table.add(LinePlace{30, true}, late);
  LineRegistration deaf_lines = table.add(LinePlace{10, false}, deaf);
  LineRegistration hearing_lines = table.add(LinePlace{10, true}, hearing);
  CallbackConsumer quitter([&](std::string_view line) {
    order.emplace_back("quitter");
    if (line == "bye") {
      own.reset();         // itself: no wait for the dispatch that runs it
      late_lines.reset();  // one after it: not heard for this line any more
    }
  });
  own = table.add(LinePlace{20, true}, quitter);
  for (const char* line : {"one", "bye", "after"}) table.dispatch(line);
  EXPECT_EQ(order, (std::vector<std::string>{"deaf", "hearing", "quitter", "late", "deaf", "hearing", "quitter", "deaf",
                                             "hearing"}));
  EXPECT_EQ(table.size(), 2u);
}

TEST(LineRegistration, DroppingItWaitsForTheLineInFlight) {
  LineConsumers table;
  std::promise<void> entered, release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> finished{false};
  CallbackConsumer slow([&](std::string_view) {
    entered.set_value();
    released.wait();
    finished = true;
  });
  LineRegistration registration = table.add(line_place::analog_tab, slow);
  std::thread receiver([&] { table.dispatch("a1: 7"); });
  entered.get_future().wait();
  std::atomic<bool> dropped{false};
  std::thread dropper([&] {
    registration.reset();
    dropped = true;
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(dropped.load());  // the consumer is still at work
  release.set_value();
  dropper.join();
  EXPECT_TRUE(finished.load());
  receiver.join();
  EXPECT_EQ(table.size(), 0u);
}

constexpr char kMark[] = "<MARK-0123456789>";

// A board on the master side of a pty that answers each command line it reads and, while told
// to stream, sends text lines without a pause.
class ScriptedBoard {
 public:
  explicit ScriptedBoard(std::function<std::string(const std::string&)> answer) : answer_(std::move(answer)) {}
  PseudoTerminal& pty() { return peer_.pty(); }
  void set_streaming(bool on) { streaming_ = on; }

 private:
  void step(PseudoTerminal& pty) {
    pending_ += pty.read_for(streaming_ ? 0 : 5);
    for (auto lf = pending_.find('\n'); lf != std::string::npos; lf = pending_.find('\n')) {
      std::string command = pending_.substr(0, lf);
      pending_.erase(0, lf + 1);
      pty.write(answer_(command));
    }
    if (streaming_) pty.write("stream stream stream stream stream stream stream\n");
  }
  std::function<std::string(const std::string&)> answer_;
  std::string pending_;  // the peer's thread only
  std::atomic<bool> streaming_{false};
  test::PtyPeer peer_{[this](PseudoTerminal& pty) { step(pty); }};
};

class Receiving : public test::LinkOverPty {
 protected:
  // The receive thread stops before the consumers below go: it may still be handing one a line.
  ~Receiving() override { session.stop(); }

  void connect(PseudoTerminal& pty) {
    heard = session.consumers().add(line_place::configuration, config_lines);
    upload_heard = session.consumers().add(line_place::upload, upload_lines);
    LinkOverPty::connect(pty);
  }

  RecordingConsumer config_lines, upload_lines;
  LineRegistration heard, upload_heard;
};

// Only "Ok" in any case acknowledges, and only the first line after the command counts (no reply
// at all is link_commands_test's). The echo row is last: its "Ok" comes late.
TEST_F(Receiving, TheFirstLineAfterTheCommandDecidesTheReply) {
  ScriptedBoard board([](const std::string& command) {
    if (command == "dot") return std::string("Ok.\r\n");
    if (command == "echo") return command + "\nOk\n";
    return std::string("OK\r\n");
  });
  connect(board.pty());
  EXPECT_TRUE(session.send_and_wait_ok(""));  // nothing to send
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(session.send_and_wait_ok("a" + std::to_string(i) + "=a*1+0")) << i;
  EXPECT_TRUE(report.contains("a199=a*1+0"));
  EXPECT_FALSE(session.send_and_wait_ok("dot"));
  EXPECT_TRUE(report.contains("expected: Ok got: Ok."));
  EXPECT_FALSE(session.send_and_wait_ok("echo"));
  EXPECT_TRUE(report.contains("expected: Ok got: echo"));
  // A reply that is in before the wait begins is not lost.
  const std::size_t heard_so_far = config_lines.lines().size();
  ASSERT_TRUE(session.write_text("z\n"));
  ASSERT_TRUE(config_lines.wait_count(heard_so_far + 1));
  EXPECT_TRUE(session.wait_line("OK\r\n"));
}

TEST_F(Receiving, LinesLoseCrAndNulAndAreCutTheEchoPausesForAnUploadAndSplitsAtASambaPrompt) {
  PseudoTerminal pty;
  connect(pty);
  session.consumers().set_upload_running(true);
  pty.write("two\n");
  ASSERT_TRUE(upload_lines.wait_count(1));
  EXPECT_EQ(echo.text(), "");  // nothing echoed during an upload, and the replies' place hears nothing
  session.consumers().set_upload_running(false);
  pty.write(std::string("a\0b\r\rcd\n", 9));
  pty.write(std::string(1500, 'x') + "\n");
  ASSERT_TRUE(config_lines.wait_count(2));
  const auto lines = config_lines.lines();
  EXPECT_EQ(lines[0], "abcd");
  EXPECT_EQ(lines[1], std::string(998, 'x'));
  EXPECT_EQ(upload_lines.lines().size(), 3u);
  // The terminal still shows every character.
  ASSERT_TRUE(eventually([&] { return echo.text().size() >= 1500 + 8; }));
  EXPECT_EQ(echo.text().substr(0, 7), "ab\r\rcd\n");  // NULs neither shown nor stored
  EXPECT_EQ(echo.text().find(std::string(1500, 'x')), 7u);
  // A SAM-BA prompt starts a terminal line but not a reply line.
  session.flags().samba_mode = true;
  const std::size_t shown = echo.text().size();
  pty.write(">#ok\n");
  ASSERT_TRUE(config_lines.wait_count(3));
  EXPECT_EQ(config_lines.lines()[2], ">#ok");
  EXPECT_TRUE(eventually([&] { return echo.text().substr(shown) == ">#\nok\n"; }));
}

TEST_F(Receiving, ReadingPausesNestAndGiveTheJobTheWholeAnswerWhileTheBoardStreams) {
  ScriptedBoard board([](const std::string& command) { return command == "Q" ? kMark : ""; });
  board.set_streaming(true);
  connect(board.pty());
  ASSERT_TRUE(eventually([&] { return session.receiver().bytes_received() > 10000; }));
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    std::string got;
    {
      ReadingPause pause(session.board_port());
      const std::uint64_t seen = session.receiver().bytes_received();
      ASSERT_TRUE(session.port().write_text("Q\n"));
      for (int i = 0; i < 200000 && got.find(kMark) == std::string::npos; ++i) {
        const int c = session.port().serial_read_byte(500);
        if (c < 0) break;
        got.push_back(static_cast<char>(c));
      }
      // Nothing went past the job to the receive thread while it was paused.
      EXPECT_EQ(session.receiver().bytes_received(), seen);
    }
    EXPECT_NE(got.find(kMark), std::string::npos) << got.substr(0, 200);
  }
  // The terminal never saw a mark, and it hears the stream again after the pause.
  const std::uint64_t after = session.receiver().bytes_received();
  EXPECT_TRUE(eventually([&] { return session.receiver().bytes_received() > after + 1000; }));
  EXPECT_EQ(echo.text().find("<MARK"), std::string::npos);
  // Pauses nest; one without a receive thread returns at once.
  {
    ReadingPause outer(session.board_port());
    {
      ReadingPause inner(session.board_port());
      EXPECT_FALSE(session.flags().reading_enabled.load());
    }
    EXPECT_FALSE(session.flags().reading_enabled.load());  // the outer job still reads
  }
  EXPECT_TRUE(session.flags().reading_enabled.load());
  session.stop();
  const auto start = std::chrono::steady_clock::now();
  {
    ReadingPause pause(session.board_port());
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
}  // namespace vexa
