// The TCP client over real loopback connections: address forms, connect failures, reports and
// call states, batches with NUL bytes, the peer closing or resetting, a close from another thread
// while a reader waits. The session's connect and its "Online" line are link_commands_test's.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "link/tcp_client.h"
#include "loopback_peer.h"
#include "platform/tcp_socket.h"
#include "support/recording_sinks.h"

namespace vexa {
namespace {

using test::LoopbackPeer;
using test::SharedReport;

// The blank and colon separators, leading blanks and trailing text are the connect tests'.
TEST(TcpAddressText, MissingPortHostNamesAndTheLengthCut) {
  EXPECT_EQ(parse_tcp_address("10.0.0.5 ").port, 0);
  // Only digits and dots make the address: a host name ends it at once.
  EXPECT_EQ(parse_tcp_address("board 23").address, "");
  const TcpAddress cut = parse_tcp_address("10.0.0.5" + std::string(90, ' ') + "1470");  // cut at 99 characters
  EXPECT_EQ(cut.address, "10.0.0.5");
  EXPECT_EQ(cut.port, 1);
}

class TcpClientTest : public ::testing::Test {
 protected:
  TcpClientTest() : client(report, messages) {}
  // Connects and forgets the "Calling" and "Online" lines.
  bool connect_to(LoopbackPeer& peer, const std::string& text) {
    bool ok = client.tcp_connect(text) && peer.accept();
    report.clear();
    return ok;
  }

