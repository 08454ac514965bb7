// The link session over TCP: the receive thread connects on request, reads batches, and the
// reply wait works as on a serial port; the peer closing is reported and closes the link.
#include <gtest/gtest.h>

#include <thread>

#include "link/link_session.h"
#include "link/loopback_peer.h"
#include "support/recording_sinks.h"

namespace vexa {
namespace {

using test::eventually;
using test::RecordingConsumer;
using test::SharedEcho;
using test::SharedReport;

// A board behind the loopback peer: answers every command line with "Ok" (the line "nul" with a
// batch holding a NUL) until told to hang up.
class LoopbackBoard {
 public:
  LoopbackBoard() : thread_([this] { serve(); }) {}
  ~LoopbackBoard() {
    hang_up_ = true;
    thread_.join();
  }
  int port() const { return peer_.port(); }
  void hang_up() { hang_up_ = true; }

 private:
  void serve() {
    while (!hang_up_ && !peer_.accept(20)) {
    }
    std::string pending;
    while (!hang_up_) {
      pending += peer_.receive(1, 10);
      for (auto lf = pending.find('\n'); lf != std::string::npos; lf = pending.find('\n')) {
        const std::string command = pending.substr(0, lf);
        pending.erase(0, lf + 1);
        peer_.send(command == "nul" ? std::string_view("ab\0cd\nOk\n", 9) : std::string_view("Ok\r\n"));
      }
    }
    peer_.close();
  }
  test::LoopbackPeer peer_;
  std::atomic<bool> hang_up_{false};
  std::thread thread_;
};

TEST(TcpSession, ConnectsOnTheReceiveThreadAndAcknowledges) {
  LoopbackBoard board;
  SharedReport report;
  SharedEcho echo;
  Messages messages;
  LinkSession session(report, echo, messages);
  RecordingConsumer lines;
  LineRegistration heard = session.consumers().add(line_place::configuration, lines);
  session.port().set_tcp_address("  127.0.0.1 " + std::to_string(board.port()));
  session.start();
  ASSERT_TRUE(session.open("tcp/ip", "9600"));
  EXPECT_TRUE(session.port().link_is_open());
  EXPECT_TRUE(report.contains("Online 127.0.0.1 " + std::to_string(board.port())));
  EXPECT_TRUE(session.send_and_wait_ok("conf"));
  EXPECT_TRUE(session.send_and_wait_ok("bd=9600"));

  // A NUL in a batch: only the bytes before it are handed out, the rest of the batch is lost,
  // so the next answer completes the line.
  session.write_text("nul\n");
  ASSERT_TRUE(test::eventually([&] { return echo.text().find("ab") != std::string::npos; }));
  EXPECT_FALSE(session.send_and_wait_ok("x"));
  EXPECT_TRUE(report.contains("expected: Ok got: abOk"));
  EXPECT_EQ(echo.text().find("cd"), std::string::npos);

  board.hang_up();
  EXPECT_TRUE(report.wait_for("Connection closed by foreign host"));
  EXPECT_TRUE(eventually([&] { return !session.port().link_is_open(); }));
  EXPECT_FALSE(session.send_and_wait_ok("conf"));
  EXPECT_TRUE(report.contains("Error Port is not open"));
}

}  // namespace
}  // namespace vexa
