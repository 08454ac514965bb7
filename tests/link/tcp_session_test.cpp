// The link session over TCP: the receive thread connects on request, reads batches, and the
// reply wait works as on a serial port; the peer closing is reported and closes the link.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "link/link_session.h"
#include "support/recording_sinks.h"

namespace vexa {
namespace {

using test::eventually;
using test::RecordingConsumer;
using test::SharedEcho;
using test::SharedReport;

// One-connection loopback server that answers every line with "Ok" until told to hang up.
class LoopbackBoard {
 public:
  LoopbackBoard() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    ::listen(listener_, 1);
    thread_ = std::thread([this] { serve(); });
  }
  ~LoopbackBoard() {
    hang_up_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
  }
  int port() const { return port_; }
  void hang_up() { hang_up_ = true; }

 private:
  void serve() {
    int peer = ::accept(listener_, nullptr, nullptr);
    if (peer < 0) return;
    std::string pending;
    while (!hang_up_) {
      timeval wait{0, 10000};
      ::setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
      char buffer[512];
      ssize_t n = ::recv(peer, buffer, sizeof buffer, 0);
      if (n == 0) break;
      if (n < 0) continue;
      pending.append(buffer, static_cast<std::size_t>(n));
      for (auto lf = pending.find('\n'); lf != std::string::npos; lf = pending.find('\n')) {
        std::string command = pending.substr(0, lf);
        pending.erase(0, lf + 1);
        std::string answer = command == "nul" ? std::string("ab\0cd\nOk\n", 9) : std::string("Ok\r\n");
        ::send(peer, answer.data(), answer.size(), MSG_NOSIGNAL);
      }
    }
    ::close(peer);
  }
  int listener_ = -1;
  int port_ = 0;
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
  session.consumers().attach(ConsumerSlot::configuration, &lines);
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

TEST(TcpSession, RefusedConnectionIsReportedAndLeavesTheLinkClosed) {
  int port;
  {
    LoopbackBoard unused;  // a port nobody listens on once it is gone
    port = unused.port();
    // Let the server accept nothing: connect once so its thread ends.
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::close(s);
  }
  SharedReport report;
  SharedEcho echo;
  Messages messages;
  LinkSession session(report, echo, messages);
  session.port().set_tcp_address("127.0.0.1 " + std::to_string(port));
  session.start();
  EXPECT_FALSE(session.open("tcp/ip", "9600"));
  EXPECT_TRUE(report.contains("Error: Connect 10061 connection refused"));
  EXPECT_TRUE(report.contains("Offline"));
  EXPECT_FALSE(session.port().link_is_open());
}

}  // namespace
}  // namespace vexa