  SharedReport report;
  Messages messages;
  TcpClient client;
  LoopbackPeer peer;  // the far end for the tests that need only one
};

TEST_F(TcpClientTest, BadAddressesAreRefusedBeforeCallingAndARefusedConnectGoesOffline) {
  EXPECT_FALSE(client.tcp_connect("10.0.0.5"));
  EXPECT_FALSE(client.tcp_connect("127.0.0.1 70000"));
  EXPECT_FALSE(client.tcp_connect("127.0.0.1 -5"));
  EXPECT_FALSE(client.tcp_connect(" :1470"));
  const std::string form = messages.message("MerSform");
  EXPECT_EQ(report.lines(), (std::vector<std::string>{form, form, form, "Error: Address "}));
  EXPECT_EQ(client.tcp_read_byte(0), -1);
  EXPECT_FALSE(client.tcp_send("x", 1));
  EXPECT_FALSE(client.tcp_close());
  report.clear();
  LoopbackPeer closed_port(false);
  EXPECT_FALSE(client.tcp_connect(closed_port.address_text()));
  const std::string port = std::to_string(closed_port.port());
  EXPECT_EQ(report.lines(), (std::vector<std::string>{"Calling 127.0.0.1 " + port,
                                                      "Error: Connect 10061 connection refused",
                                                      "Offline"}));
  EXPECT_EQ(client.call_state(), CallState::offline);
  EXPECT_FALSE(client.connected());
}

TEST_F(TcpClientTest, ACallReportsItsStatesCarriesBytesAndEndsWithOurCloseEvenOfAWaitingReader) {
  std::vector<std::string> statuses;
  client.set_status_sink([&](const std::string& text) { statuses.push_back(text); });
  LoopbackPeer first;
  ASSERT_TRUE(connect_to(first, first.address_text()));
  const std::string port = std::to_string(peer.port());
  ASSERT_TRUE(connect_to(peer, "  127.0.0.1:" + port + " board 7"));
  EXPECT_TRUE(first.client_closed());  // a new call closes the earlier connection first
  EXPECT_TRUE(client.connected());
  EXPECT_EQ(client.call_state(), CallState::online);
  EXPECT_EQ(statuses.back(), "Online 127.0.0.1 " + port);
  EXPECT_EQ(statuses[statuses.size() - 2], "Calling 127.0.0.1 " + port);

  EXPECT_EQ(client.tcp_read_byte(0), -1);  // nothing there: no wait, no report, still connected
  EXPECT_FALSE(client.wait_readable(0));
  EXPECT_TRUE(client.tcp_send("conf\n", 5));
  EXPECT_EQ(peer.receive(5), "conf\n");
  ASSERT_TRUE(peer.send("Ok\r\n"));
  std::string got;
  for (int i = 0; i < 4; ++i) got.push_back(static_cast<char>(client.tcp_read_byte(5000)));
  EXPECT_EQ(got, "Ok\r\n");
  // High bytes come out as 0..255, never negative.
  ASSERT_TRUE(peer.send("\xE9"));
  EXPECT_EQ(client.tcp_read_byte(5000), 0xE9);
  // A batch ends at its first NUL: "cd" goes with it.
  ASSERT_TRUE(peer.send(std::string("ab\0cd", 5)));
  EXPECT_EQ(client.tcp_read_byte(5000), 'a');
  EXPECT_TRUE(client.wait_readable(0));
  EXPECT_EQ(client.tcp_read_byte(0), 'b');
  EXPECT_EQ(client.tcp_read_byte(0), -1);
  ASSERT_TRUE(peer.send(std::string("\0zz", 3)));
  EXPECT_TRUE(client.wait_readable(5000));
  EXPECT_EQ(client.tcp_read_byte(0), -1);  // a batch that begins with NUL hands out nothing
  ASSERT_TRUE(peer.send("q"));
  EXPECT_EQ(client.tcp_read_byte(5000), 'q');
  EXPECT_TRUE(report.lines().empty());
  client.set_verbose(true);
  ASSERT_TRUE(peer.send("a"));
  EXPECT_EQ(client.tcp_read_byte(5000), 'a');
  EXPECT_EQ(report.lines(), std::vector<std::string>{"received 1 <a>"});

  // A close from another thread ends a waiting reader, and our own close is not the peer's.
  report.clear();
  int waited = 0;
  std::thread reader([&] { waited = client.tcp_read_byte(60000); });
  // Let the reader reach its wait; the close works the same if it has not yet.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(client.tcp_close());
  reader.join();
  EXPECT_EQ(waited, -1);
  EXPECT_EQ(statuses.back(), "Offline");
  EXPECT_TRUE(report.lines().empty());
  EXPECT_TRUE(peer.client_closed());
  EXPECT_FALSE(client.tcp_close());
}

TEST_F(TcpClientTest, PeerClosingOrResettingIsReportedWithItsCodeAndCloses) {
  std::vector<bool> changes;
  client.set_state_listener([&](bool up) { changes.push_back(up); });
  ASSERT_TRUE(connect_to(peer, peer.address_text()));
  ASSERT_TRUE(peer.send("x"));
  peer.close();
  EXPECT_EQ(client.tcp_read_byte(5000), 'x');
  EXPECT_EQ(client.tcp_read_byte(5000), -1);
  EXPECT_EQ(client.call_state(), CallState::offline);
  EXPECT_EQ(report.lines(), (std::vector<std::string>{"Connection closed by foreign host", "Offline"}));
  EXPECT_EQ(changes, (std::vector<bool>{true, false}));
  for (bool sending : {true, false}) {
    SCOPED_TRACE(sending ? "send" : "receive");
    LoopbackPeer peer;
    ASSERT_TRUE(connect_to(peer, peer.address_text()));
    peer.reset();
    if (sending) {
      ASSERT_TRUE(client.wait_readable(5000));  // the reset has arrived
      EXPECT_FALSE(client.tcp_send("conf\n", 5));
      EXPECT_EQ(report.lines().front(), "Error: Send data 10054 connection reset by foreign host");
    } else {
      EXPECT_EQ(client.tcp_read_byte(5000), -1);
      EXPECT_EQ(report.lines().front(), "Error: Receive data 10054 connection reset by foreign host");
    }
    EXPECT_EQ(report.lines().back(), "Offline");
    EXPECT_FALSE(client.connected());
  }
}

void ignore_signal(int) {}

// A send that the kernel takes only in part (a signal arrives while the peer's window is full)
// must go on with the rest: a board would otherwise get a command cut in two.
TEST(TcpSocketSend, InterruptedSendDeliversEveryByte) {
  struct sigaction action {};
  action.sa_handler = ignore_signal;  // no SA_RESTART: a blocked send returns what it took
  struct sigaction old {};
  ASSERT_EQ(::sigaction(SIGUSR1, &action, &old), 0);
  LoopbackPeer listener;
  TcpSocket socket;
  ASSERT_EQ(socket.create(), 0);
  ASSERT_EQ(socket.connect(htonl(INADDR_LOOPBACK), listener.port()), 0);
  ASSERT_TRUE(listener.accept());

  // Far more than the two socket buffers hold, so the send blocks until the peer reads.
  const std::string data(32 << 20, 'x');
  std::atomic<int> result{-1};
  std::thread sender([&] { result = socket.send(data.data(), data.size()); });
  // Once the peer's receive queue has data the sender is inside its send: interrupt it.
  int queued = 0;
  for (int i = 0; i < 5000 && queued == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::ioctl(listener.fd(), FIONREAD, &queued);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ::pthread_kill(sender.native_handle(), SIGUSR1);
  // A send that returned early leaves nothing more to read: the read ends after a quiet second.
  EXPECT_EQ(listener.receive(data.size(), 1000).size(), data.size());
  sender.join();
  EXPECT_EQ(result.load(), 0);
  ::sigaction(SIGUSR1, &old, nullptr);
}

}  // namespace
}  // namespace vexa
